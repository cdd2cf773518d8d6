// What the files of the SDL backend share among themselves.
#pragma once

namespace plat::sdl {

// Shows the last presented frame again (after an exposure or a resize),
// uploading it anew so that a renderer which lost its textures recovers.
void redrawLastFrame();

// The renderer lost its textures (device or target reset): make them again.
void recreateTexture();

} // namespace plat::sdl
