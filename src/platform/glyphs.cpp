// Reading the glyph file: every number checked against the limits a 13-pixel
// font can reach before anything is drawn from it.
#include "platform/glyphs.h"

#include "platform/files.h"
#include "platform/report.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace plat {

namespace {

constexpr int32_t kMaxSide = 64;      // a glyph's picture, pixels
constexpr int32_t kMaxOffset = 256;   // bearings and the ascent, pixels
constexpr int32_t kMaxAdvance = 4096; // 64 pixels in 1/64 pixel
constexpr size_t kMaxFileSize = 4u << 20;
constexpr size_t kMaxLigatures = 1024;

// The words of one line.
std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
            ++at;
        }
        const size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
            ++at;
        }
        if (at > start) {
            words.push_back(line.substr(start, at - start));
        }
    }
    return words;
}

bool readNumber(std::string_view word, int32_t low, int32_t high, int32_t& value, int base = 10) {
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value, base);
    return error == std::errc() && stop == end && value >= low && value <= high;
}

// A glyph's name: one to three characters, two hex digits each.
bool readName(std::string_view word, std::string& characters) {
    if (word.empty() || word.size() > 6 || word.size() % 2 != 0) {
        return false;
    }
    characters.clear();
    for (size_t at = 0; at < word.size(); at += 2) {
        int32_t code = 0;
        if (!readNumber(word.substr(at, 2), 1, 255, code, 16)) {
            return false;
        }
        characters += char(code);
    }
    return true;
}

class Reader {
  public:
    Reader(const char* text, size_t size) : text_(text, size) {}

    // The next line that is not blank or a comment; false at the end.
    bool next(std::string_view& line) {
        while (nextRow(line)) {
            if (!line.empty() && line[0] != '#' && !splitWords(line).empty()) {
                return true;
            }
        }
        return false;
    }

    // The next line as it is, for a glyph's rows; false at the end.
    bool nextRow(std::string_view& line) {
        if (at_ >= text_.size()) {
            return false;
        }
        const size_t end = std::min(text_.find('\n', at_), text_.size());
        line = text_.substr(at_, end - at_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        at_ = end + 1;
        ++number_;
        return true;
    }

    bool fail(std::string& why, const std::string& what) const {
        why = "line " + std::to_string(number_) + ": " + what;
        return false;
    }

  private:
    std::string_view text_;
    size_t at_ = 0;
    int number_ = 0;
};

// The glyph of these characters, or 0 when the file has given none yet.
GlyphId glyphNamed(const GlyphFont& font, const std::string& characters) {
    if (characters.size() == 1) {
        return font.glyphs[uint8_t(characters[0])].present ? uint8_t(characters[0]) : 0;
    }
    for (size_t i = 0; i < font.ligatures.size(); ++i) {
        if (font.ligatures[i].characters == characters) {
            return GlyphId(256 + i);
        }
    }
    return 0;
}

bool readGlyph(Reader& reader, const std::vector<std::string_view>& words, GlyphFont& font,
               std::string& why) {
    // glyph CC adv N left L top T box BL BT size W H
    static constexpr const char* kKeys[] = {"adv", "left", "top", "box", "size"};
    if (words.size() != 14 || words[2] != kKeys[0] || words[4] != kKeys[1] ||
        words[6] != kKeys[2] || words[8] != kKeys[3] || words[11] != kKeys[4]) {
        return reader.fail(why, "a glyph record needs: glyph CC adv N left L top T box BL BT "
                                "size W H");
    }
    std::string characters;
    if (!readName(words[1], characters)) {
        return reader.fail(why, "a glyph's name is one to three characters of 01..ff");
    }
    if (characters.size() > 1 && font.ligatures.size() >= kMaxLigatures) {
        return reader.fail(why, "more than " + std::to_string(kMaxLigatures) + " ligatures");
    }
    if (glyphNamed(font, characters) != 0) {
        return reader.fail(why, "second glyph for " + std::string(words[1]));
    }
    Glyph* slot = nullptr;
    if (characters.size() == 1) {
        slot = &font.glyphs[uint8_t(characters[0])];
    } else {
        font.ligatures.push_back({characters, {}});
        slot = &font.ligatures.back().glyph;
    }
    Glyph& glyph = *slot;
    if (!readNumber(words[3], -kMaxAdvance, kMaxAdvance, glyph.advance) ||
        !readNumber(words[5], -kMaxOffset, kMaxOffset, glyph.left) ||
        !readNumber(words[7], -kMaxOffset, kMaxOffset, glyph.top) ||
        !readNumber(words[9], -kMaxOffset, kMaxOffset, glyph.boxLeft) ||
        !readNumber(words[10], -kMaxOffset, kMaxOffset, glyph.boxTop) ||
        !readNumber(words[12], 0, kMaxSide, glyph.width) ||
        !readNumber(words[13], 0, kMaxSide, glyph.height)) {
        return reader.fail(why, "glyph measure out of range");
    }
    glyph.present = true;
    glyph.firstInk = font.ink.size();
    for (int32_t row = 0; row < glyph.height; ++row) {
        std::string_view line;
        if (!reader.nextRow(line)) {
            return reader.fail(why, "the file ends inside glyph " + std::string(words[1]));
        }
        if (line.size() != size_t(glyph.width) ||
            line.find_first_not_of("#.") != std::string_view::npos) {
            return reader.fail(why, "a row of glyph " + std::string(words[1]) + " needs " +
                                        std::to_string(glyph.width) + " of '#' and '.'");
        }
        for (char pixel : line) {
            font.ink.push_back(pixel == '#' ? 1 : 0);
        }
    }
    return true;
}

} // namespace

