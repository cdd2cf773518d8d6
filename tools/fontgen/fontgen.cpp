// quorvelindaxtor-fontgen FONT DATA: makes the game's font data in the
// repository's data directory DATA from the DejaVu Sans Bold file FONT, once:
//   DATA/font/dejavu-sans-bold-13.glyphs  the text's glyphs (format in
//                                         src/platform/glyphs.h)
//   DATA/font/masks/*.pgm                 the sprite sheet's captions and
//                                         logo, 8-bit coverage (binary PGM)
// quorvelindaxtor-fontgen --check FONT DATA [COUNT]: writes nothing; draws
// the game's strings and COUNT random Windows-1252 strings (default 5000)
// from the glyph file and with SDL_ttf, and counts the lines whose pixels
// differ (FONTGEN_SHOW set in the environment prints both pictures of each).
//
// The game's text was drawn by SDL_ttf 2.20 with HarfBuzz: TTF_RenderUTF8_Solid
// at 13 pt (72 dpi), normal hinting. HarfBuzz shapes the line with FreeType's
// hinted advances and the font's kerning (GPOS); each glyph's 1-bit picture
// (FreeType's mono rendering) sits at its pen's whole pixel (the pen floored),
// its top at the ascent minus its top bearing. The glyph file keeps those
// numbers per character, and the kerning pair by pair, as HarfBuzz gives them.
// Shaped as SDL_ttf shapes (script unknown), DejaVu Sans Bold gets neither
// kerning nor ligatures: the file has none, though its format has room.
#include "data_files.h"
#include "platform/glyphs.h"
#include "text_masks.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kPointSize = 13;

// The characters 0x80..0x9F of Windows-1252; the five holes show U+FFFD.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char32_t unicodeOf(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
}

std::string utf8FromWindows1252(const std::string& text) {
    std::string out;
    for (unsigned char byte : text) {
        const char32_t code = unicodeOf(byte);
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

// The strings the game draws: the title, the controls, the game-over line
// and the panel's numbers.
const char* const kGameStrings[] = {
    "Presser [Entrer] pour d\xE9marrer le jeu",
    "Presser [F3] pour afficher les commandes du jeu",
    "Presser [Echappe] pour terminer le jeu",
    "Fl\xE8"
    "che du haut : d\xE9placement vertical vers le haut",
    "Fl\xE8"
    "che du bas : d\xE9placement vertical vers le bas",
    "Fl\xE8"
    "che du gauche : rotation \xE0 gauche",
    "Fl\xE8"
    "che du droite : rotation \xE0 droite",
    "Barre espace : tir",
    "Presser [F4] pour sortir",
    "Vous avez perdu !",
    "0",
    "-1",
    "-2147483648",
    "2147483647",
};

// SDL_ttf's font and FreeType and HarfBuzz set up as SDL_ttf sets them up.
struct Fonts {
    TTF_Font* ttf = nullptr;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    hb_font_t* shaper = nullptr;

    bool open(const char* path) {
        if (TTF_Init() != 0 || (ttf = TTF_OpenFont(path, kPointSize)) == nullptr) {
            std::fprintf(stderr, "fontgen: cannot open %s: %s\n", path, TTF_GetError());
            return false;
        }
        if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, path, 0, &face) != 0 ||
            FT_Set_Char_Size(face, 0, kPointSize * 64, 0, 0) != 0) {
            std::fprintf(stderr, "fontgen: FreeType cannot open %s\n", path);
            return false;
        }
        shaper = hb_ft_font_create_referenced(face);
        hb_ft_font_set_load_flags(shaper, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL);
        return true;
    }
    ~Fonts() {
        if (shaper != nullptr) {
            hb_font_destroy(shaper);
        }
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
        if (ttf != nullptr) {
            TTF_CloseFont(ttf);
        }
        TTF_Quit();
    }

    struct Shaped {
        unsigned glyph;
        hb_glyph_position_t position;
    };
    std::vector<Shaped> shape(const std::string& text) const {
        hb_buffer_t* buffer = hb_buffer_create();
        const std::string utf8 = utf8FromWindows1252(text);
        hb_buffer_add_utf8(buffer, utf8.c_str(), -1, 0, -1);
        // SDL_ttf's defaults: left to right, script unknown, no language.
        hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
        hb_buffer_set_script(buffer, HB_SCRIPT_UNKNOWN);
        hb_shape(shaper, buffer, nullptr, 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
        std::vector<Shaped> out;
        for (unsigned i = 0; i < count; ++i) {
            out.push_back({info[i].codepoint, position[i]});
        }
        hb_buffer_destroy(buffer);
        return out;
    }
};

// One glyph of the file: the characters it shows, its font glyph, advance.
struct Unit {
    std::string characters;
    unsigned glyph = 0;
    int32_t advance = 0;
};

std::string nameOf(const std::string& characters) {
    std::string name;
    for (unsigned char byte : characters) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        name += hex;
    }
    return name;
}

