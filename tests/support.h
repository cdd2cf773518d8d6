// Shared set-up for the tests: a fresh program on the headless backend,
// working in a data directory.
#pragma once

#include "platform/headless/headless.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// Whether this build runs under AddressSanitizer: tests that only repeat a
// run to compare it with itself, or that measure memory, leave it to the
// normal build.
#if defined(__SANITIZE_ADDRESS__)
#define QV_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_UNDER_SANITIZER 1
#endif
#endif
#ifdef QV_UNDER_SANITIZER
inline constexpr bool kUnderSanitizer = true;
#else
inline constexpr bool kUnderSanitizer = false;
#endif

// The build's generated data (sprite sheet and sounds).
std::filesystem::path dataDir();

// Puts every program-wide variable of the game back to its program-start
// value, gives back the devices and resets the headless backend.
void freshProgram(uint32_t startTick = 10000000);

// The window and devices as the entry function makes them, then the title
// screen left with Enter: the program at the start of its first game.
// False when any of it failed.
bool startGame();

// Whether the picture's shown pixels (all but its last column and row, and
// its transparent ones) appear in the presented frame with their top-left
// corner at (x, y).
bool pictureShownAt(const headless::Frame& frame, plat::Surface* picture, int32_t x, int32_t y);

// The slot of every effect start recorded since the last clearing of
// headless::effectRequests(), in order.
std::vector<int32_t> effectSlotsStarted();

// Enters a directory for the life of the object, then returns.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::filesystem::path& directory);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    std::filesystem::path previous_;
};

// A fresh temporary directory, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The asset generator run once more, into a directory of its own that lasts
// for the test program's run: what it writes must be the build's data, byte
// for byte. Empty when the run failed.
const std::filesystem::path& generatorRunAgain();

// A copy of the data directory that a test may break.
void copyData(const std::filesystem::path& to);

// A bitmap file: headers, then the palette (8-bit only), then pixels.
std::vector<uint8_t> makeBitmap(int32_t width, int32_t height, uint16_t bitCount,
                                const std::vector<uint8_t>& pixels, uint32_t sizeImage);
void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Text naming files under directory, ready to compare: in lower case where
// the file system there takes names whatever their letter case (Windows),
// since a line may then name "Sons\" as the game asked for it, not as the
// disk spells it; as it is elsewhere.
std::string asNamedIn(const std::filesystem::path& directory, std::string text);

} // namespace testing_support
