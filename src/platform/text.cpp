// One line of text in the game's one font, drawn without anti-aliasing so
// that every glyph pixel is exactly one palette entry.
#include "platform/display.h"
#include "platform/faults.h"
#include "platform/report.h"
#include "platform/surface_internal.h"

#include "platform/glyphs.h"

namespace plat {

namespace {

GlyphFont font;
bool fontTried = false;
bool fontLoaded = false;

// The game's font, read from its glyph file on the first text drawn; null,
// with the failure noted, when the file is missing or malformed.
const GlyphFont* gameFont() {
    if (!fontTried) {
        fontTried = true;
        fontLoaded = loadGlyphFont(kGlyphFile, font);
    }
    return fontLoaded ? &font : nullptr;
}

// The entry of the shown palette nearest to colour (0x00BBGGRR); on a tie
// the higher entry wins, so white text takes entry 255.
uint8_t nearestEntry(uint32_t colour) {
    const int red = int(colour & 0xFF);
    const int green = int((colour >> 8) & 0xFF);
    const int blue = int((colour >> 16) & 0xFF);
    const Palette* palette = detail::displayPalette();
    if (palette == nullptr) {
        return (red | green | blue) == 0 ? 0 : 255;
    }
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const PaletteColour& entry = palette->entries[i];
        const int dr = entry.red - red;
        const int dg = entry.green - green;
        const int db = entry.blue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance <= bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return uint8_t(best);
}

} // namespace

void detail::forgetGlyphFont() {
    font = GlyphFont{};
    fontTried = false;
    fontLoaded = false;
}

bool textDraw(Surface* target, const char* text, int32_t x, int32_t y, uint32_t colour) {
    if (target == nullptr || text == nullptr || target->locked || target->pixels.empty() ||
        detail::faultHit(Fault::TextDraw)) {
        return false;
    }
    if (text[0] == '\0') {
        return true;
    }
    const GlyphFont* face = gameFont();
    if (face == nullptr) {
        return false;
    }
    const uint8_t ink = nearestEntry(colour);
    layoutText(*face, text, [&](int64_t column, int64_t row) {
        const int64_t tx = int64_t(x) + column;
        const int64_t ty = int64_t(y) + row;
        if (tx >= 0 && tx < target->width && ty >= 0 && ty < target->height) {
            target->pixels[size_t(ty) * size_t(target->width) + size_t(tx)] = ink;
        }
    });
    return true;
}

} // namespace plat
