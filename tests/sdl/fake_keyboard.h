// Presses keys and relabels them (as another layout would) through Xlib and
// XTest, loaded at run time so that the build needs no X headers.
#pragma once

#include <dlfcn.h>

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
    FakeKeyboard(const FakeKeyboard&) = delete;
    FakeKeyboard& operator=(const FakeKeyboard&) = delete;

    void press(unsigned keycode, bool down) {
        fake(display, keycode, down, 0);
        flush(display);
    }
    void relabel(unsigned keycode, unsigned long keysym) {
        remap(display, int(keycode), 1, &keysym, 1);
        flush(display);
    }
};
