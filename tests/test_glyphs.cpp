// The glyph file: what a damaged one is refused for, and where the layout
// puts each glyph (advances in 1/64 pixel, kerning, ligatures, a glyph
// reaching left of or above the line).
#include "platform/glyphs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace {

// A complete file: every character but 'j' a 1 x 1 glyph of ink, 4 1/2
// pixels wide; 2 + 2 * 254 lines before extra.
std::string completeFile(const std::string& extra = {}) {
    std::string text = "qvglyphs 1\nascent 3\n";
    for (int code = 1; code < 256; ++code) {
        char line[80];
        std::snprintf(line, sizeof line, "glyph %02x adv 288 left 0 top 1 box 0 1 size 1 1\n#\n",
                      code);
        text += code == 'j' ? "" : line;
    }
    return text + extra;
}

// 'j': 1 pixel wide, reaching 2 pixels left of its pen and 2 rows above the
// line.
const std::string kJ = "glyph 6a adv 64 left -2 top 5 box -2 5 size 1 1\n#\n";

std::string parseFailure(const std::string& text) {
    plat::GlyphFont font;
    std::string why;
    return plat::parseGlyphFont(text.data(), text.size(), font, why) ? "" : why;
}

TEST(GlyphFile, DamagedFilesAreRefusedWithTheLineAndTheCause) {
    const std::string full = completeFile(kJ);
    const std::pair<std::string, std::string> cases[] = {
        {"", "line 0: not a glyph file of version 1 (\"qvglyphs 1\" first)"},
        {"qvglyphs 2\n", "line 1: not a glyph file of version 1 (\"qvglyphs 1\" first)"},
        {full.substr(0, full.size() - 2), "line 511: the file ends inside glyph 6a"},
        {completeFile(), "no glyph for character 6a"},
        {"qvglyphs 1\nglyph 41 adv 1 left 0 top 0 box 0 0 size 1 1\n#\n", "no ascent"},
        {"qvglyphs 1\nascent 3\nglyph 00 adv 1 left 0 top 0 box 0 0 size 0 0\n",
         "line 3: a glyph's name is one to three characters of 01..ff"},
        {"qvglyphs 1\nascent 3\nglyph 41 adv 1 left 0 top 0 box 0 0 size 65 1\n",
         "line 3: glyph measure out of range"},
        {"qvglyphs 1\nascent 3\nglyph 41 adv 1 left 0 top 0 box 0 0 size -1 1\n",
         "line 3: glyph measure out of range"},
        {"qvglyphs 1\nascent 3\nglyph 41 adv 1 left 0 top 0 box 0 0 size 2 1\n#x\n",
         "line 4: a row of glyph 41 needs 2 of '#' and '.'"},
        {"qvglyphs 1\nascent 3\nglyph 41 adv 1 left 0 top 0 size 1 1\n#\n",
         "line 3: a glyph record needs: glyph CC adv N left L top T box BL BT size W H"},
        {completeFile("glyph 41 adv 1 left 0 top 0 box 0 0 size 0 0\n"),
         "line 511: second glyph for 41"},
        {completeFile("kern 41 4243 -64\n"), "line 511: kerning before the glyph it names"},
        {completeFile("kern 41 42 -64\nkern 41 42 -32\n" + kJ), "two kerning records for one pair"},
        {completeFile("kern 41 42 99999\n"), "line 511: a kerning record needs: kern NAME NAME N"},
        {completeFile("width 3\n"), "line 511: unknown record \"width\""},
    };
    for (const auto& [text, why] : cases) {
        EXPECT_EQ(parseFailure(text), why);
    }
    EXPECT_EQ(parseFailure(completeFile("# a comment\r\n\r\nkern 41 42 -64\n" + kJ)), "");
}

std::set<std::pair<int64_t, int64_t>> inkOf(const plat::GlyphFont& font, const char* text) {
    std::set<std::pair<int64_t, int64_t>> ink;
    plat::layoutText(font, text, [&](int64_t x, int64_t y) { ink.insert({x, y}); });
    return ink;
}

TEST(GlyphFile, TheLayoutPlacesEachGlyphAtItsPensWholePixel) {
    const std::string text = completeFile(
        // "fi" joins; "A" is kerned 2 pixels closer to "V"; "j" reaches 2
        // pixels left and 2 rows above the line's box.
        "glyph 6669 adv 640 left 0 top 1 box 0 1 size 1 1\n.\n"
        "kern 41 56 -128\n" +
        kJ);
    plat::GlyphFont font;
    std::string why;
    ASSERT_TRUE(plat::parseGlyphFont(text.data(), text.size(), font, why)) << why;
    using Ink = std::set<std::pair<int64_t, int64_t>>;
    const std::pair<const char*, Ink> cases[] = {
        {"", {}},
        {"a", {{0, 2}}},
        // Pens at 0, 4.5, 9 and 13.5 pixels: floored each.
        {"aaaa", {{0, 2}, {4, 2}, {9, 2}, {13, 2}}},
        {"AV", {{0, 2}, {2, 2}}},
        {"VA", {{0, 2}, {4, 2}}},
        {"fix", {{10, 2}}},
        {"ja", {{0, 0}, {3, 4}}},
        {"aj", {{0, 4}, {2, 0}}},
    };
    for (const auto& [line, ink] : cases) {
        EXPECT_EQ(inkOf(font, line), ink) << line;
    }
}

} // namespace
