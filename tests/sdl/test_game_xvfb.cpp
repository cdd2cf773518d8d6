// The whole game, end to end: the real program is started on the virtual X
// server, looked at through the screen, listened to through SDL's disk audio
// driver, and stopped with Esc pressed through XTest or with the close
// request a window manager sends.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Last: the X headers define macros (None, Bool, Status) that clash with
// names inside GoogleTest.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

// The window's icon as the build drew it: kWindowIconSize and
// kWindowIconPixels.
#include "window_icon.inc"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr char kWindowTitle[] = "Quorvelindaxtor";

std::string describeStatus(int status) {
    std::ostringstream text;
    if (WIFEXITED(status)) {
        text << "exit status " << WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        text << "killed by signal " << WTERMSIG(status);
    } else {
        text << "wait status " << status;
    }
    return text.str();
}

// How a game is started: which program, in which directory, which
// variables of the test's environment it does not get, and which of SDL's
// audio drivers it is given (the disk one writes the sound to a file).
struct Launch {
    std::string program = QV_GAME;
    std::string directory = QV_DATA_DIR;
    std::vector<std::string> withoutVariables;
    std::string audioDriver = "disk";
};

// The game as a child process, run as the launch says with its sound
// written to a temporary file and its standard error kept in another.
// Whatever happens to the test, the child is killed and reaped when this
// goes away, and dies with the test should the test itself be killed.
class GameProcess {
  public:
    GameProcess() = default;
    explicit GameProcess(const Launch& launch) { start(launch); }

    void start(const Launch& launch) {
        audioPath_ = temporaryFile("qv-audio-XXXXXX");
        errorPath_ = temporaryFile("qv-stderr-XXXXXX");
        if (audioPath_.empty() || errorPath_.empty()) {
            return;
        }

        // The game's own environment, less anything that would change how it
        // opens its window or its sound device.
        std::vector<std::string> variables;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string variable = *entry;
            if (variable.starts_with("SDL_AUDIODRIVER=") ||
                variable.starts_with("SDL_DISKAUDIOFILE=") || leftOut(launch, variable)) {
                continue;
            }
            variables.push_back(variable);
        }
        variables.push_back("SDL_AUDIODRIVER=" + launch.audioDriver);
        variables.push_back("SDL_DISKAUDIOFILE=" + audioPath_);
        std::vector<char*> envp;
        for (std::string& variable : variables) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);
        std::string program = launch.program;
        char* argv[] = {program.data(), nullptr};

        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int errors = open(errorPath_.c_str(), O_WRONLY | O_TRUNC);
            if (getppid() != parent || chdir(launch.directory.c_str()) != 0 || errors < 0 ||
                dup2(errors, STDERR_FILENO) < 0) {
                _exit(126);
            }
            execve(argv[0], argv, envp.data());
            _exit(127);
        }
    }

    ~GameProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (!audioPath_.empty()) {
            unlink(audioPath_.c_str());
        }
        if (!errorPath_.empty()) {
            unlink(errorPath_.c_str());
        }
    }

    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::string& audioPath() const { return audioPath_; }

    // The lines the game itself wrote on standard error (the libraries it
    // loads may add their own, which do not start with its name).
    std::vector<std::string> gameLines() const {
        std::vector<std::string> lines;
        std::ifstream file(errorPath_);
        std::string line;
        while (std::getline(file, line)) {
            if (line.starts_with("quorvelindaxtor")) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // Reaps the game if it has ended; its wait status once it has.
    std::optional<int> exitStatus() {
        if (pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = status;
            }
        }
        return status_;
    }

    std::optional<int> waitForExit(Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        while (!exitStatus() && Clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
        return exitStatus();
    }

    // User plus system time the game has used so far, in seconds.
    double cpuSeconds() const {
        std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
        const std::string stat{std::istreambuf_iterator<char>(file), {}};
        // The command name, in brackets, may hold spaces; the fields after it
        // are the state (field 3) on to utime (14) and stime (15).
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            return -1;
        }
        std::istringstream fields(stat.substr(close + 1));
        std::string skipped;
        for (int field = 3; field <= 13; ++field) {
            fields >> skipped;
        }
        unsigned long long user = 0;
        unsigned long long system = 0;
        if (!(fields >> user >> system)) {
            return -1;
        }
        return double(user + system) / double(sysconf(_SC_CLK_TCK));
    }

  private:
    static std::string temporaryFile(const char* pattern) {
        std::string path = (std::filesystem::temp_directory_path() / pattern).string();
        const int fd = mkstemp(path.data());
        if (fd < 0) {
            return {};
        }
        close(fd);
        return path;
    }

    static bool leftOut(const Launch& launch, const std::string& variable) {
        for (const std::string& name : launch.withoutVariables) {
            if (variable.starts_with(name + "=")) {
                return true;
            }
        }
        return false;
    }

    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string audioPath_;
    std::string errorPath_;
};