// The glyph's record: SDL_ttf's solid picture of it, FreeType's mono
// rendering of the hinted outline, and the box it measures lines by.
bool glyphRecord(const Fonts& fonts, const Unit& unit, std::string& out) {
    if (FT_Load_Glyph(fonts.face, unit.glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) {
        return false;
    }
    const FT_Glyph_Metrics metrics = fonts.face->glyph->metrics;
    if (FT_Render_Glyph(fonts.face->glyph, FT_RENDER_MODE_MONO) != 0) {
        return false;
    }
    const FT_GlyphSlot slot = fonts.face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    // Whole pixels at or below the bearings, as SDL_ttf floors them.
    const int boxLeft = int((metrics.horiBearingX & -64) / 64);
    const int boxTop = int((metrics.horiBearingY & -64) / 64);
    char head[160];
    std::snprintf(head, sizeof head, "glyph %s adv %d left %d top %d box %d %d size %u %u\n",
                  nameOf(unit.characters).c_str(), unit.advance, slot->bitmap_left,
                  slot->bitmap_top, boxLeft, boxTop, bitmap.width, bitmap.rows);
    out += head;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* bits = bitmap.buffer + int(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            out += (bits[column >> 3] & (0x80 >> (column & 7))) != 0 ? '#' : '.';
        }
        out += '\n';
    }
    return true;
}

bool plainGlyph(const std::vector<Fonts::Shaped>& shaped) {
    return shaped.size() == 1 && shaped[0].position.x_offset == 0 &&
           shaped[0].position.y_offset == 0;
}

bool writeGlyphFile(const Fonts& fonts, const std::filesystem::path& file) {
    std::string out = "# The game's font: DejaVu Sans Bold at 13 pt, without anti-aliasing, every\n"
                      "# Windows-1252 character. Made by quorvelindaxtor-fontgen; the font's\n"
                      "# licence is in LICENSE beside this file. Format: src/platform/glyphs.h.\n"
                      "qvglyphs 1\n";
    out += "ascent " + std::to_string(TTF_FontAscent(fonts.ttf)) + "\n";
    int problems = 0;
    std::vector<Unit> units;
    for (int code = 1; code < 256; ++code) {
        const std::string characters(1, char(code));
        const auto shaped = fonts.shape(characters);
        if (!plainGlyph(shaped)) {
            std::fprintf(stderr, "fontgen: character %02x is not one plain glyph\n", code);
            ++problems;
            continue;
        }
        units.push_back({characters, shaped[0].glyph, shaped[0].position.x_advance});
    }
    // Ligatures: pairs the font joins, and triples that start with a
    // character some pair starts with.
    std::vector<char> startsLigature(256, 0);
    for (int a = 1; a < 256; ++a) {
        for (int b = 1; b < 256; ++b) {
            const std::string characters{char(a), char(b)};
            const auto shaped = fonts.shape(characters);
            if (plainGlyph(shaped)) {
                units.push_back({characters, shaped[0].glyph, shaped[0].position.x_advance});
                startsLigature[a] = 1;
            }
        }
    }
    for (int a = 1; a < 256; ++a) {
        for (int b = 1; b < 256 && startsLigature[a] != 0; ++b) {
            for (int c = 1; c < 256; ++c) {
                const std::string characters{char(a), char(b), char(c)};
                const auto shaped = fonts.shape(characters);
                if (plainGlyph(shaped)) {
                    units.push_back({characters, shaped[0].glyph, shaped[0].position.x_advance});
                }
            }
        }
    }
    for (const Unit& unit : units) {
        if (!glyphRecord(fonts, unit, out)) {
            std::fprintf(stderr, "fontgen: cannot render %s\n", nameOf(unit.characters).c_str());
            ++problems;
        }
    }
    // Kerning, pair by pair: how far HarfBuzz moves the second glyph. A pair
    // the font would join into a ligature never stands side by side.
    int pairs = 0;
    for (const Unit& first : units) {
        for (const Unit& second : units) {
            const auto shaped = fonts.shape(first.characters + second.characters);
            if (shaped.size() != 2 || shaped[0].glyph != first.glyph ||
                shaped[1].glyph != second.glyph) {
                continue;
            }
            if (shaped[1].position.x_advance != second.advance ||
                shaped[0].position.x_offset != 0 || shaped[1].position.x_offset != 0 ||
                shaped[0].position.y_offset != 0 || shaped[1].position.y_offset != 0) {
                std::fprintf(stderr, "fontgen: pair %s %s is not kerning alone\n",
                             nameOf(first.characters).c_str(), nameOf(second.characters).c_str());
                ++problems;
                continue;
            }
            const int adjust = shaped[0].position.x_advance - first.advance;
            if (adjust != 0) {
                out += "kern " + nameOf(first.characters) + " " + nameOf(second.characters) + " " +
                       std::to_string(adjust) + "\n";
                ++pairs;
            }
        }
    }
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << out;
    std::printf("fontgen: %s: %zu bytes, %zu glyphs, %d kerning pairs, %d problems\n", file.c_str(),
                out.size(), units.size(), pairs, problems);
    return static_cast<bool>(stream) && problems == 0;
}

