// Keys, close requests, the tick counter and the idle wait of the SDL
// backend. Keys are pressed for real through the X server's test extension.
#include "platform/backend.h"

#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>

namespace {

namespace backend = plat::backend;
using plat::Key;

// Presses keys and relabels them (as another layout would) through Xlib and
// XTest, loaded at run time so that the build needs no X headers.
struct FakeKeyboard {
    using KeycodeOf = unsigned char (*)(void*, unsigned long);
    using Remap = int (*)(void*, int, int, unsigned long*, int);
    using Fake = int (*)(void*, unsigned, int, unsigned long);
    using Flush = int (*)(void*);

    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    void* xtest = dlopen("libXtst.so.6", RTLD_NOW);
    void* display = nullptr;
    template <typename F> F find(void* library, const char* name) {
        return library ? reinterpret_cast<F>(dlsym(library, name)) : nullptr;
    }
    KeycodeOf keycodeOf = find<KeycodeOf>(x11, "XKeysymToKeycode");
    Remap remap = find<Remap>(x11, "XChangeKeyboardMapping");
    Flush flush = find<Flush>(x11, "XFlush");
    Fake fake = find<Fake>(xtest, "XTestFakeKeyEvent");

    FakeKeyboard() {
        auto open = find<void* (*)(const char*)>(x11, "XOpenDisplay");
        if (open && keycodeOf && remap && flush && fake) {
            display = open(nullptr);
        }
    }
    ~FakeKeyboard() {
        if (display) {
            find<Flush>(x11, "XCloseDisplay")(display);
        }
    }
    void press(unsigned keycode, bool down) {
        fake(display, keycode, down, 0);
        flush(display);
    }
    void relabel(unsigned keycode, unsigned long keysym) {
        remap(display, int(keycode), 1, &keysym, 1);
        flush(display);
    }
};

// Polls the key until it reads as wanted or half a second has passed.
bool keyBecomes(Key key, bool wanted) {
    for (int i = 0; i < 100; ++i) {
        if (backend::keyDown(key) == wanted) {
            return true;
        }
        SDL_Delay(5);
    }
    return false;
}

class SdlInput : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::windowSystemReset();
        ASSERT_TRUE(backend::displayOpen());
        SDL_Delay(100);
    }
    void TearDown() override {
        backend::displayClose();
        plat::windowSystemReset();
    }
};

TEST_F(SdlInput, EachGameKeyReadsItsKeyWhateverTheLayout) {
    FakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.display) << "pressing keys needs libXtst.so.6 (package libxtst6)";
    const Key keys[] = {Key::Enter, Key::Enter, Key::Escape, Key::F3,   Key::F4,
                        Key::Left,  Key::Up,    Key::Right,  Key::Down, Key::Space};
    // X keysyms: Return, keypad Enter, Escape, F3, F4, the arrows, space.
    const unsigned long keysyms[] = {0xFF0D, 0xFF8D, 0xFF1B, 0xFFC0, 0xFFC1,
                                     0xFF51, 0xFF52, 0xFF53, 0xFF54, 0x20};
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(testing::Message() << "keysym 0x" << std::hex << keysyms[i]);
        const unsigned keycode = keyboard.keycodeOf(keyboard.display, keysyms[i]);
        keyboard.press(keycode, true);
        EXPECT_TRUE(keyBecomes(keys[i], true));
        for (Key other : keys) {
            EXPECT_EQ(backend::keyDown(other), other == keys[i]) << int(other);
        }
        keyboard.press(keycode, false);
        EXPECT_TRUE(keyBecomes(keys[i], false));
    }

    // A layout whose space bar prints "a" still fires with the space bar.
    const unsigned spaceBar = keyboard.keycodeOf(keyboard.display, 0x20);
    keyboard.relabel(spaceBar, 0x61);
    backend::pumpEvents();
    keyboard.press(spaceBar, true);
    EXPECT_TRUE(keyBecomes(Key::Space, true));
    keyboard.press(spaceBar, false);
    EXPECT_TRUE(keyBecomes(Key::Space, false));
    keyboard.relabel(spaceBar, 0x20);
}

TEST_F(SdlInput, CloseRequestsReadAsHeldEscape) {
    EXPECT_FALSE(plat::keyDown(Key::Escape));
    SDL_Event event{};
    event.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    // The very poll that takes the request already sees Esc held.
    EXPECT_TRUE(plat::keyDown(Key::Escape));
    EXPECT_TRUE(plat::closeRequested());
    EXPECT_FALSE(plat::keyDown(Key::Space));

    plat::windowSystemReset();
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    backend::pumpEvents();
    EXPECT_TRUE(plat::closeRequested());
}

TEST(SdlClock, TickCountIsMillisecondsSinceBoot) {
    std::ifstream uptime("/proc/uptime");
    double seconds = 0;
    ASSERT_TRUE(uptime >> seconds);
    const uint32_t since = backend::tickCount() - uint32_t(std::llround(seconds * 1000));
    // /proc/uptime counts in hundredths of a second.
    EXPECT_LT(int32_t(since), 100);
    EXPECT_GT(int32_t(since), -20);
}

TEST_F(SdlInput, WaitingForKeysCostsLittleCpu) {
    // A title-screen loop: poll the keys, idle, and again.
    const auto now = [] { return std::chrono::steady_clock::now(); };
    const auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    };
    const auto start = now();
    const double cpuStart = cpu();
    const uint32_t ticksStart = backend::tickCount();
    int turns = 0;
    for (; now() - start < std::chrono::milliseconds(1500); ++turns) {
        backend::keyDown(Key::Enter);
        backend::keyDown(Key::Escape);
        backend::idle();
    }
    const double wall = std::chrono::duration<double>(now() - start).count();
    const double share = (cpu() - cpuStart) / wall;
    RecordProperty("cpu_share_percent", int(share * 100));
    EXPECT_LT(share, 0.10);
    // About a millisecond a turn, well under a 28 ms frame.
    EXPECT_GT(turns, 300);
    EXPECT_LT(turns, 1600);
    EXPECT_NEAR(double(backend::tickCount() - ticksStart), wall * 1000, 30);
}

} // namespace