std::uintmax_t fileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// The loudest sample in a file of signed 16-bit little-endian samples, from
// byte `from` on.
int peakSample(const std::string& path, std::uintmax_t from = 0) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    int peak = 0;
    for (size_t i = size_t(from) & ~size_t(1); i + 1 < bytes.size(); i += 2) {
        const auto sample =
            int16_t(uint16_t(uint8_t(bytes[i])) | uint16_t(uint16_t(uint8_t(bytes[i + 1])) << 8));
        peak = std::max(peak, std::abs(int(sample)));
    }
    return peak;
}

// Ignores X errors: windows come and go while the tree is walked, and Xlib
// would otherwise end the test on the first one that vanished.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

// A screen grab as 0xRRGGBB values.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Reads one colour channel out of a pixel value through its mask.
uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1) == 0) {
        ++shift;
    }
    const unsigned long value = (pixel & mask) >> shift;
    const unsigned long maximum = mask >> shift;
    return uint32_t(value * 255 / maximum);
}

// Where the frame lands on the screen: the largest whole scale that fits,
// centred.
struct FramePlace {
    int left = 0;
    int top = 0;
    int scale = 0;
};

FramePlace framePlace(int screenWidth, int screenHeight) {
    const int scale = std::min(screenWidth / kFrameWidth, screenHeight / kFrameHeight);
    return {(screenWidth - kFrameWidth * scale) / 2, (screenHeight - kFrameHeight * scale) / 2,
            scale};
}

class XConnection {
  public:
    XConnection() {
        XSetErrorHandler(ignoreXError);
        display_ = XOpenDisplay(nullptr);
        void* xtest = dlopen("libXtst.so.6", RTLD_NOW);
        if (xtest != nullptr) {
            fakeKey_ = reinterpret_cast<FakeKey>(dlsym(xtest, "XTestFakeKeyEvent"));
        }
    }
    ~XConnection() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    Display* display() const { return display_; }
    bool canPressKeys() const { return fakeKey_ != nullptr; }
    int screenWidth() const { return DisplayWidth(display_, DefaultScreen(display_)); }
    int screenHeight() const { return DisplayHeight(display_, DefaultScreen(display_)); }

    // The first viewable window with the game's title, 0 if there is none.
    Window findGameWindow() { return findUnder(DefaultRootWindow(display_)); }

    Screenshot grabScreen() {
        Screenshot shot;
        XImage* image =
            XGetImage(display_, DefaultRootWindow(display_), 0, 0, unsigned(screenWidth()),
                      unsigned(screenHeight()), AllPlanes, ZPixmap);
        if (image == nullptr) {
            return shot;
        }
        shot.width = image->width;
        shot.height = image->height;
        shot.pixels.resize(size_t(shot.width) * size_t(shot.height));
        for (int y = 0; y < shot.height; ++y) {
            for (int x = 0; x < shot.width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                shot.pixels[size_t(y) * size_t(shot.width) + size_t(x)] =
                    channel(pixel, image->red_mask) << 16 | channel(pixel, image->green_mask) << 8 |
                    channel(pixel, image->blue_mask);
            }
        }
        XDestroyImage(image);
        return shot;
    }