using textMasks::kMaskFiles;

bool writeMasks(const char* fontFile, const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    for (const textMasks::MaskFile& mask : kMaskFiles) {
        TTF_Font* font = TTF_OpenFont(fontFile, mask.pointSize);
        if (font == nullptr) {
            return false;
        }
        TTF_SetFontOutline(font, mask.outline);
        SDL_Surface* rendered =
            TTF_RenderUTF8_Blended(font, mask.text, SDL_Color{255, 255, 255, 255});
        TTF_CloseFont(font);
        SDL_Surface* argb = rendered == nullptr
                                ? nullptr
                                : SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(rendered);
        if (argb == nullptr) {
            return false;
        }
        std::string out = "P5\n# " + std::string(mask.text) + ", DejaVu Sans Bold " +
                          std::to_string(mask.pointSize) + " pt, outline " +
                          std::to_string(mask.outline) + "\n" + std::to_string(argb->w) + " " +
                          std::to_string(argb->h) + "\n255\n";
        SDL_LockSurface(argb);
        for (int y = 0; y < argb->h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(
                static_cast<const uint8_t*>(argb->pixels) + size_t(y) * argb->pitch);
            for (int x = 0; x < argb->w; ++x) {
                out += char(row[x] >> 24);
            }
        }
        SDL_UnlockSurface(argb);
        SDL_FreeSurface(argb);
        std::ofstream stream(dir / mask.file, std::ios::binary | std::ios::trunc);
        stream << out;
        if (!stream) {
            return false;
        }
    }
    return true;
}

// Compares one string's pixels; true when they are the same.
bool sameAsLibrary(const Fonts& fonts, const plat::GlyphFont& glyphs, const std::string& text) {
    const std::string utf8 = utf8FromWindows1252(text);
    SDL_Surface* rendered =
        TTF_RenderUTF8_Solid(fonts.ttf, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    const int width = rendered != nullptr ? rendered->w : 0;
    const int height = rendered != nullptr ? rendered->h : 0;
    std::vector<uint8_t> theirs(size_t(width) * height, 0);
    if (rendered != nullptr) {
        SDL_LockSurface(rendered);
        for (int y = 0; y < height; ++y) {
            const auto* row = static_cast<const uint8_t*>(rendered->pixels) + y * rendered->pitch;
            for (int x = 0; x < width; ++x) {
                theirs[size_t(y) * width + x] = row[x] != 0;
            }
        }
        SDL_UnlockSurface(rendered);
        SDL_FreeSurface(rendered);
    }
    std::vector<uint8_t> ours(theirs.size(), 0);
    bool outside = false;
    plat::layoutText(glyphs, text.c_str(), [&](int64_t x, int64_t y) {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            outside = true;
        } else {
            ours[size_t(y) * width + size_t(x)] = 1;
        }
    });
    if (std::getenv("FONTGEN_SHOW") != nullptr && (outside || ours != theirs)) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::fputc(theirs[size_t(y) * width + x] ? '#' : '.', stderr);
            }
            std::fputc(' ', stderr);
            for (int x = 0; x < width; ++x) {
                std::fputc(ours[size_t(y) * width + x] ? '#' : '.', stderr);
            }
            std::fputc('\n', stderr);
        }
    }
    return !outside && ours == theirs;
}

