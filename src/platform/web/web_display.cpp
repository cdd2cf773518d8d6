// The display on a web page: every presented frame goes to a 640x480 canvas
// as 32-bit colours; the page scales the canvas to fill itself at 4:3.
#include "platform/backend.h"
#include "platform/web/web_internal.h"

#include <vector>

namespace plat::backend {

namespace {
// The frame in the canvas's own pixel format: red, green, blue, opaque.
std::vector<uint8_t> rgba;
} // namespace

bool displayOpen() {
    rgba.assign(size_t(kScreenWidth) * kScreenHeight * 4, 0);
    return qv_display_open() != 0;
}

void displayClose() {
    qv_display_close();
    rgba.clear();
    rgba.shrink_to_fit();
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
    auto* out = reinterpret_cast<uint32_t*>(rgba.data());
    const size_t count = size_t(kScreenWidth) * kScreenHeight;
    for (size_t i = 0; i < count; ++i) {
        out[i] = colours[pixels[i]];
    }
    qv_display_present(rgba.data(), tickCount());
}

void cursorShow(bool show) {
    qv_cursor_show(show ? 1 : 0);
}

} // namespace plat::backend
