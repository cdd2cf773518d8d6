// The simulator's speed, run in this process exactly as its program runs
// it: Enter on the title screen, then a game with the ship turning and
// firing. A run includes its program start; rows show pictures presented
// (every frame, and the title screen) per second.
#include "support.h"

#include "platform/headless/headless.h"
#include "simulator.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

enum class Output { None, StateLines, Pictures };

void simulatorFrames(benchmark::State& state, Output output, uint64_t frames) {
    std::string error;
    auto script = sim::parseScript("f0 ENTER\nf2 SPACE LEFT\nf300 SPACE RIGHT UP\n", error);
    testing_support::TempDir dir;
    sim::Options options;
    options.dataDir = testing_support::dataDir().string();
    options.script = *script;
    options.frames = frames;
    if (output == Output::StateLines) {
        options.stateFile = (dir.path() / "state.jsonl").string();
    }
    if (output == Output::Pictures) {
        options.shotsDir = (dir.path() / "shots").string();
        std::filesystem::create_directories(options.shotsDir);
    }
    int64_t presented = 0;
    for (auto _ : state) {
        testing_support::freshProgram();
        if (sim::run(options) != 0) {
            state.SkipWithError("the simulation failed");
            break;
        }
        // Counted rather than assumed: a game lost early ends the run with
        // fewer frames.
        presented += headless::presentCount();
    }
    state.SetItemsProcessed(presented);
}

BENCHMARK_CAPTURE(simulatorFrames, plain, Output::None, 1000)
    ->Name("simulator frame")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulatorFrames, state, Output::StateLines, 1000)
    ->Name("simulator frame + state line")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(simulatorFrames, pictures, Output::Pictures, 200)
    ->Name("simulator frame + PNG picture")
    ->Unit(benchmark::kMillisecond);

} // namespace
