// Quorvelindaxtor: defend the domed base against the spores.
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/report.h"
#include "shell/command_line.h"
#include "shell/entry.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (const std::string answer = commandLineAnswer(argc, argv); !answer.empty()) {
        return std::fputs(answer.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    plat::keepLargeBlocksOutOfTheHeap();
    // Every data path of the game is relative to the data directory, which
    // lies wherever the game was built or installed.
    if (!plat::enterDataDirectory()) {
        plat::reportFailure();
        return 1;
    }
    return gameMain();
}
