// The display on a web page: every presented frame goes to a 640x480 canvas
// as 32-bit colours; the page shows it where the game's placement rule puts
// it on the page's size in device pixels, the same rule as the desktop's.
#include "platform/backend.h"
#include "platform/placement.h"
#include "platform/web/web_internal.h"

#include <emscripten/emscripten.h>

#include <cstring>
#include <vector>

// The page asks where the picture lands on a stage of that many device
// pixels: the picture's place, its whole scale and whether it is smoothed,
// then the pause sign's box and its two bars, each as x, y, w, h.
extern "C" EMSCRIPTEN_KEEPALIVE const int32_t* qv_place_frame(int width, int height) {
    static int32_t answer[18];
    int at = 0;
    const auto put = [&at](const plat::PixelRect& rect) {
        for (const int value : {rect.x, rect.y, rect.w, rect.h}) {
            answer[at++] = value;
        }
    };
    const plat::FramePlacement placed = plat::placeFrame(width, height);
    put(placed.place);
    answer[at++] = placed.scale;
    answer[at++] = placed.smooth ? 1 : 0;
    const plat::PauseSign sign = plat::pauseSignIn(placed.place);
    put(sign.box);
    put(sign.bars[0]);
    put(sign.bars[1]);
    return answer;
}

namespace plat::backend {

namespace {
// The frame in the canvas's own pixel format: red, green, blue, opaque.
std::vector<uint8_t> rgba;
// The frame and the palette last handed to the page, and whether there was
// one: only what changed since is converted and drawn again.
std::vector<uint8_t> shown;
uint32_t shownColours[256];
bool anyShown = false;
} // namespace

bool displayOpen() {
    rgba.assign(size_t(kScreenWidth) * kScreenHeight * 4, 0);
    shown.assign(size_t(kScreenWidth) * kScreenHeight, 0);
    anyShown = false;
    return qv_display_open() != 0;
}

void displayClose() {
    qv_display_close();
    rgba.clear();
    rgba.shrink_to_fit();
    shown.clear();
    shown.shrink_to_fit();
    anyShown = false;
}

void displayPresent(const uint8_t* pixels, const PaletteColour palette[256]) {
    if (rgba.empty()) {
        return;
    }
    uint32_t colours[256];
    for (int i = 0; i < 256; ++i) {
        // Little-endian memory: red first, alpha last.
        colours[i] = uint32_t(palette[i].red) | uint32_t(palette[i].green) << 8 |
                     uint32_t(palette[i].blue) << 16 | 0xFF000000u;
    }
    // A new palette changes every pixel; otherwise only the areas whose
    // indices changed are new.
    PixelRect areas[kMaxChangedAreas];
    int count = 1;
    if (!anyShown || std::memcmp(colours, shownColours, sizeof colours) != 0) {
        areas[0] = PixelRect{0, 0, kScreenWidth, kScreenHeight};
    } else {
        count = changedAreas(shown.data(), pixels, areas);
    }
    auto* out = reinterpret_cast<uint32_t*>(rgba.data());
    int32_t boxes[kMaxChangedAreas * 4];
    for (int a = 0; a < count; ++a) {
        const PixelRect& area = areas[a];
        for (int y = area.y; y < area.y + area.h; ++y) {
            const size_t row = size_t(y) * kScreenWidth;
            for (int x = area.x; x < area.x + area.w; ++x) {
                out[row + x] = colours[pixels[row + x]];
            }
        }
        boxes[a * 4] = area.x;
        boxes[a * 4 + 1] = area.y;
        boxes[a * 4 + 2] = area.w;
        boxes[a * 4 + 3] = area.h;
    }
    std::memcpy(shown.data(), pixels, shown.size());
    std::memcpy(shownColours, colours, sizeof colours);
    anyShown = true;
    qv_display_present(rgba.data(), tickCount(), boxes, count);
}

void cursorShow(bool show) {
    qv_cursor_show(show ? 1 : 0);
}

} // namespace plat::backend