    // A tap as a hand makes it: the game reads whether keys are down, so a
    // press and release that reach it together would go unseen.
    void tap(KeySym key) {
        const unsigned keycode = XKeysymToKeycode(display_, key);
        fakeKey_(display_, keycode, True, 0);
        XFlush(display_);
        std::this_thread::sleep_for(100ms);
        fakeKey_(display_, keycode, False, 0);
        XFlush(display_);
    }

    // A key pressed or released and left so.
    void press(KeySym key, bool down) {
        fakeKey_(display_, XKeysymToKeycode(display_, key), down ? True : False, 0);
        XFlush(display_);
    }

    // Where a window's inside lies on the screen.
    struct Geometry {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Geometry&) const = default;
    };
    Geometry geometry(Window window) {
        XWindowAttributes attributes{};
        Window child = 0;
        Geometry place;
        if (XGetWindowAttributes(display_, window, &attributes) == 0 ||
            XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &place.x,
                                  &place.y, &child) == 0) {
            return {};
        }
        place.width = attributes.width;
        place.height = attributes.height;
        return place;
    }

    // Gives the keyboard to the window, as a window manager does when the
    // user clicks another window (the root window here) or comes back.
    void focus(Window window) {
        XSetInputFocus(display_, window, RevertToParent, CurrentTime);
        XFlush(display_);
    }

    bool offersDeleteWindow(Window window) {
        const Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        Atom* protocols = nullptr;
        int count = 0;
        if (XGetWMProtocols(display_, window, &protocols, &count) == 0) {
            return false;
        }
        const bool offered =
            std::find(protocols, protocols + count, deleteWindow) != protocols + count;
        XFree(protocols);
        return offered;
    }

    // The icons a window offers the window manager (_NET_WM_ICON): for
    // each, its width, its height, then its 0xAARRGGBB pixels.
    std::vector<unsigned long> windowIcon(Window window) {
        const Atom property = XInternAtom(display_, "_NET_WM_ICON", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window, property, 0, 1 << 22, False, XA_CARDINAL, &type,
                               &format, &count, &remaining, &data) != 0 ||
            data == nullptr) {
            return {};
        }
        // Xlib hands 32-bit items out as longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        std::vector<unsigned long> icon(values, values + (format == 32 ? count : 0));
        XFree(data);
        return icon;
    }

    // What a window manager sends when the user clicks the close button.
    void requestClose(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
    }

  private:
    using FakeKey = int (*)(Display*, unsigned, Bool, unsigned long);

    Window findUnder(Window parent) {
        Window root = 0;
        Window parentOfParent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, parent, &root, &parentOfParent, &children, &count) == 0) {
            return 0;
        }
        Window found = 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            if (isGameWindow(children[i])) {
                found = children[i];
            } else {
                found = findUnder(children[i]);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }

    bool isGameWindow(Window window) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display_, window, &attributes) == 0 ||
            attributes.map_state != IsViewable) {
            return false;
        }
        char* name = nullptr;
        if (XFetchName(display_, window, &name) == 0 || name == nullptr) {
            return false;
        }
        const bool matches = std::strcmp(name, kWindowTitle) == 0;
        XFree(name);
        return matches;
    }

    Display* display_ = nullptr;
    FakeKey fakeKey_ = nullptr;
};

// The three lines of the title screen, each starting at frame x 160 with
// "Presser [", 25 frame pixels apart.
constexpr int kTitleLineTops[] = {210, 235, 260};
constexpr int kTitleLineLeft = 160;
constexpr int kTitleLineSpan = 200;
constexpr int kTitleLineHeight = 20;
// Pure white pixels each line must show at least; the lettering of a line
// start gives over two thousand at scale 2.
constexpr int kMinWhitePerLine = 400;

int whiteInTitleLine(const Screenshot& shot, const FramePlace& place, int lineTop) {
    int white = 0;
    for (int y = lineTop * place.scale; y < (lineTop + kTitleLineHeight) * place.scale; ++y) {
        for (int x = kTitleLineLeft * place.scale;
             x < (kTitleLineLeft + kTitleLineSpan) * place.scale; ++x) {
            white += shot.at(place.left + x, place.top + y) == 0xFFFFFF;
        }
    }
    return white;
}

