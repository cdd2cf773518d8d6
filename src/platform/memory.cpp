#include "platform/memory.h"

#include <malloc.h>

namespace plat {

void keepLargeBlocksOutOfTheHeap() {
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

} // namespace plat
