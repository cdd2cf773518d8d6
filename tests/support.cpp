#include "support.h"

#include "platform/faults.h"
#include "platform/window.h"
#include "shell/devices.h"
#include "shell/entry.h"
#include "shell/program_state.h"
#include "shell/screens.h"
#include "sound/wave.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <random>

namespace testing_support {

namespace fs = std::filesystem;

fs::path dataDir() {
    if (const char* overridden = std::getenv("QV_TEST_DATA")) {
        return overridden;
    }
    return QV_DATA_DIR;
}

void freshProgram(uint32_t startTick) {
    releaseDevices();
    headless::reset(startTick);
    resetProgram();
}

bool startGame() {
    if (!plat::windowClassRegister("Quorvelindaxtor", windowProc)) {
        return false;
    }
    mainWindow = plat::windowCreate("Quorvelindaxtor");
    if (mainWindow == nullptr || !initDevices()) {
        return false;
    }
    headless::holdKeys({plat::Key::Enter});
    const bool started = titleScreen();
    headless::holdKeys({});
    return started;
}

bool pictureShownAt(const headless::Frame& frame, plat::Surface* picture, int32_t x, int32_t y) {
    plat::SurfaceLock lock{};
    if (picture == nullptr || !plat::surfaceLock(picture, &lock)) {
        return false;
    }
    bool shown = true;
    int inked = 0;
    for (int32_t row = 0; row + 1 < lock.height; ++row) {
        for (int32_t column = 0; column + 1 < lock.width; ++column) {
            const uint8_t ink = lock.pixels[size_t(row) * size_t(lock.pitch) + size_t(column)];
            const int32_t sx = x + column;
            const int32_t sy = y + row;
            if (ink == 0 || sx < 0 || sy < 0 || sx >= 639 || sy >= 479) {
                continue;
            }
            ++inked;
            shown = shown && frame.at(sx, sy) == ink;
        }
    }
    plat::surfaceUnlock(picture);
    return shown && inked > 0;
}

std::vector<int32_t> effectSlotsStarted() {
    std::vector<int32_t> slots;
    for (const auto& request : headless::effectRequests()) {
        for (int32_t s = 0; s < kSoundBufferSlots; ++s) {
            if (soundBuffers[s] == request.buffer) {
                slots.push_back(s);
            }
        }
    }
    return slots;
}

WorkingDirectory::WorkingDirectory(const fs::path& directory) : previous_(fs::current_path()) {
    fs::current_path(directory);
}

WorkingDirectory::~WorkingDirectory() {
    fs::current_path(previous_);
}

TempDir::TempDir() {
    std::random_device seed;
    path_ = fs::temp_directory_path() / ("qv-test-" + std::to_string(seed()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(path_, error);
}

void copyData(const fs::path& to) {
    fs::copy(dataDir(), to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::vector<uint8_t> makeBitmap(int32_t width, int32_t height, uint16_t bitCount,
                                const std::vector<uint8_t>& pixels, uint32_t sizeImage) {
    std::vector<uint8_t> out;
    auto put16 = [&out](uint32_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(uint8_t(v >> (8 * i)));
        }
    };
    const uint32_t paletteBytes = bitCount == 8 ? 1024 : 0;
    put16(0x4D42);
    put32(uint32_t(54 + paletteBytes + pixels.size()));
    put32(0);
    put32(54 + paletteBytes);
    put32(40);
    put32(uint32_t(width));
    put32(uint32_t(height));
    put16(1);
    put16(bitCount);
    put32(0);
    put32(sizeImage);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    for (uint32_t i = 0; i < paletteBytes / 4; ++i) {
        // Blue, green, red, reserved: a ramp that tells the entries apart.
        out.push_back(uint8_t(i));
        out.push_back(uint8_t(255 - i));
        out.push_back(uint8_t(i * 3));
        out.push_back(0);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string asNamedIn(const std::filesystem::path& directory, std::string text) {
    std::error_code error;
    if (std::filesystem::equivalent(directory / "sons", directory / "SONS", error)) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return char(std::tolower(uint8_t(c))); });
    }
    return text;
}

} // namespace testing_support
