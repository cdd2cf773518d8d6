#include "shell/status.h"

#include "graphics/bitmap.h"
#include "graphics/sheet.h"
#include "shell/devices.h"

#include <cstdio>

int32_t score = 0;
int32_t sporesDestroyed = 0;
int32_t plantsDestroyed = 0;
int32_t baseHits = 0;
int32_t shipsLeft = 0;
Rect screenRect = {0, 0, 0, 0};
Picture backgroundSurface = nullptr;

namespace {

constexpr int32_t kStartingShips = 4;
constexpr int32_t kPanelTop = 22;

} // namespace

bool initBackgroundAndCounters() {
    screenRect = {0, 0, plat::kScreenWidth - 1, plat::kScreenHeight - 1};

    {
        // The sheet's pixels are freed at the end of this block, before the
        // counters are set, or on the way out of a failure.
        LoadedSheet sheet;
        if (!readSheet(sheet)) {
            return false;
        }
        // The previous game's background is never drawn again.
        plat::surfaceRelease(backgroundSurface);
        backgroundSurface = createOffscreenSurface(plat::kScreenWidth, plat::kScreenHeight, true);
        if (backgroundSurface == nullptr ||
            !copySheetRegion(sheet.image, backgroundSurface, sheetLayout::kBackground.x,
                             sheetLayout::kBackground.y)) {
            return false;
        }
    }

    score = 0;
    sporesDestroyed = 0;
    plantsDestroyed = 0;
    baseHits = 0;
    shipsLeft = kStartingShips;
    return true;
}

bool drawStatusPanel() {
    struct PanelNumber {
        const int32_t* counter;
        int32_t x;
    };
    const PanelNumber numbers[] = {
        {&score, 41}, {&sporesDestroyed, 149}, {&plantsDestroyed, 336}, {&shipsLeft, 522}};
    for (const PanelNumber& number : numbers) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", *number.counter);
        if (!drawText(backBuffer, text, screenRect.left + number.x, screenRect.top + kPanelTop,
                      kTextWhite)) {
            return false;
        }
    }
    return true;
}
