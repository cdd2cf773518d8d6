// The game's data files, relative to the data directory, in one table: the
// loaders open them by these names, the asset generator writes them, and
// the build (which reads every quoted name below) copies, installs and
// packages them. The directories are spelt as the game has always spelt
// them, "Sons/" and "sons/" alike: the lookup ignores letter case, and on
// disk every directory is lower case (dataFiles::onDisk).
#pragma once

#include <string>

namespace dataFiles {

// Drawn and synthesised by the asset generator at build time.
inline constexpr const char* kSheet = "images/images.bmp";
inline constexpr const char* kLaser = "Sons/Laser.wav";
inline constexpr const char* kSporeExplosion = "Sons/explosion_spore.wav";
inline constexpr const char* kPlantGrowth = "sons/Plante_pousse.wav";
inline constexpr const char* kExplosion = "sons/explosion2.wav";
inline constexpr const char* kMetamorphosis = "Sons/metamorphose2.wav";
inline constexpr const char* kTitleMusic = "sons/alien.wav";
inline constexpr const char* kGameOverJingle = "sons/GameOver_bis.wav";
// Kept in the repository's data/ and copied as they are.
inline constexpr const char* kGlyphs = "font/dejavu-sans-bold-13.glyphs";
inline constexpr const char* kGlyphsLicence = "font/LICENSE";

// The name as the file lies on disk: its directory in lower case.
inline std::string onDisk(const char* name) {
    std::string path = name;
    const size_t slash = path.rfind('/');
    for (size_t i = 0; slash != std::string::npos && i < slash; ++i) {
        if (path[i] >= 'A' && path[i] <= 'Z') {
            path[i] = char(path[i] - 'A' + 'a');
        }
    }
    return path;
}

} // namespace dataFiles
