// Resident memory: the simulated game's peak while playing, and game starts
// that give back what the game before them took. Not checked under the
// sanitizers, whose shadow memory and quarantine of freed blocks are most
// of what such a process holds.
#include "support.h"

#include "platform/audio.h"
#include "platform/memory.h"
#include "shell/devices.h"
#include "shell/screens.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using namespace testing_support;

constexpr long kPlayingPeakLimitKb = 32 * 1024;

// The process's resident memory now, from /proc.
long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Runs the simulator to its end; its peak resident memory in KB, or -1.
long simulatorPeakKb(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    std::string program = QV_SIM;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, QV_SIM, nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

TEST(Memory, PeakWhilePlayingStaysWithin32Megabytes) {
#ifdef QV_UNDER_SANITIZER
    GTEST_SKIP() << "resident memory means nothing under the sanitizers";
#endif
    // A recorded game of more than two minutes: the pools full of spores,
    // plants, explosions and the sower, new games started after lost ones.
    const std::string script = std::string(QV_GAMES_DIR) + "/sower.keys";
    const long peak =
        simulatorPeakKb({"--data", dataDir().string(), "--script", script, "--frames", "4000"});
    ASSERT_GT(peak, 0) << "the simulation did not run to its end";
    RecordProperty("peak_kb", int(peak));
    std::printf("peak resident memory while playing: %.1f MB\n", peak / 1024.0);
    EXPECT_LE(peak, kPlayingPeakLimitKb);
}

TEST(Memory, AHundredGameStartsLeaveItFlat) {
#ifdef QV_UNDER_SANITIZER
    GTEST_SKIP() << "resident memory means nothing under the sanitizers";
#endif
    // As the game's and the simulator's program start do.
    plat::keepLargeBlocksOutOfTheHeap();
    freshProgram();
    WorkingDirectory data(dataDir());
    ASSERT_TRUE(initDevices());
    ASSERT_TRUE(startNewGame());
    const long first = residentKb();

    const int buffers = plat::liveSoundBufferCount();
    for (int start = 2; start <= 100; ++start) {
        ASSERT_TRUE(startNewGame()) << "start " << start;
    }
    const long last = residentKb();
    EXPECT_EQ(plat::liveSoundBufferCount(), buffers);
    releaseDevices();
    ASSERT_GT(first, 0);
    std::printf("resident memory after the first game start: %.1f MB, after the 100th: %.1f MB\n",
                first / 1024.0, last / 1024.0);
    EXPECT_LT(double(last), 1.1 * double(first));
}

} // namespace
