// The contract's driver for the headless backend: the virtual clock moved
// by hand, keys held by mask, the presented frame read from memory, and the
// front-end player's last request timed from its file's length, since the
// headless player only records requests.
#include "driver.h"

#include "platform/display.h"
#include "platform/files.h"
#include "platform/headless/headless.h"

#include <cstring>
#include <fstream>
#include <string>

namespace contract {

namespace {

// How long a WAVE file's samples last, in milliseconds: its "data" chunk
// over the byte rate of its "fmt " chunk; 0 when it does not say.
uint32_t waveMs(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char riff[12];
    if (!file.read(riff, sizeof riff)) {
        return 0;
    }
    uint32_t bytesPerSecond = 0;
    char chunk[8];
    while (file.read(chunk, sizeof chunk)) {
        uint32_t size = 0;
        std::memcpy(&size, chunk + 4, 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            char format[16];
            if (size < 16 || !file.read(format, sizeof format)) {
                return 0;
            }
            std::memcpy(&bytesPerSecond, format + 8, 4);
            file.seekg(size - 16, std::ios::cur);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            return bytesPerSecond == 0 ? 0 : uint32_t(uint64_t(size) * 1000 / bytesPerSecond);
        } else {
            file.seekg(size, std::ios::cur);
        }
    }
    return 0;
}

} // namespace

void begin() {
    headless::reset();
}

void end() {
    headless::reset();
}

uint32_t slackMs() {
    return 1;
}

bool startClockAt(uint32_t tick) {
    headless::setTick(tick);
    return true;
}

void passTime(uint32_t milliseconds) {
    headless::advance(milliseconds);
}

bool pressKey(plat::Key key, bool down) {
    const uint32_t held = headless::keyMask();
    headless::holdKeyMask(down ? held | headless::keyBit(key) : held & ~headless::keyBit(key));
    return true;
}

bool shownPicture(std::vector<uint32_t>* rgb) {
    if (headless::presentCount() == 0) {
        return false;
    }
    const headless::Frame& frame = headless::presentedFrame();
    rgb->resize(frame.pixels.size());
    for (size_t i = 0; i < frame.pixels.size(); ++i) {
        const plat::PaletteColour& c = frame.palette[frame.pixels[i]];
        (*rgb)[i] = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
    }
    return true;
}

bool playerSounding() {
    const std::vector<headless::PlayerRequest>& requests = headless::playerRequests();
    if (requests.empty() || !requests.back().played) {
        return false;
    }
    const headless::PlayerRequest& last = requests.back();
    return last.loop ||
           headless::tick() - last.tick < waveMs(plat::findDataFile(last.path.c_str()));
}

} // namespace contract
