// The contract's driver for the headless backend: the virtual clock moved
// by hand, keys held by mask, the presented frame read from memory, and the
// front-end player's last request timed from its file's length, since the
// headless player only records requests.
#include "driver.h"

#include "platform/display.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "platform/pause.h"

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

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

struct Pending {
    uint32_t due;
    Happening what;
    int id;
};
std::vector<Pending> pending;
std::vector<Seen> seenSoFar;

// What comes due on the virtual clock happens, in the order asked for.
void happenDue() {
    for (auto it = pending.begin(); it != pending.end();) {
        if (int32_t(headless::tick() - it->due) < 0) {
            ++it;
            continue;
        }
        switch (it->what) {
        case Happening::Away:
            headless::setAway(true);
            break;
        case Happening::Back:
            headless::setAway(false);
            break;
        case Happening::PauseKey:
            plat::pause::pausePressed();
            break;
        case Happening::Escape:
            plat::pause::escapePressed();
            break;
        case Happening::OtherKey:
            plat::pause::otherPressed();
            break;
        }
        seenSoFar[size_t(it->id)] = Seen{true, headless::soundHeld(), plat::pause::signShown()};
        it = pending.erase(it);
    }
}

} // namespace

void begin() {
    headless::reset();
    pending.clear();
    seenSoFar.clear();
}

void end() {
    begin();
}

uint32_t slackMs() {
    return 1;
}

bool startClockAt(uint32_t tick) {
    headless::setTick(tick);
    return true;
}

void passTime(uint32_t milliseconds) {
    for (uint32_t i = 0; i < milliseconds; ++i) {
        headless::advance(1);
        happenDue();
    }
}

bool soundDevice(bool device) {
    return !device;
}

void nextTick() {
    passTime(1);
}

int later(uint32_t ms, Happening what) {
    const int id = int(seenSoFar.size());
    seenSoFar.emplace_back();
    pending.push_back({headless::tick() + ms, what, id});
    headless::hooks().idle = happenDue;
    return id;
}

Seen seen(int happening) {
    return seenSoFar.at(size_t(happening));
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
