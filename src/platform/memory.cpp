#include "platform/memory.h"

#include "platform/os.h"

namespace plat {

void keepLargeBlocksOutOfTheHeap() {
    os::limitHeapBlocks();
}

} // namespace plat
