// Quorvelindaxtor: defend the domed base against the spores.
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/report.h"
#include "shell/entry.h"

int main() {
    plat::keepLargeBlocksOutOfTheHeap();
    // Every data path of the game is relative to the data directory, which
    // lies wherever the game was built or installed.
    if (!plat::enterDataDirectory()) {
        plat::reportFailure();
        return 1;
    }
    return gameMain();
}
