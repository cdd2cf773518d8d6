// The display on a web page: every presented frame goes to the page as
// 32-bit colours, where the game's placement rule puts it on the page's
// size in device pixels, the same rule as the desktop's: at a whole scale a
// 640x480 canvas the browser widens, every game pixel an exact block;
// smoothed, the picture drawn here at its place's size.
#include "platform/backend.h"
#include "platform/placement.h"
#include "platform/web/web_internal.h"

#include <emscripten/emscripten.h>

#include <cstring>
#include <vector>

namespace plat::backend {

namespace {
// The frame in the canvas's own pixel format: red, green, blue, opaque.
std::vector<uint8_t> rgba;
// The frame and the palette last handed to the page, and whether there was
// one: only what changed since is converted and drawn again.
std::vector<uint8_t> shown;
uint32_t shownColours[256];
bool anyShown = false;
// Where the page last said the picture lands. Where it is smoothed, the
// picture is drawn here at its place's size by the same rule as the
// desktop's, and the page shows it pixel for pixel.
FramePlacement placed{};
std::vector<uint32_t> smoothPicture;

// The smoothed placement drawn into a buffer of the picture's own size.
FramePlacement inPicture() {
    FramePlacement own = placed;
    own.place.x = 0;
    own.place.y = 0;
    return own;
}

PixelTarget smoothTarget() {
    return PixelTarget{reinterpret_cast<uint8_t*>(smoothPicture.data()), size_t(placed.place.w) * 4,
                       placed.place.w, placed.place.h};
}

// Puts an area of a frame into the 640x480 frame the canvas takes.
void convertArea(const uint8_t* pixels, const uint32_t* colours, const PixelRect& area) {
    auto* out = reinterpret_cast<uint32_t*>(rgba.data());
    for (int y = area.y; y < area.y + area.h; ++y) {
        const size_t row = size_t(y) * kScreenWidth;
        for (int x = area.x; x < area.x + area.w; ++x) {
            out[row + x] = colours[pixels[row + x]];
        }
    }
}

// Only the picture the page shows is kept up to date from frame to frame:
// the 640x480 frame at a whole scale, the smoothed picture otherwise. When
// the placement changes, the one now shown is made whole again from the
// frame last shown (the smoothed one given its size first).
void fitPicture() {
    const PixelRect whole{0, 0, kScreenWidth, kScreenHeight};
    if (!placed.smooth || rgba.empty()) {
        smoothPicture.clear();
        smoothPicture.shrink_to_fit();
        if (anyShown && !rgba.empty()) {
            convertArea(shown.data(), shownColours, whole);
        }
        return;
    }
    smoothPicture.assign(size_t(placed.place.w) * placed.place.h, 0xFF000000u);
    if (anyShown) {
        drawPlacedArea(smoothTarget(), shown.data(), shownColours, inPicture(), whole);
    }
}
} // namespace

} // namespace plat::backend

// The page asks where the picture lands on a stage of that many device
// pixels: the picture's place, its whole scale and whether it is smoothed,
// then the pause sign's box and its two bars, each as x, y, w, h; then the
// frame as the 640x480 canvas takes it and the smoothed picture at the
// place's size (each a pointer, 0 while there is none); the one for the
// canvas the page now shows is whole and up to date, for the page to draw
// once over it.
extern "C" EMSCRIPTEN_KEEPALIVE const int32_t* qv_place_frame(int width, int height) {
    using namespace plat::backend;
    static int32_t answer[20];
    int at = 0;
    const auto put = [&at](const plat::PixelRect& rect) {
        for (const int value : {rect.x, rect.y, rect.w, rect.h}) {
            answer[at++] = value;
        }
    };
    const plat::FramePlacement before = placed;
    placed = plat::placeFrame(width, height);
    // Moved without a change of size, the picture stays as it is drawn.
    if (placed.smooth != before.smooth || placed.scale != before.scale ||
        placed.place.w != before.place.w || placed.place.h != before.place.h) {
        fitPicture();
    }
    put(placed.place);
    answer[at++] = placed.scale;
    answer[at++] = placed.smooth ? 1 : 0;
    const plat::PauseSign sign = plat::pauseSignIn(placed.place);
    put(sign.box);
    put(sign.bars[0]);
    put(sign.bars[1]);
    answer[at++] = int32_t(reinterpret_cast<intptr_t>(rgba.empty() ? nullptr : rgba.data()));
    answer[at++] =
        int32_t(reinterpret_cast<intptr_t>(smoothPicture.empty() ? nullptr : smoothPicture.data()));
    return answer;
}

namespace plat::backend {

bool displayOpen() {
    rgba.assign(size_t(kScreenWidth) * kScreenHeight * 4, 0);
    shown.assign(size_t(kScreenWidth) * kScreenHeight, 0);
    anyShown = false;
    fitPicture();
    return qv_display_open() != 0;
}

void displayClose() {
    qv_display_close();
    rgba.clear();
    rgba.shrink_to_fit();
    shown.clear();
    shown.shrink_to_fit();
    anyShown = false;
    fitPicture();
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
    // Where the picture is smoothed, the page is handed the smoothed picture
    // and the parts of it drawn again; otherwise the 640x480 frame.
    const bool smooth = placed.smooth && !smoothPicture.empty();
    const FramePlacement own = inPicture();
    int32_t boxes[kMaxChangedAreas * 4];
    for (int a = 0; a < count; ++a) {
        const PixelRect& area = areas[a];
        PixelRect box = area;
        if (smooth) {
            box = drawPlacedArea(smoothTarget(), pixels, colours, own, area);
        } else {
            convertArea(pixels, colours, area);
        }
        boxes[a * 4] = box.x;
        boxes[a * 4 + 1] = box.y;
        boxes[a * 4 + 2] = box.w;
        boxes[a * 4 + 3] = box.h;
    }
    std::memcpy(shown.data(), pixels, shown.size());
    std::memcpy(shownColours, colours, sizeof colours);
    anyShown = true;
    if (smooth) {
        qv_display_present(reinterpret_cast<const uint8_t*>(smoothPicture.data()), placed.place.w,
                           placed.place.h, tickCount(), boxes, count);
    } else {
        qv_display_present(rgba.data(), kScreenWidth, kScreenHeight, tickCount(), boxes, count);
    }
}

void cursorShow(bool show) {
    qv_cursor_show(show ? 1 : 0);
}

} // namespace plat::backend
