// The real game, with a record of when each frame of play started by the
// game's own tick counter. scripts/measure-waiting runs it on a virtual X
// server to see how evenly frames are paced and what waiting costs; CTest
// does not run it.
//
//     qv_pacing_probe FILE
//
// FILE gets one line per frame of play: the number of title screens shown
// before it, the frame's start tick, and the tick when its picture had been
// presented.
#include "platform/input.h"
#include "platform/sdl/sdl_testing.h"
#include "shell/entry.h"
#include "shell/frame.h"
#include "shell/screens.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct FrameStart {
    int titleScreens;
    uint32_t tick;
    uint32_t presented;
};

std::vector<FrameStart> frames;
uint32_t lastStart = 0;

// Title and controls screens present pictures too, without starting a frame:
// only a new start tick is a new frame.
void noteFrame() {
    if (frameStartTime == lastStart) {
        return;
    }
    lastStart = frameStartTime;
    frames.push_back({titleScreensShown, frameStartTime, plat::tickCount()});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 2;
    }
    // An hour of frames, so that recording never allocates during play.
    frames.reserve(130000);
    plat::sdl::testing::onPresent(noteFrame);
    const int status = gameMain();
    for (const FrameStart& frame : frames) {
        std::fprintf(out, "%d %u %u\n", frame.titleScreens, unsigned(frame.tick),
                     unsigned(frame.presented));
    }
    std::fclose(out);
    return status;
}