std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char byte : text) {
        char hex[5];
        std::snprintf(hex, sizeof hex, byte >= 0x20 && byte < 0x7F ? "%c" : "\\x%02x", byte);
        out += hex;
    }
    return out;
}

int check(const Fonts& fonts, const std::filesystem::path& file, int count) {
    std::ifstream stream(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(stream)), {});
    plat::GlyphFont glyphs;
    std::string why;
    if (!plat::parseGlyphFont(text.data(), text.size(), glyphs, why)) {
        std::fprintf(stderr, "fontgen: %s: %s\n", file.c_str(), why.c_str());
        return 1;
    }
    int gameMismatches = 0;
    for (const char* line : kGameStrings) {
        if (!sameAsLibrary(fonts, glyphs, line)) {
            std::fprintf(stderr, "fontgen: differs: \"%s\"\n", printable(line).c_str());
            ++gameMismatches;
        }
    }
    std::mt19937 random(20261208);
    // Printable characters, and now and then a control character.
    std::uniform_int_distribution<int> length(1, 40);
    std::uniform_int_distribution<int> printableByte(0x20, 0xFF);
    std::uniform_int_distribution<int> anyByte(0x01, 0xFF);
    // Every fifth string from letters that join and kern.
    const std::string joining = "ffiflTAVWYo.,\xAD -";
    std::uniform_int_distribution<size_t> joiningIndex(0, joining.size() - 1);
    int randomMismatches = 0;
    for (int i = 0; i < count; ++i) {
        std::string line;
        const int n = length(random);
        for (int k = 0; k < n; ++k) {
            line += i % 5 == 4    ? joining[joiningIndex(random)]
                    : i % 10 == 9 ? char(anyByte(random))
                                  : char(printableByte(random));
        }
        if (!sameAsLibrary(fonts, glyphs, line)) {
            if (randomMismatches < 20) {
                std::fprintf(stderr, "fontgen: differs: \"%s\"\n", printable(line).c_str());
            }
            ++randomMismatches;
        }
    }
    std::printf("fontgen: the game's %zu strings: %d differ; %d random strings: %d differ\n",
                std::size(kGameStrings), gameMismatches, count, randomMismatches);
    return gameMismatches == 0 && randomMismatches == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool checking = argc >= 2 && std::strcmp(argv[1], "--check") == 0;
    const int first = checking ? 2 : 1;
    if (argc < first + 2 || argc > first + 3 || (!checking && argc != 3)) {
        std::fprintf(stderr, "usage: quorvelindaxtor-fontgen [--check] FONT DATA [COUNT]\n");
        return 2;
    }
    SDL_SetMainReady();
    Fonts fonts;
    if (!fonts.open(argv[first])) {
        return 1;
    }
    const std::filesystem::path data = argv[first + 1];
    const std::filesystem::path glyphFile = data / dataFiles::onDisk(dataFiles::kGlyphs);
    if (checking) {
        const int count = argc > first + 2 ? std::atoi(argv[first + 2]) : 5000;
        return check(fonts, glyphFile, count);
    }
    std::filesystem::create_directories(glyphFile.parent_path());
    if (!writeGlyphFile(fonts, glyphFile) ||
        !writeMasks(argv[first], glyphFile.parent_path() / "masks")) {
        std::fprintf(stderr, "fontgen: could not write the font data in %s\n", data.c_str());
        return 1;
    }
    return check(fonts, glyphFile, 5000);
}
