// What the player is told when the game cannot go on: exactly one line,
// naming what failed and the file, for each way a data file can be wrong.
#include "support.h"

#include "platform/faults.h"
#include "platform/glyphs.h"
#include "platform/report.h"
#include "shell/entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(uint8_t(v >> (8 * i)));
    }
}

// A WAVE file with a "fmt " chunk of the given tag, channels and bits, and
// a short "data" chunk.
std::vector<uint8_t> wave(uint16_t tag, uint16_t channels, uint16_t bits) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    put32(out, 4 + 8 + 16 + 8 + 8);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    const uint16_t align = uint16_t(channels * bits / 8);
    out.insert(out.end(), {uint8_t(tag), uint8_t(tag >> 8), uint8_t(channels), 0});
    put32(out, 22050);
    put32(out, 22050u * align);
    out.insert(out.end(), {uint8_t(align), 0, uint8_t(bits), 0, 'd', 'a', 't', 'a'});
    put32(out, 8);
    out.insert(out.end(), 8, 0);
    return out;
}

std::vector<uint8_t> text(const std::string& lines) {
    return {lines.begin(), lines.end()};
}

class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProgram();
        copyData(data_.path());
    }
    void TearDown() override { freshProgram(); }

    // Runs the program in the (broken) data copy, a game started at once;
    // returns its exit code.
    int run() {
        WorkingDirectory here(data_.path());
        headless::holdKeys({plat::Key::Enter});
        return gameMain();
    }

    std::string file(const char* relative) const {
        return (fs::canonical(data_.path()) / fs::path(relative).make_preferred()).string();
    }

    TempDir data_;
};

