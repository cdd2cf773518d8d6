// One line of text in the game's one font, drawn without anti-aliasing so
// that every glyph pixel is exactly one palette entry.
#include "platform/display.h"
#include "platform/faults.h"
#include "platform/report.h"
#include "platform/surface_internal.h"

#include <SDL_ttf.h>

#include <string>

#ifndef QV_FONT_FILE
#define QV_FONT_FILE "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
#endif

namespace plat {

namespace {

// About 16 pixels from the top of the tallest glyph to the bottom of the
// lowest descender.
constexpr int kFontPointSize = 13;

TTF_Font* font = nullptr;
bool fontTried = false;

TTF_Font* gameFont() {
    if (!fontTried) {
        fontTried = true;
        if (TTF_WasInit() != 0 || TTF_Init() == 0) {
            font = TTF_OpenFont(QV_FONT_FILE, kFontPointSize);
        }
        if (font == nullptr) {
            plat::noteFailure("cannot open the game's font", QV_FONT_FILE, TTF_GetError());
        }
    }
    return font;
}

// The characters 0x80..0x9F of Windows-1252; the rest of the page matches
// Unicode code points.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string utf8FromWindows1252(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        char32_t code = *p;
        if (code >= 0x80 && code < 0xA0) {
            code = kWindows1252High[code - 0x80];
        }
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }
    return out;
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

bool textDraw(Surface* target, const char* text, int32_t x, int32_t y, uint32_t colour) {
    if (target == nullptr || text == nullptr || target->locked || target->pixels.empty() ||
        detail::faultHit(Fault::TextDraw)) {
        return false;
    }
    if (text[0] == '\0') {
        return true;
    }
    TTF_Font* face = gameFont();
    if (face == nullptr) {
        return false;
    }
    const std::string utf8 = utf8FromWindows1252(text);
    // A solid rendering is an 8-bit surface: index 0 around the glyphs,
    // non-zero on them.
    SDL_Surface* glyphs = TTF_RenderUTF8_Solid(face, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (glyphs == nullptr) {
        return false;
    }
    const uint8_t ink = nearestEntry(colour);
    SDL_LockSurface(glyphs);
    for (int row = 0; row < glyphs->h; ++row) {
        const int64_t ty = int64_t(y) + row;
        if (ty < 0 || ty >= target->height) {
            continue;
        }
        const auto* from = static_cast<const uint8_t*>(glyphs->pixels) + row * glyphs->pitch;
        uint8_t* to = target->pixels.data() + size_t(ty) * size_t(target->width);
        for (int column = 0; column < glyphs->w; ++column) {
            const int64_t tx = int64_t(x) + column;
            if (tx >= 0 && tx < target->width && from[column] != 0) {
                to[tx] = ink;
            }
        }
    }
    SDL_UnlockSurface(glyphs);
    SDL_FreeSurface(glyphs);
    return true;
}

} // namespace plat
