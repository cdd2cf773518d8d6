// The game's font as data: one 1-bit picture per Windows-1252 character,
// with the pen advance and the kerning between pairs, read from a glyph
// file kept beside the other data files. Plain C++, so that every backend
// draws the same pixels.
//
// The glyph file is text, one record a line ('#' starts a comment line):
//   qvglyphs 1                       format and version, the first record
//   ascent A                         baseline's row below the line's top
//   glyph NAME adv N left L top T box BL BT size W H
//                                    the glyph of NAME: one character (two
//                                    hex digits, 01..ff), or two or three
//                                    (4 or 6 digits) that the font joins
//                                    into one ligature; pen advance N in
//                                    1/64 pixel, picture's left column and
//                                    top row from the pen (L, T: up is
//                                    positive), the box the line's size is
//                                    measured by (BL, BT) and the picture's
//                                    width and height; then H lines of W
//                                    characters, '#' ink and '.' none
//   kern NAME NAME N                 N/64 pixel added to the advance of the
//                                    first glyph when the second follows it
// Every character 01..ff has exactly one glyph record. A line takes the
// longest ligature that starts where it stands, else one character.
#pragma once

#include "data_files.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// The game's glyph file, relative to the data directory.
inline constexpr const char* kGlyphFile = dataFiles::kGlyphs;

struct Glyph {
    int32_t advance = 0; // 1/64 pixel
    int32_t left = 0;
    int32_t top = 0;
    int32_t boxLeft = 0;
    int32_t boxTop = 0;
    int32_t width = 0;
    int32_t height = 0;
    size_t firstInk = 0; // index of its first pixel in GlyphFont::ink
    bool present = false;
};

// A glyph: 1..255 one character, 256 and up the ligatures in file order.
using GlyphId = uint16_t;

struct KerningPair {
    uint32_t pair = 0; // first glyph << 16 | second
    int32_t adjust = 0;
};

struct Ligature {
    std::string characters; // two or three
    Glyph glyph;
};

struct GlyphFont {
    int32_t ascent = 0;
    Glyph glyphs[256];
    std::vector<Ligature> ligatures;  // in file order
    std::vector<uint8_t> ink;         // 1 ink, 0 none, row after row
    std::vector<KerningPair> kerning; // sorted by pair
};

// Reads a glyph file's text. False with why set (naming the line) when the
// text is not a complete glyph file.
bool parseGlyphFont(const char* text, size_t size, GlyphFont& font, std::string& why);
// Reads the glyph file at the data path; false with the failure noted (the
// file named, and why) when it is missing or malformed.
bool loadGlyphFont(const char* path, GlyphFont& font);

namespace detail {
// Forgets the game's font, so that the next text reads the glyph file again
// (a fresh program).
void forgetGlyphFont();
} // namespace detail

// The kerning between two glyphs, 1/64 pixel.
int32_t kerningBetween(const GlyphFont& font, GlyphId first, GlyphId second);
// The glyphs that show text: at each place the longest ligature that starts
// there, else the character's own glyph.
std::vector<GlyphId> glyphsOf(const GlyphFont& font, const char* text);
const Glyph& glyphOf(const GlyphFont& font, GlyphId id);

// Lays out one line of Windows-1252 text as the game's text has always been
// placed: pens in 1/64 pixel, each glyph at its pen's whole pixel, the line
// moved right and down just enough that no box starts left of or above its
// top-left corner. Calls plot(x, y) for every ink pixel, relative to that
// corner.
template <typename Plot> void layoutText(const GlyphFont& font, const char* text, Plot&& plot) {
    const std::vector<GlyphId> ids = glyphsOf(font, text);
    const auto advanceAfter = [&](size_t i) {
        return glyphOf(font, ids[i]).advance +
               (i + 1 < ids.size() ? kerningBetween(font, ids[i], ids[i + 1]) : 0);
    };
    // Where the line starts: the leftmost and highest box edges.
    int64_t minX = 0;
    int64_t minY = 0;
    int64_t pen = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        const Glyph& glyph = glyphOf(font, ids[i]);
        minX = std::min(minX, (pen >> 6) + glyph.boxLeft);
        minY = std::min(minY, int64_t(font.ascent) - glyph.boxTop);
        pen += advanceAfter(i);
    }
    pen = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
        const Glyph& glyph = glyphOf(font, ids[i]);
        const int64_t left = (pen >> 6) + glyph.left - minX;
        const int64_t top = int64_t(font.ascent) - glyph.top - minY;
        const uint8_t* ink = font.ink.data() + glyph.firstInk;
        for (int32_t row = 0; row < glyph.height; ++row) {
            for (int32_t column = 0; column < glyph.width; ++column) {
                if (*ink++ != 0) {
                    plot(left + column, top + row);
                }
            }
        }
        pen += advanceAfter(i);
    }
}

} // namespace plat