TEST_F(ReportTest, EachBrokenDataFileGetsOneLineNamingIt) {
    struct Case {
        const char* file;
        std::vector<uint8_t> bytes; // empty: the file is removed
        std::string expected;       // the line less the program's name
    };
    const std::vector<uint8_t> tinySheet = makeBitmap(16, 16, 8, std::vector<uint8_t>(256, 1), 256);
    std::vector<uint8_t> cutPalette = tinySheet;
    cutPalette.resize(54 + 100);
    const Case cases[] = {
        {"images/images.bmp",
         {},
         "cannot load " + file("images/images.bmp") + ": No such file or directory"},
        {"images/images.bmp",
         {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "cannot load " + file("images/images.bmp") +
             ": not a Windows bitmap (it does not start with \"BM\")"},
        {"images/images.bmp", cutPalette,
         "cannot load " + file("images/images.bmp") + ": the file ends inside its palette"},
        {"images/images.bmp", tinySheet,
         "the pictures do not fit in " + file("images/images.bmp") +
             ": 16 x 16 pixels is too small a sprite sheet"},
        {"sons/Laser.wav",
         {},
         "cannot load " + file("sons/Laser.wav") + ": No such file or directory"},
        {"sons/explosion2.wav",
         {'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
         "cannot load " + file("sons/explosion2.wav") + ": not a RIFF/WAVE file"},
        {"sons/metamorphose2.wav", wave(2, 1, 4),
         "refused sound format in " + file("sons/metamorphose2.wav") +
             ": format tag 2, compressed or floating-point samples (only PCM plays)"},
        {"sons/Plante_pousse.wav", wave(1, 1, 24),
         "refused sound format in " + file("sons/Plante_pousse.wav") +
             ": 24 bits per sample (8 or 16 play)"},
        {plat::kGlyphFile,
         {},
         "cannot load " + file(plat::kGlyphFile) + ": No such file or directory"},
        {plat::kGlyphFile, text("qvglyphs 2\n"),
         "cannot load " + file(plat::kGlyphFile) +
             ": line 1: not a glyph file of version 1 (\"qvglyphs 1\" first)"},
        {"images/images.bmp", makeBitmap(4, 4, 24, std::vector<uint8_t>(48, 1), 48),
         "cannot load " + file("images/images.bmp") +
             ": a 24-bit picture; the sheet must be 8-bit with its palette"},
        // What a file says reaches the line bounded and harmless.
        {plat::kGlyphFile, text("qvglyphs 1\n\x1b[2J\r" + std::string(100000, 'w') + "\n"),
         "cannot load " + file(plat::kGlyphFile) + ": line 2: unknown record \"\\x1B[2J\\x0D" +
             std::string(55, 'w') + "...\""},
        {plat::kGlyphFile, std::vector<uint8_t>((4u << 20) + 1, 'x'),
         "cannot load " + file(plat::kGlyphFile) +
             ": the file holds 4.1 MiB, more than the 4.0 MiB such a file may take"},
    };
    for (const Case& broken : cases) {
        freshProgram();
        fs::remove_all(data_.path());
        copyData(data_.path());
        if (broken.bytes.empty()) {
            fs::remove(data_.path() / broken.file);
        } else {
            writeFile(data_.path() / broken.file, broken.bytes);
        }
        EXPECT_EQ(run(), 1) << broken.expected;
        const std::vector<std::string> lines = headless::errorLines();
        ASSERT_EQ(lines.size(), 1u) << broken.expected;
        EXPECT_EQ(asNamedIn(data_.path(), lines[0]),
                  asNamedIn(data_.path(), "quorvelindaxtor: " + broken.expected));
    }
}

TEST(ReportText, QuotesAtMostSixtyCharactersEscapedAndRoundsSizesApart) {
    const struct {
        std::string text;
        std::string quoted;
    } quotes[] = {
        {"", ""},
        {"plain words", "plain words"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\x1b[2J\rover\x7f", "\\x1B[2J\\x0Dover\\x7F"},
        {std::string(60, 'k'), std::string(60, 'k')},
        {std::string(61, 'k'), std::string(60, 'k') + "..."},
        {std::string(59, 'k') + "\n\n", std::string(59, 'k') + "\\x0A..."},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
    };
    for (const auto& c : quotes) {
        EXPECT_EQ(plat::quoted(c.text), c.quoted);
    }
    const struct {
        uint64_t bytes;
        plat::Rounding rounding;
        const char* text;
    } sizes[] = {
        {0, plat::Rounding::Up, "0 bytes"},
        {1048575, plat::Rounding::Up, "1048575 bytes"},
        {4u << 20, plat::Rounding::Up, "4.0 MiB"},
        {(4u << 20) + 1, plat::Rounding::Up, "4.1 MiB"},
        {(4u << 20) + 1, plat::Rounding::Down, "4.0 MiB"},
        {(5u << 20) - 1, plat::Rounding::Down, "4.9 MiB"},
        {(16u << 20), plat::Rounding::Down, "16.0 MiB"},
        {(2ull << 30) + 1, plat::Rounding::Up, "2.1 GiB"},
        {UINT64_MAX, plat::Rounding::Up, "17179869184.0 GiB"},
    };
    for (const auto& c : sizes) {
        EXPECT_EQ(plat::sizeText(c.bytes, c.rounding), c.text) << c.bytes;
    }
}

TEST_F(ReportTest, DevicesThatFailAreNamedAndAQuitSaysNothing) {
    plat::failOn(plat::Fault::DisplayOpen);
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(headless::errorLines(),
              std::vector<std::string>{
                  "quorvelindaxtor: cannot open the display: no desktop to show the game on"});

    freshProgram();
    plat::failOn(plat::Fault::AudioOpen);
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(headless::errorLines(),
              std::vector<std::string>{"quorvelindaxtor: cannot open the sound device"});

    // A refusal that nothing noted still ends with a line.
    freshProgram();
    plat::failOn(plat::Fault::Blit, 3);
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(headless::errorLines(),
              std::vector<std::string>{"quorvelindaxtor: stopped because the display or the "
                                       "sound device refused a request"});

    freshProgram();
    WorkingDirectory here(data_.path());
    headless::holdKeys({plat::Key::Escape});
    EXPECT_EQ(gameMain(), 0);
    EXPECT_TRUE(headless::errorLines().empty());
}

TEST_F(ReportTest, OnlyTheFirstNoteIsWrittenAndOnlyOnce) {
    plat::noteFailure("cannot load", "images/images.bmp", "first");
    plat::noteFailure("cannot load", "sons/Laser.wav", "second");
    plat::reportFailure();
    plat::reportFailure();
    ASSERT_EQ(headless::errorLines().size(), 1u);
    EXPECT_NE(headless::errorLines()[0].find("images.bmp: first"), std::string::npos);
}

} // namespace