class GameOnXvfb : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(x.display(), nullptr) << "no X server; run under xvfb-run";
        ASSERT_TRUE(x.canPressKeys()) << "pressing keys needs libXtst.so.6 (package libxtst6)";
        place = framePlace(x.screenWidth(), x.screenHeight());
        ASSERT_GE(place.scale, 1) << "the screen is smaller than one frame";
        game.start(launch());
        ASSERT_TRUE(game.started()) << "could not start " << launch().program;
    }

    // Polls until the game's window is up, then until its title texts are
    // on the screen; the last grab is left in `shot`.
    void waitForTitleScreen() {
        const auto deadline = Clock::now() + 10s;
        while (window == 0 && Clock::now() < deadline) {
            if (const std::optional<int> status = game.exitStatus()) {
                FAIL() << "the game ended before showing its window: " << describeStatus(*status);
            }
            window = x.findGameWindow();
            if (window == 0) {
                std::this_thread::sleep_for(50ms);
            }
        }
        ASSERT_NE(window, Window(0)) << "no window named " << kWindowTitle << " was mapped";

        const auto textDeadline = Clock::now() + 10s;
        for (;;) {
            shot = x.grabScreen();
            ASSERT_EQ(shot.width, x.screenWidth());
            bool allLines = true;
            for (int top : kTitleLineTops) {
                allLines = allLines && whiteInTitleLine(shot, place, top) >= kMinWhitePerLine;
            }
            if (allLines || Clock::now() >= textDeadline) {
                break;
            }
            if (const std::optional<int> status = game.exitStatus()) {
                FAIL() << "the game ended on its way to the title screen: "
                       << describeStatus(*status);
            }
            std::this_thread::sleep_for(100ms);
        }
        // The window first mapped may have been replaced since by one its
        // renderer could draw into; the one showing the title is the one.
        window = x.findGameWindow();
        ASSERT_NE(window, Window(0)) << "the game's window is gone";
    }

    void expectCleanExit(const char* after) {
        const std::optional<int> status = game.waitForExit(5s);
        ASSERT_TRUE(status.has_value()) << "the game was still running 5 s after " << after;
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
            << "after " << after << ": " << describeStatus(*status);
    }

    // How this fixture's game is started.
    virtual Launch launch() const { return {}; }

    XConnection x;
    FramePlace place;
    GameProcess game;
    Window window = 0;
    Screenshot shot;
};

