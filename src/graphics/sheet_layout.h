// Where every picture lies in the sprite sheet: the blocks stacked down the
// sheet, each frame's cut origin and size. The game's loaders cut by it and
// the asset generator draws by it. A picture cut at (x, y) with size w x h
// shows sheet columns x + 1..x + w - 1 and rows y + 1..y + h - 1: the
// first column and row of each cell never show.
#pragma once

#include <cstdint>

struct CutOrigin {
    int32_t x;
    int32_t y;
};

namespace sheetLayout {

// Cut origin of frame k in a block laid out as rows of cellsPerRow cells of
// width x height from (x0, y0), its first frame in cell firstCell.
constexpr CutOrigin gridOrigin(int32_t k, int32_t firstCell, int32_t cellsPerRow, int32_t width,
                               int32_t height, int32_t x0, int32_t y0) {
    const int32_t cell = k + firstCell;
    return {x0 + width * (cell % cellsPerRow), y0 + height * (cell / cellsPerRow)};
}

constexpr CutOrigin kBackground{0, 0};
constexpr int32_t kScreenPictureWidth = 640;
constexpr int32_t kScreenPictureHeight = 480;

constexpr int32_t kExplosionFrames = 14;
constexpr int32_t kExplosionSize = 48;
// Thirteen to a row; the fourteenth starts the next row.
constexpr CutOrigin explosionOrigin(int32_t k) {
    return gridOrigin(k, 0, 13, kExplosionSize, kExplosionSize, 0, 480);
}

constexpr int32_t kSmallSpriteSize = 16;
constexpr CutOrigin kSpore{624, 480};
constexpr CutOrigin kSeedPod{624, 496};
constexpr CutOrigin kVine{624, 512};
constexpr int32_t kShotSize = 8;
constexpr CutOrigin kShot{624, 528};

constexpr int32_t kShipFrames = 72;
constexpr int32_t kShipSize = 48;
// The ship's rows begin in the cell after the last explosion picture.
constexpr CutOrigin shipOrigin(int32_t k) {
    return gridOrigin(k, 1, 13, kShipSize, kShipSize, 0, 528);
}

constexpr int32_t kBaseFrames = 2;
constexpr int32_t kBaseWidth = 304;
constexpr int32_t kBaseHeight = 104;
constexpr CutOrigin baseOrigin(int32_t k) {
    return gridOrigin(k, 0, 2, kBaseWidth, kBaseHeight, 0, 816);
}

constexpr int32_t kBaseFallFrames = 14;
constexpr int32_t kBaseFallWidth = 324;
constexpr int32_t kBaseFallHeight = 124;
constexpr CutOrigin baseFallOrigin(int32_t k) {
    return gridOrigin(k, 0, 2, kBaseFallWidth, kBaseFallHeight, 0, 920);
}

constexpr CutOrigin kTitle{0, 1788};

constexpr int32_t kSowerFrames = 6;
constexpr int32_t kSowerSize = 48;
constexpr CutOrigin sowerOrigin(int32_t k) {
    return gridOrigin(k, 0, 6, kSowerSize, kSowerSize, 0, 2268);
}

static_assert(shipOrigin(0).x == 48 && shipOrigin(11).x == 576 && shipOrigin(12).y == 576);
static_assert(shipOrigin(71).x == 336 && shipOrigin(71).y == 768);
static_assert(explosionOrigin(13).x == 0 && explosionOrigin(13).y == 528);
static_assert(baseFallOrigin(13).x == 324 && baseFallOrigin(13).y == 1664);

} // namespace sheetLayout
