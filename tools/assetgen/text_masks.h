// The sprite sheet's anti-aliased texts, each kept as an 8-bit coverage mask
// (binary PGM in data/font/masks/) made once from DejaVu Sans Bold by
// quorvelindaxtor-fontgen, so that drawing the sheet needs no font.
#pragma once

namespace textMasks {

struct MaskFile {
    const char* text;
    int pointSize;
    int outline;
    const char* file;
};

inline constexpr MaskFile kMaskFiles[] = {
    {"Score", 11, 0, "caption-score-11.pgm"},
    {"Spores", 11, 0, "caption-spores-11.pgm"},
    {"Plantes", 11, 0, "caption-plantes-11.pgm"},
    {"Vaisseaux", 11, 0, "caption-vaisseaux-11.pgm"},
    {"Quorvelindaxtor", 58, 0, "logo-58.pgm"},
    {"Quorvelindaxtor", 58, 3, "logo-58-outline-3.pgm"},
};

} // namespace textMasks