TEST_F(GameOnXvfb, ShowsTheTitleQuietlyWithMusicAndLeavesOnEsc) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());

    // The picture: nothing but black around the frame (above and below it
    // on this screen), the title picture inside it, each of its pixels a
    // whole square of screen pixels.
    const int frameBottom = place.top + kFrameHeight * place.scale;
    const int frameRight = place.left + kFrameWidth * place.scale;
    int litBorderPixels = 0;
    uint64_t frameBrightness = 0;
    int unevenBlocks = 0;
    for (int row = 0; row < shot.height; ++row) {
        for (int column = 0; column < shot.width; ++column) {
            const uint32_t pixel = shot.at(column, row);
            if (row < place.top || row >= frameBottom || column < place.left ||
                column >= frameRight) {
                litBorderPixels += pixel != 0;
            } else {
                frameBrightness += (pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF);
                const int blockLeft = column - (column - place.left) % place.scale;
                const int blockTop = row - (row - place.top) % place.scale;
                unevenBlocks += pixel != shot.at(blockLeft, blockTop);
            }
        }
    }
    EXPECT_EQ(litBorderPixels, 0) << "the borders around the frame are not black";
    const double meanBrightness = double(frameBrightness) / 3.0 /
                                  (double(kFrameWidth * place.scale) * kFrameHeight * place.scale);
    EXPECT_GT(meanBrightness, 20.0) << "the title picture is not on the screen";
    EXPECT_EQ(unevenBlocks, 0) << "the frame is not scaled up by whole pixels";
    for (int top : kTitleLineTops) {
        EXPECT_GE(whiteInTitleLine(shot, place, top), kMinWhitePerLine)
            << "the white title text at frame y " << top << " is missing";
    }
    RecordProperty("frame_mean_brightness", std::to_string(meanBrightness));
    RecordProperty("white_pixels_first_line", std::to_string(whiteInTitleLine(shot, place, 210)));

    // Waiting on the title screen is idle time, not a busy loop.
    const std::uintmax_t audioBefore = fileSize(game.audioPath());
    const double cpuBefore = game.cpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(3s);
    const double cpuAfter = game.cpuSeconds();
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const std::uintmax_t audioAfter = fileSize(game.audioPath());
    ASSERT_GE(cpuBefore, 0.0);
    ASSERT_GE(cpuAfter, 0.0) << "the game ended while on the title screen";
    const double cpuPercent = 100.0 * (cpuAfter - cpuBefore) / wall;
    EXPECT_LT(cpuPercent, 10.0) << "waiting on the title screen keeps a core busy";
    RecordProperty("title_cpu_percent", std::to_string(cpuPercent));

    // The title music goes on playing, and is not silence.
    EXPECT_GT(audioAfter, audioBefore) << "no sound was played while on the title screen";
    const int peak = peakSample(game.audioPath());
    EXPECT_GT(peak, 1000) << "the title music is silent";
    RecordProperty("audio_peak", peak);

    x.tap(XK_Escape);
    expectCleanExit("Esc was pressed");
}

TEST_F(GameOnXvfb, LeavesWhenTheDesktopClosesTheWindow) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());
    // Without the protocol offered, a window manager would kill the game
    // instead of asking it.
    EXPECT_TRUE(x.offersDeleteWindow(window));
    x.requestClose(window);
    expectCleanExit("the window was asked to close");
}

// A fresh temporary directory, removed with the object.
class ScratchDirectory {
  public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-xvfb-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = std::filesystem::canonical(pattern);
        }
    }
    ~ScratchDirectory() {
        std::error_code error;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, error);
        }
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The build's game, started from the file system's root, finds its data in
// data/ beside it.
// The game's data with a title music of 52 bytes whose format record gives
// 0 channels: the file that once took the game down from inside the audio
// library.
class GameWithBrokenMusic : public GameOnXvfb {
  protected:
    GameWithBrokenMusic() {
        char pattern[] = "/tmp/qv-broken-music-XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            data_ = pattern;
            std::filesystem::copy(QV_DATA_DIR, data_, std::filesystem::copy_options::recursive);
            const uint8_t music[52] = {'R', 'I', 'F',  'F',  44,  0,   0,    0,    'W', 'A', 'V',
                                       'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                                       0,   0,   0x22, 0x56, 0,   0,   0x44, 0xAC, 0,   0,   0,
                                       0,   16,  0,    'd',  'a', 't', 'a',  8,    0,   0,   0};
            std::ofstream(data_ / "sons" / "alien.wav", std::ios::binary)
                .write(reinterpret_cast<const char*>(music), sizeof music);
        }
    }
    ~GameWithBrokenMusic() override {
        std::error_code error;
        std::filesystem::remove_all(data_, error);
    }
    Launch launch() const override { return {QV_GAME, data_.string(), {}, "dummy"}; }

    std::filesystem::path data_;
};

TEST_F(GameWithBrokenMusic, PlaysOnSilentlyAfterOneLineAndLeavesOnEsc) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());
    x.tap(XK_Return);
    std::this_thread::sleep_for(1500ms);
    ASSERT_FALSE(game.exitStatus().has_value()) << "the game did not play on";
    x.tap(XK_Escape);
    expectCleanExit("Esc was pressed in play");
    const std::vector<std::string> lines = game.gameLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "quorvelindaxtor: cannot play " + (data_ / "sons" / "alien.wav").string() +
                            ": 0 channels (1 or 2 play); the game goes on without it");
}

