// How the process's allocator treats the game's large blocks.
#pragma once

namespace plat {

// Every game start reads the 1.5 MB sprite sheet fourteen times and frees
// it each time. Left to itself, the C library's allocator raises its
// threshold for mapping large blocks the first time such a block is freed
// and keeps later ones in its heap, which then holds a sheet's worth of
// memory it never gives back. Fixing the threshold below the sheet's size
// returns every sheet read to the system. Called once at program start.
void keepLargeBlocksOutOfTheHeap();

} // namespace plat