bool parseGlyphFont(const char* text, size_t size, GlyphFont& font, std::string& why) {
    font = GlyphFont{};
    Reader reader(text, size);
    std::string_view line;
    if (!reader.next(line) || splitWords(line) != std::vector<std::string_view>{"qvglyphs", "1"}) {
        return reader.fail(why, "not a glyph file of version 1 (\"qvglyphs 1\" first)");
    }
    bool haveAscent = false;
    while (reader.next(line)) {
        const std::vector<std::string_view> words = splitWords(line);
        if (words[0] == "ascent") {
            if (haveAscent || words.size() != 2 ||
                !readNumber(words[1], 0, kMaxOffset, font.ascent)) {
                return reader.fail(why, "one ascent of 0.." + std::to_string(kMaxOffset));
            }
            haveAscent = true;
        } else if (words[0] == "glyph") {
            if (!readGlyph(reader, words, font, why)) {
                return false;
            }
        } else if (words[0] == "kern") {
            std::string first;
            std::string second;
            KerningPair pair;
            if (words.size() != 4 || !readName(words[1], first) || !readName(words[2], second) ||
                !readNumber(words[3], -kMaxAdvance, kMaxAdvance, pair.adjust)) {
                return reader.fail(why, "a kerning record needs: kern NAME NAME N");
            }
            const GlyphId firstId = glyphNamed(font, first);
            const GlyphId secondId = glyphNamed(font, second);
            if (firstId == 0 || secondId == 0) {
                return reader.fail(why, "kerning before the glyph it names");
            }
            pair.pair = uint32_t(firstId) << 16 | secondId;
            font.kerning.push_back(pair);
        } else {
            return reader.fail(why, "unknown record \"" + quoted(words[0]) + "\"");
        }
    }
    if (!haveAscent) {
        why = "no ascent";
        return false;
    }
    for (int code = 1; code < 256; ++code) {
        if (!font.glyphs[code].present) {
            char name[3];
            std::snprintf(name, sizeof name, "%02x", code);
            why = std::string("no glyph for character ") + name;
            return false;
        }
    }
    std::sort(font.kerning.begin(), font.kerning.end(),
              [](const KerningPair& a, const KerningPair& b) { return a.pair < b.pair; });
    const auto twice = std::adjacent_find(
        font.kerning.begin(), font.kerning.end(),
        [](const KerningPair& a, const KerningPair& b) { return a.pair == b.pair; });
    if (twice != font.kerning.end()) {
        why = "two kerning records for one pair";
        return false;
    }
    return true;
}

bool loadGlyphFont(const char* path, GlyphFont& font) {
    std::string why;
    std::FILE* file = openDataFile(path, kMaxFileSize, nullptr, &why);
    if (file == nullptr) {
        noteFailure("cannot load", path, why);
        return false;
    }
    std::string text;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() <= kMaxFileSize) {
        text.append(chunk, got);
    }
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (readFailed) {
        why = "read error";
    } else if (text.size() > kMaxFileSize) {
        why =
            "larger than the " + sizeText(kMaxFileSize, Rounding::Down) + " a glyph file may take";
    } else if (parseGlyphFont(text.data(), text.size(), font, why)) {
        return true;
    }
    font = GlyphFont{};
    noteFailure("cannot load", path, why);
    return false;
}

int32_t kerningBetween(const GlyphFont& font, GlyphId first, GlyphId second) {
    const uint32_t pair = uint32_t(first) << 16 | second;
    const auto found =
        std::lower_bound(font.kerning.begin(), font.kerning.end(), pair,
                         [](const KerningPair& entry, uint32_t key) { return entry.pair < key; });
    return found != font.kerning.end() && found->pair == pair ? found->adjust : 0;
}

std::vector<GlyphId> glyphsOf(const GlyphFont& font, const char* text) {
    std::vector<GlyphId> ids;
    const std::string_view line(text);
    size_t at = 0;
    while (at < line.size()) {
        GlyphId id = uint8_t(line[at]);
        size_t length = 1;
        for (size_t i = 0; i < font.ligatures.size(); ++i) {
            const std::string& characters = font.ligatures[i].characters;
            if (characters.size() > length &&
                line.compare(at, characters.size(), characters) == 0) {
                id = GlyphId(256 + i);
                length = characters.size();
            }
        }
        ids.push_back(id);
        at += length;
    }
    return ids;
}

const Glyph& glyphOf(const GlyphFont& font, GlyphId id) {
    return id < 256 ? font.glyphs[id] : font.ligatures[id - 256].glyph;
}

} // namespace plat