class GameFromTheRoot : public GameOnXvfb {
  protected:
    // A sound driver SDL does not have: the game plays on without sound.
    Launch launch() const override { return {QV_GAME, "/", {}, "no-such-driver"}; }
};

TEST_F(GameFromTheRoot, FindsTheDataBesideItAndWearsTheGamesIconAndPlaysWithoutSound) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());

    const std::vector<unsigned long> icon = x.windowIcon(window);
    const size_t pixels = size_t(kWindowIconSize) * size_t(kWindowIconSize);
    ASSERT_EQ(icon.size(), 2 + pixels) << "the window offers no icon of the game's";
    EXPECT_EQ(icon[0], unsigned(kWindowIconSize));
    EXPECT_EQ(icon[1], unsigned(kWindowIconSize));
    size_t differing = 0;
    for (size_t i = 0; i < pixels; ++i) {
        differing += (icon[2 + i] & 0xFFFFFFFFu) != kWindowIconPixels[i];
    }
    EXPECT_EQ(differing, 0u) << "the window's icon is not the game's";

    x.tap(XK_Escape);
    expectCleanExit("Esc was pressed");
    const std::vector<std::string> lines = game.gameLines();
    ASSERT_EQ(lines.size(), 1u) << "one line about the sound device, and nothing else";
    EXPECT_TRUE(lines[0].starts_with("quorvelindaxtor: no sound device (") &&
                lines[0].ends_with("); the game plays without sound"))
        << lines[0];
}

// What cmake --install puts down, moved elsewhere as a whole and started from
// the file system's root.
class InstalledGameMoved : public GameOnXvfb {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        ASSERT_FALSE(scratch_.path().empty());
        const fs::path prefix = scratch_.path() / "prefix";
        const std::string command = std::string(QV_CMAKE) + " --install " + QV_BUILD_DIR +
                                    " --prefix " + prefix.string() + " > " +
                                    (scratch_.path() / "install.log").string() + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "cmake --install failed";

        const std::string id = QV_APP_ID;
        std::vector<std::string> expected = {"games/quorvelindaxtor",
                                             "share/quorvelindaxtor/images/images.bmp",
                                             "share/quorvelindaxtor/sons/Laser.wav",
                                             "share/quorvelindaxtor/sons/alien.wav",
                                             "share/applications/" + id + ".desktop",
                                             "share/metainfo/" + id + ".metainfo.xml",
                                             "share/man/man6/quorvelindaxtor.6.gz"};
        for (const char* size : {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
            expected.push_back("share/icons/hicolor/" + std::string(size) + "/apps/" + id + ".png");
        }
        for (const std::string& file : expected) {
            EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file << " was not installed";
        }

        fs::rename(prefix, moved_);
        GameOnXvfb::SetUp();
    }

    Launch launch() const override {
        return {(moved_ / "games" / "quorvelindaxtor").string(), "/", {}, "disk"};
    }

    ScratchDirectory scratch_;
    const std::filesystem::path moved_ = scratch_.path() / "moved";
};

TEST_F(InstalledGameMoved, FindsItsInstalledDataAndPlaysFromTheRoot) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());
    x.tap(XK_Escape);
    expectCleanExit("Esc was pressed");
    EXPECT_TRUE(game.gameLines().empty());
}

