// The asset generator: draws every picture of the sprite sheet and
// synthesises every sound, from code, the same bytes on every run.
#pragma once

#include <string>

// Writes the 8-bit sprite sheet with its palette to path.
bool writeSpriteSheet(const std::string& path);
// Writes the seven WAVE files at their places in the data directory.
bool writeSounds(const std::string& dataDirectory);
// Writes the icon as directory/hicolor/NxN/apps/name.png at each desktop
// size, every size in one Windows icon file, directory/name.ico, and the
// window's icon as C++ source in directory/window_icon.inc.
bool writeIcons(const std::string& directory, const std::string& name);
// Writes the web page's icons into directory: favicon.png (32 pixels),
// icon-192.png and icon-512.png.
bool writeWebIcons(const std::string& directory);