// A game that cannot start ends with one line naming what failed, and 1.
TEST(GameThatCannotStart, EndsWithOneLineSayingWhyAndStatusOne) {
    namespace fs = std::filesystem;
    ScratchDirectory scratch;
    ASSERT_FALSE(scratch.path().empty());
    struct Case {
        Launch launch;
        std::string line;
    };
    // The program alone, with no data anywhere near it.
    const fs::path alone = scratch.path() / "alone";
    fs::create_directories(alone);
    fs::copy_file(QV_GAME, alone / "quorvelindaxtor");
    // A data directory that lost its sprite sheet.
    const fs::path broken = scratch.path() / "data";
    fs::copy(QV_DATA_DIR, broken, fs::copy_options::recursive);
    fs::remove(broken / "images" / "images.bmp");

    const Case cases[] = {
        {{(alone / "quorvelindaxtor").string(), "/", {}, "disk"},
         "quorvelindaxtor: cannot find the game's data (images/ and sons/) in /, " +
             (alone / "data").string() + " or " +
             (scratch.path() / "share" / "quorvelindaxtor").string()},
        {{QV_GAME, QV_DATA_DIR, {"DISPLAY", "WAYLAND_DISPLAY"}, "disk"},
         "quorvelindaxtor: cannot open the display: no X11 or Wayland desktop could be reached"},
        {{QV_GAME, broken.string(), {}, "disk"},
         "quorvelindaxtor: cannot load " + (broken / "images" / "images.bmp").string() +
             ": No such file or directory"},
    };
    for (const Case& failing : cases) {
        GameProcess game(failing.launch);
        ASSERT_TRUE(game.started());
        const std::optional<int> status = game.waitForExit(10s);
        ASSERT_TRUE(status.has_value()) << "still running: " << failing.line;
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1)
            << describeStatus(*status) << " for " << failing.line;
        EXPECT_EQ(game.gameLines(), std::vector<std::string>{failing.line});
    }
}

// The X server killed under the game, on the title screen: the game stops
// its sound and ends with status 1 and its own line, never a crash.
TEST(GameLosingItsDisplay, EndsWithTheGamesLineAndStatusOne) {
    int numberPipe[2];
    ASSERT_EQ(pipe(numberPipe), 0);
    const pid_t server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        close(numberPipe[0]);
        const std::string fd = std::to_string(numberPipe[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
               "800x600x24", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(numberPipe[1]);
    std::string number;
    char c = 0;
    while (read(numberPipe[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(numberPipe[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb gave no display number";

    const std::string outer = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", (":" + number).c_str(), 1);
    GameProcess game(Launch{});
    setenv("DISPLAY", outer.c_str(), 1);
    ASSERT_TRUE(game.started());
    std::this_thread::sleep_for(1500ms);
    ASSERT_FALSE(game.exitStatus().has_value()) << "the game did not reach its title";
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);

    const std::optional<int> status = game.waitForExit(10s);
    ASSERT_TRUE(status.has_value()) << "the game hangs without its display";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << describeStatus(*status);
    EXPECT_EQ(game.gameLines(),
              std::vector<std::string>{"quorvelindaxtor: cannot go on: the display closed"});
}

// Polls until the window's inside has the size, or two seconds have passed.
XConnection::Geometry waitForSize(XConnection& x, Window window, int width, int height) {
    const auto deadline = Clock::now() + 2s;
    XConnection::Geometry place = x.geometry(window);
    while ((place.width != width || place.height != height) && Clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        place = x.geometry(window);
    }
    return place;
}

TEST_F(GameOnXvfb, AltEnterOnTheTitleMakesAWindowAndStartsNoGame) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());
    const int screenWidth = x.screenWidth();
    const int screenHeight = x.screenHeight();

    // Alt, Enter, Alt let go with Enter still held a while: as a hand does.
    x.press(XK_Alt_L, true);
    x.press(XK_Return, true);
    std::this_thread::sleep_for(300ms);
    x.press(XK_Alt_L, false);
    std::this_thread::sleep_for(300ms);
    x.press(XK_Return, false);

    // A window at the largest whole scale that fits the screen, centred.
    const int scale = std::min(screenWidth / kFrameWidth, screenHeight / kFrameHeight);
    const XConnection::Geometry windowed =
        waitForSize(x, window, kFrameWidth * scale, kFrameHeight * scale);
    ASSERT_EQ(windowed.width, kFrameWidth * scale);
    ASSERT_EQ(windowed.height, kFrameHeight * scale);
    EXPECT_EQ(windowed.x, (screenWidth - windowed.width) / 2);
    EXPECT_EQ(windowed.y, (screenHeight - windowed.height) / 2);

    // Still the title screen a second later: Enter went to the desktop.
    std::this_thread::sleep_for(1s);
    shot = x.grabScreen();
    const FramePlace inWindow{windowed.x, windowed.y, scale};
    for (int top : kTitleLineTops) {
        EXPECT_GE(whiteInTitleLine(shot, inWindow, top), kMinWhitePerLine)
            << "the title text at frame y " << top << " is gone from the window";
    }

    // F11: full screen again, the title where it was at the start.
    x.tap(XK_F11);
    const XConnection::Geometry full = waitForSize(x, window, screenWidth, screenHeight);
    EXPECT_EQ(full, (XConnection::Geometry{0, 0, screenWidth, screenHeight}));
    std::this_thread::sleep_for(300ms);
    shot = x.grabScreen();
    for (int top : kTitleLineTops) {
        EXPECT_GE(whiteInTitleLine(shot, place, top), kMinWhitePerLine)
            << "the title text at frame y " << top << " is missing after going back";
    }

    x.tap(XK_Escape);
    expectCleanExit("Esc was pressed");
}

TEST_F(GameOnXvfb, PausesItsMusicWhileAnotherWindowHasTheKeyboard) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());
    std::this_thread::sleep_for(500ms);
    ASSERT_GT(peakSample(game.audioPath()), 1000) << "the title music is silent";

    // The keyboard goes elsewhere: a moment later the game is silent and
    // costs nothing, and its picture stays.
    x.focus(DefaultRootWindow(x.display()));
    std::this_thread::sleep_for(1200ms);
    const std::uintmax_t silentFrom = fileSize(game.audioPath());
    const double cpuBefore = game.cpuSeconds();
    std::this_thread::sleep_for(1500ms);
    const double cpuAway = game.cpuSeconds() - cpuBefore;
    EXPECT_GT(fileSize(game.audioPath()), silentFrom) << "the sound device stopped";
    EXPECT_EQ(peakSample(game.audioPath(), silentFrom), 0) << "the music went on while away";
    EXPECT_LT(cpuAway, 0.05);
    shot = x.grabScreen();
    EXPECT_GE(whiteInTitleLine(shot, place, kTitleLineTops[0]), kMinWhitePerLine)
        << "the picture did not stay";

    // The keyboard comes back: so does the music.
    x.focus(window);
    std::this_thread::sleep_for(1000ms);
    const std::uintmax_t backFrom = fileSize(game.audioPath());
    std::this_thread::sleep_for(1s);
    EXPECT_GT(peakSample(game.audioPath(), backFrom), 1000) << "the music did not come back";

    x.tap(XK_Escape);
    expectCleanExit("Esc was pressed");
}

// A game in play whose window loses the keyboard stands still with the
// pause sign over the picture, so that a player who can see the window can
// tell a pause from a hang; back at the window the sign stays until a key.
TEST_F(GameOnXvfb, AGameInPlayLeftForAnotherWindowShowsThePauseSign) {
    ASSERT_NO_FATAL_FAILURE(waitForTitleScreen());
    x.tap(XK_Return);
    std::this_thread::sleep_for(1500ms);
    // A light bar of the sign: left of the middle, a quarter of the way
    // down the picture.
    const int barX = place.left + kFrameWidth * place.scale / 2 - 8 * place.scale;
    const int barY = place.top + kFrameHeight * place.scale / 4;
    auto signShown = [&] {
        shot = x.grabScreen();
        return (shot.at(barX, barY) & 0xFFFFFF) == 0xF0F0F0;
    };
    EXPECT_FALSE(signShown()) << "a sign before the pause";

    x.focus(DefaultRootWindow(x.display()));
    std::this_thread::sleep_for(1000ms);
    EXPECT_TRUE(signShown()) << "no sign while another window has the keyboard";
    x.focus(window);
    std::this_thread::sleep_for(800ms);
    EXPECT_TRUE(signShown()) << "the sign went before a key";
    x.tap(XK_Left);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(signShown()) << "a key did not let the game go on";

    x.tap(XK_Escape);
    expectCleanExit("Esc was pressed");
}

} // namespace
