// The generated sprite sheet as the game reads it: its format, every
// picture in its cell on transparent surroundings, the ship's 72 turns about
// the cell's centre, the base's outline on its hit steps, the animations'
// course, dark ground under the game's white texts, and the same bytes from
// every run of the generator.
#include "support.h"

#include "graphics/bitmap.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

const std::string kSheetPath = QV_DATA_DIR "/images/images.bmp";
constexpr int kWidth = 648;
constexpr int kHeight = 2320;

// A picture's cell: cut origin and size. Only columns x + 1 .. x + w - 1 and
// rows y + 1 .. y + h - 1 are ever shown.
struct Cell {
    int x;
    int y;
    int w;
    int h;
};

Cell explosionCell(int k) {
    return {48 * (k % 13), 480 + 48 * (k / 13), 48, 48};
}
Cell shipCell(int k) {
    return {48 * ((k + 1) % 13), 528 + 48 * ((k + 1) / 13), 48, 48};
}
Cell baseCell(int k) {
    return {304 * k, 816, 304, 104};
}
Cell baseFallCell(int k) {
    return {324 * (k % 2), 920 + 124 * (k / 2), 324, 124};
}
Cell sowerCell(int k) {
    return {48 * k, 2268, 48, 48};
}
const Cell kBackground{0, 0, 640, 480};
const Cell kTitle{0, 1788, 640, 480};
const Cell kSpore{624, 480, 16, 16};
const Cell kSeedPod{624, 496, 16, 16};
const Cell kVine{624, 512, 16, 16};
const Cell kShot{624, 528, 8, 8};

struct NamedCell {
    std::string name;
    Cell cell;
};

// Every picture drawn with the transparent colour.
std::vector<NamedCell> spriteCells() {
    std::vector<NamedCell> cells = {
        {"spore", kSpore}, {"seed pod", kSeedPod}, {"vine", kVine}, {"shot", kShot}};
    for (int k = 0; k < 14; ++k) {
        cells.push_back({"explosion " + std::to_string(k), explosionCell(k)});
        cells.push_back({"base fall " + std::to_string(k), baseFallCell(k)});
    }
    for (int k = 0; k < 72; ++k) {
        cells.push_back({"ship " + std::to_string(k), shipCell(k)});
    }
    for (int k = 0; k < 2; ++k) {
        cells.push_back({"base " + std::to_string(k), baseCell(k)});
    }
    for (int k = 0; k < 6; ++k) {
        cells.push_back({"sower " + std::to_string(k), sowerCell(k)});
    }
    return cells;
}

// Shown pixels that are not transparent, in cell coordinates (1 .. w - 1).
using Mask = std::set<std::pair<int, int>>;

double overlap(const Mask& a, const Mask& b) {
    size_t both = 0;
    for (const auto& p : a) {
        both += b.count(p);
    }
    return static_cast<double>(both) / static_cast<double>(a.size() + b.size() - both);
}

// A 48 x 48 cell's mask turned clockwise on screen by degrees about the
// cell's centre pixel (24, 24), by nearest pixel.
Mask turned(const Mask& mask, double degrees) {
    const double a = degrees * 3.14159265358979 / 180.0;
    Mask out;
    for (int j = 1; j < 48; ++j) {
        for (int i = 1; i < 48; ++i) {
            const double dx = i - 24;
            const double dy = j - 24;
            const double sx = dx * std::cos(a) + dy * std::sin(a);
            const double sy = -dx * std::sin(a) + dy * std::cos(a);
            if (mask.count({static_cast<int>(std::lround(sx)) + 24,
                            static_cast<int>(std::lround(sy)) + 24})) {
                out.insert({i, j});
            }
        }
    }
    return out;
}

class SpriteSheet : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        sheet_ = BitmapImage{};
        sheet_.pixels = nullptr;
        loaded_ = loadBitmapFile(sheet_, kSheetPath.c_str());
    }
    static void TearDownTestSuite() { freeBitmapPixels(sheet_); }

    void SetUp() override { ASSERT_TRUE(loaded_) << kSheetPath; }

    static uint8_t at(int x, int y) { return sheet_.pixels[static_cast<size_t>(y) * kWidth + x]; }

    static double luminance(int x, int y) {
        const BitmapPaletteEntry& e = sheet_.palette[at(x, y)];
        return 0.299 * e.red + 0.587 * e.green + 0.114 * e.blue;
    }

    static Mask mask(const Cell& c) {
        Mask m;
        for (int j = 1; j < c.h; ++j) {
            for (int i = 1; i < c.w; ++i) {
                if (at(c.x + i, c.y + j) != 0) {
                    m.insert({i, j});
                }
            }
        }
        return m;
    }

    static bool sameContents(const Cell& a, const Cell& b) {
        for (int j = 1; j < a.h; ++j) {
            for (int i = 1; i < a.w; ++i) {
                if (at(a.x + i, a.y + j) != at(b.x + i, b.y + j)) {
                    return false;
                }
            }
        }
        return true;
    }

    static double meanLuminance(const Cell& c) {
        double sum = 0.0;
        size_t count = 0;
        for (const auto& [i, j] : mask(c)) {
            sum += luminance(c.x + i, c.y + j);
            ++count;
        }
        return count == 0 ? 0.0 : sum / static_cast<double>(count);
    }

    // How many of the cell's coloured pixels pass a test of their colour.
    template <typename Test> static double share(const Cell& c, Test test) {
        const Mask m = mask(c);
        size_t passing = 0;
        for (const auto& [i, j] : m) {
            const BitmapPaletteEntry& e = sheet_.palette[at(c.x + i, c.y + j)];
            passing += test(e.red, e.green, e.blue) ? 1 : 0;
        }
        return m.empty() ? 0.0 : static_cast<double>(passing) / static_cast<double>(m.size());
    }

    static BitmapImage sheet_;
    static bool loaded_;
};

BitmapImage SpriteSheet::sheet_{};
bool SpriteSheet::loaded_ = false;

TEST_F(SpriteSheet, IsAnUncompressedEightBitBitmapHoldingEveryCut) {
    const BitmapInfoHeader& info = sheet_.infoHeader;
    EXPECT_EQ(info.biWidth, kWidth);
    EXPECT_EQ(info.biHeight, kHeight);
    EXPECT_EQ(info.biBitCount, 8);
    EXPECT_EQ(info.biCompression, 0u);
    EXPECT_EQ(info.biSizeImage, static_cast<uint32_t>(kWidth * kHeight));
    EXPECT_EQ(sheet_.fileHeader.bfOffBits, 14u + 40u + 1024u);
    EXPECT_EQ(sheet_.fileHeader.bfSize, 14u + 40u + 1024u + kWidth * kHeight);
    EXPECT_EQ(std::filesystem::file_size(kSheetPath), sheet_.fileHeader.bfSize);

    // Index 0 is the transparent black; the last entry is the white that the
    // game writes its texts in.
    EXPECT_EQ(sheet_.palette[0].red + sheet_.palette[0].green + sheet_.palette[0].blue, 0);
    EXPECT_EQ(sheet_.palette[255].red, 255);
    EXPECT_EQ(sheet_.palette[255].green, 255);
    EXPECT_EQ(sheet_.palette[255].blue, 255);

    // Every copy reads its cell and one column and row beyond; all of it must
    // lie in the sheet, and no two pictures may share a shown pixel.
    std::vector<NamedCell> cells = spriteCells();
    cells.push_back({"background", kBackground});
    cells.push_back({"title", kTitle});
    std::vector<uint8_t> owner(static_cast<size_t>(kWidth) * kHeight, 0);
    for (const NamedCell& named : cells) {
        SCOPED_TRACE(named.name);
        const Cell& c = named.cell;
        EXPECT_LE(c.x + c.w, kWidth);
        EXPECT_LT(c.y + c.h, kHeight);
        for (int j = 1; j < c.h; ++j) {
            for (int i = 1; i < c.w; ++i) {
                uint8_t& taken = owner[static_cast<size_t>(c.y + j) * kWidth + c.x + i];
                ASSERT_EQ(taken, 0) << "shared pixel at " << c.x + i << ", " << c.y + j;
                taken = 1;
            }
        }
    }
}

TEST_F(SpriteSheet, EverySpriteHasArtOnTransparentSurroundings) {
    for (const NamedCell& named : spriteCells()) {
        SCOPED_TRACE(named.name);
        const Cell& c = named.cell;
        const bool vine = named.name == "vine";
        int coloured = 0;
        for (int j = 0; j < c.h; ++j) {
            for (int i = 0; i < c.w; ++i) {
                const uint8_t v = at(c.x + i, c.y + j);
                const bool hidden = i == 0 || j == 0;
                const bool ring = i == 1 || j == 1 || i == c.w - 1 || j == c.h - 1;
                // The vine's stems leave the cell at the middle of each edge.
                const bool stemEnd =
                    vine && !hidden && (std::abs(i - 8) <= 1 || std::abs(j - 8) <= 1);
                if (hidden || (ring && !stemEnd)) {
                    ASSERT_EQ(v, 0) << "at cell pixel " << i << ", " << j;
                }
                coloured += v != 0 ? 1 : 0;
            }
        }
        EXPECT_GE(coloured, 12);
    }
}

TEST_F(SpriteSheet, VineCellsJoinTheirNeighboursOnAllFourSides) {
    // Shown pixels 1..15 of the cell: the middle is 8. Cells side by side
    // (16 pixels apart) meet across the one column neither shows, so what
    // leaves one edge must come in at the opposite edge at the same place.
    const auto shown = [](int i, int j) { return at(kVine.x + i, kVine.y + j) != 0; };
    for (int k = 1; k < 16; ++k) {
        EXPECT_EQ(shown(1, k), shown(15, k)) << "row " << k;
        EXPECT_EQ(shown(k, 1), shown(k, 15)) << "column " << k;
    }
    EXPECT_TRUE(shown(1, 8));
    EXPECT_TRUE(shown(8, 1));
    // The corners stay open, so diagonal cells do not look joined.
    EXPECT_FALSE(shown(1, 1));
    EXPECT_FALSE(shown(15, 15));
    EXPECT_FALSE(shown(1, 15));
    EXPECT_FALSE(shown(15, 1));
}

TEST_F(SpriteSheet, PicturesSitWhereTheGameDrawsThem) {
    const auto centre = [](const Cell& c) {
        const Mask m = mask(c);
        double sx = 0.0;
        double sy = 0.0;
        for (const auto& [i, j] : m) {
            sx += i;
            sy += j;
        }
        return std::make_pair(sx / m.size(), sy / m.size());
    };
    // A spore is drawn at (x - 8, y - 8): its ball is centred in the cell.
    const auto [sporeX, sporeY] = centre(kSpore);
    EXPECT_NEAR(sporeX, 8.0, 1.0);
    EXPECT_NEAR(sporeY, 8.0, 1.0);
    // A seed pod stands on the ground or a terrace: it reaches the lowest
    // row the cell may use.
    int lowest = 0;
    for (const auto& [i, j] : mask(kSeedPod)) {
        lowest = std::max(lowest, j);
    }
    EXPECT_EQ(lowest, 14);
    // Explosions are drawn at (x - 24, y - 24) round the kill.
    for (int k = 0; k < 14; ++k) {
        const auto [x, y] = centre(explosionCell(k));
        EXPECT_NEAR(x, 24.0, 1.5) << "explosion " << k;
        EXPECT_NEAR(y, 24.0, 1.5) << "explosion " << k;
    }
    // The base's fall is drawn 12 pixels left of the base: it bursts from
    // the base's middle, column 12 + 152 of its cell's shown area.
    for (int k = 0; k < 10; ++k) {
        EXPECT_NEAR(centre(baseFallCell(k)).first, 165.0, 15.0) << "base fall " << k;
    }
}

TEST_F(SpriteSheet, ShipFramesAreDistinctAndCentredOnTheCraftsMiddle) {
    for (int k = 0; k < 72; ++k) {
        SCOPED_TRACE("ship " + std::to_string(k));
        const Mask m = mask(shipCell(k));
        ASSERT_FALSE(m.empty());
        double sx = 0.0;
        double sy = 0.0;
        for (const auto& [i, j] : m) {
            sx += i;
            sy += j;
            // The craft stays inside its hit box of 20 pixels about the
            // centre, give or take its antialiased edge.
            EXPECT_LE(std::hypot(i - 24, j - 24), 21.5);
        }
        // The game draws the frame at (x - 24, y - 24): the centre is cell
        // pixel 24. Half a pixel at most, so that an outline shifted by one
        // pixel shows.
        EXPECT_NEAR(sx / m.size(), 24.0, 0.5);
        EXPECT_NEAR(sy / m.size(), 24.0, 0.5);
        for (int other = k + 1; other < 72; ++other) {
            EXPECT_FALSE(sameContents(shipCell(k), shipCell(other))) << "equals frame " << other;
        }
    }
}

TEST_F(SpriteSheet, ShipFramesTurnFiveDegreesClockwiseFromPointingLeft) {
    std::vector<Mask> masks;
    for (int k = 0; k < 72; ++k) {
        masks.push_back(mask(shipCell(k)));
    }
    for (int k = 0; k < 72; ++k) {
        SCOPED_TRACE("ship " + std::to_string(k));
        // The nose: along the heading (-cos, -sin) of k * 5 degrees, the
        // craft reaches much further ahead of its centre than behind it.
        const double theta = k * 5.0 * 3.14159265358979 / 180.0;
        const double hx = -std::cos(theta);
        const double hy = -std::sin(theta);
        double ahead = 0.0;
        double behind = 0.0;
        for (const auto& [i, j] : masks[k]) {
            const double along = (i - 24) * hx + (j - 24) * hy;
            const double across = -(i - 24) * hy + (j - 24) * hx;
            if (std::fabs(across) <= 2.5) {
                ahead = std::max(ahead, along);
                behind = std::max(behind, -along);
            }
        }
        EXPECT_GE(ahead, behind + 5.0);

        // The next frame is this one turned 5 degrees clockwise, not
        // counter-clockwise and not left as it is.
        const Mask& next = masks[(k + 1) % 72];
        const double clockwise = overlap(next, turned(masks[k], 5.0));
        EXPECT_GT(clockwise, 0.85);
        EXPECT_GT(clockwise, overlap(next, turned(masks[k], -5.0)) + 0.03);
        EXPECT_GT(clockwise, overlap(next, masks[k]) + 0.03);
        // A quarter turn on is the same outline turned a right angle.
        EXPECT_GT(overlap(masks[(k + 18) % 72], turned(masks[k], 90.0)), 0.97);
    }
}

TEST_F(SpriteSheet, BaseOutlineLiesOnItsSixHitSteps) {
    // The steps in screen coordinates, inclusive; the base is drawn at
    // (167, 376), so screen (x, y) is cell pixel (x - 167 + 1, y - 376 + 1).
    const int steps[6][4] = {{168, 464, 471, 479}, {168, 448, 471, 463}, {184, 432, 455, 447},
                             {200, 416, 439, 431}, {216, 400, 423, 415}, {248, 384, 391, 399}};
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame == 0 ? "intact" : "ruined");
        const Cell c = baseCell(frame);
        int inside = 0;
        int covered = 0;
        for (int j = 2; j < c.h - 1; ++j) {
            for (int i = 2; i < c.w - 1; ++i) {
                const int sx = i - 1 + 167;
                const int sy = j - 1 + 376;
                bool onStep = false;
                for (const auto& s : steps) {
                    onStep = onStep || (sx >= s[0] && sx <= s[2] && sy >= s[1] && sy <= s[3]);
                }
                const bool coloured = at(c.x + i, c.y + j) != 0;
                if (onStep) {
                    ++inside;
                    covered += coloured ? 1 : 0;
                } else {
                    // Nothing stands where spores and plants may go.
                    ASSERT_FALSE(coloured) << "screen pixel " << sx << ", " << sy;
                }
            }
        }
        // Spores and plants stop where the picture visibly begins.
        EXPECT_GT(static_cast<double>(covered) / inside, frame == 0 ? 0.97 : 0.6);
    }
}

TEST_F(SpriteSheet, ExplosionSwellsBurnsOutAndShrinksToDebris) {
    std::vector<size_t> area;
    std::vector<double> light;
    for (int k = 0; k < 14; ++k) {
        area.push_back(mask(explosionCell(k)).size());
        light.push_back(meanLuminance(explosionCell(k)));
    }
    // A spark that swells...
    for (int k = 0; k < 6; ++k) {
        EXPECT_LT(area[k], area[k + 1]) << "frame " << k;
    }
    // ...white-hot at first, dark red at the end...
    for (int k = 0; k < 4; ++k) {
        EXPECT_GT(light[k], 170.0) << "frame " << k;
    }
    for (int k = 10; k < 14; ++k) {
        EXPECT_LT(light[k], 90.0) << "frame " << k;
    }
    // ...and falls apart.
    EXPECT_LT(area[13] * 10, area[8]);
    EXPECT_LT(area[13], area[11]);
}

TEST_F(SpriteSheet, BaseFallEngulfsTheBaseAndClearsToSmoke) {
    std::vector<size_t> area;
    for (int k = 0; k < 14; ++k) {
        area.push_back(mask(baseFallCell(k)).size());
    }
    const size_t base = mask(baseCell(0)).size();
    size_t peak = 0;
    for (int k = 3; k < 10; ++k) {
        peak = std::max(peak, area[k]);
    }
    EXPECT_GT(peak, base);
    EXPECT_LT(area[0], peak / 2);
    EXPECT_LT(area[13] * 5, peak);
    EXPECT_GT(meanLuminance(baseFallCell(0)), 200.0);
    EXPECT_LT(meanLuminance(baseFallCell(13)), 130.0);
}

TEST_F(SpriteSheet, SowerLoopsWithoutBlinking) {
    const size_t first = mask(sowerCell(0)).size();
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE("sower " + std::to_string(k));
        const Mask m = mask(sowerCell(k));
        // A pulsing body: every frame about the same size and in the same
        // place, the body's middle over the cell's centre.
        EXPECT_NEAR(static_cast<double>(m.size()), static_cast<double>(first), first * 0.15);
        double sx = 0.0;
        double sy = 0.0;
        for (const auto& [i, j] : m) {
            sx += i;
            sy += j;
        }
        EXPECT_NEAR(sx / m.size(), 24.0, 1.0);
        EXPECT_NEAR(sy / m.size(), 24.0, 4.0);
        // And every frame a different one, the last leading back to the first.
        EXPECT_FALSE(sameContents(sowerCell(k), sowerCell((k + 1) % 6)));
    }
}

TEST_F(SpriteSheet, PicturesWearTheirColours) {
    const auto green = [](int r, int g, int b) { return g > r && g > b; };
    const auto red = [](int r, int g, int b) { return r > 150 && g < 100 && b < 100; };
    const auto khaki = [](int r, int g, int b) {
        return r > 110 && g > 100 && b < r - 20 && std::abs(r - g) < 40;
    };
    const auto purple = [](int r, int g, int b) { return r > g + 15 && b > g + 15; };
    const auto grey = [](int r, int g, int b) {
        return std::max({r, g, b}) - std::min({r, g, b}) < 50;
    };
    const auto paleBlue = [](int r, int g, int b) { return b > r + 30 && b > g && b > 150; };

    EXPECT_GT(share(kSpore, green), 0.6);
    EXPECT_GT(share(kSpore, red), 0.0);
    EXPECT_GT(share(kSpore, khaki), 0.0);
    EXPECT_GT(share(kSeedPod, green), 0.6);
    EXPECT_GT(share(kVine, green), 0.8);
    for (int k = 0; k < 72; k += 9) {
        EXPECT_GT(share(shipCell(k), grey), 0.6) << "ship " << k;
        EXPECT_GT(share(shipCell(k), paleBlue), 0.0) << "ship " << k;
    }
    for (int k = 0; k < 6; ++k) {
        EXPECT_GT(share(sowerCell(k), purple), 0.6) << "sower " << k;
    }
    // The shot: a yellow ring round a cyan centre.
    const BitmapPaletteEntry& centre = sheet_.palette[at(kShot.x + 4, kShot.y + 4)];
    EXPECT_GT(centre.blue, centre.red + 60);
    EXPECT_GT(centre.green, centre.red + 60);
    const BitmapPaletteEntry& ring = sheet_.palette[at(kShot.x + 4, kShot.y + 2)];
    EXPECT_GT(ring.red, 200);
    EXPECT_GT(ring.green, 150);
    EXPECT_LT(ring.blue, 120);
}

TEST_F(SpriteSheet, WhiteTextsStandOnDarkGround) {
    // The counters: numbers up to six digits at these columns, row 22; their
    // captions above them. Screen (x, y) is sheet (x + 1, y + 1).
    for (const int x : {41, 149, 336, 522}) {
        SCOPED_TRACE("counter at " + std::to_string(x));
        for (int y = 22; y < 41; ++y) {
            for (int i = x; i < x + 66; ++i) {
                ASSERT_LT(luminance(i + 1, y + 1), 60.0) << "screen " << i << ", " << y;
            }
        }
        int caption = 0;
        for (int y = 2; y < 21; ++y) {
            for (int i = x; i < x + 70; ++i) {
                caption += luminance(i + 1, y + 1) > 120.0 ? 1 : 0;
            }
        }
        EXPECT_GE(caption, 30);
    }
    // The title and controls texts are written from x 160 over rows 160 to
    // 380 of the title picture.
    double sum = 0.0;
    int count = 0;
    for (int y = 160; y < 380; ++y) {
        for (int x = 160; x < 600; ++x) {
            const double l = luminance(kTitle.x + x + 1, kTitle.y + y + 1);
            ASSERT_LT(l, 150.0) << "title " << x << ", " << y;
            sum += l;
            ++count;
        }
    }
    EXPECT_LT(sum / count, 40.0);
}

TEST_F(SpriteSheet, BackgroundHasGroundForThePlantsAndTitleHasItsName) {
    // The bottom rows, where the plants grow, are dark earth, not sky.
    for (int y = 464; y < 479; ++y) {
        double sum = 0.0;
        double red = 0.0;
        double blue = 0.0;
        for (int x = 0; x < 639; ++x) {
            sum += luminance(x + 1, y + 1);
            red += sheet_.palette[at(x + 1, y + 1)].red;
            blue += sheet_.palette[at(x + 1, y + 1)].blue;
        }
        EXPECT_LT(sum / 639, 60.0) << "row " << y;
        EXPECT_GT(red, blue) << "row " << y;
    }
    // The night sky lightens from the counters' panel down to the hills.
    const auto rowLight = [](int y) {
        double sum = 0.0;
        for (int x = 0; x < 639; ++x) {
            sum += luminance(x + 1, y + 1);
        }
        return sum / 639;
    };
    EXPECT_LT(rowLight(30), rowLight(150));
    EXPECT_LT(rowLight(150), rowLight(300));
    // The title picture carries the game's name in fiery letters above the
    // area of the texts.
    int fiery = 0;
    for (int y = 10; y < 150; ++y) {
        for (int x = 0; x < 639; ++x) {
            const BitmapPaletteEntry& e = sheet_.palette[at(kTitle.x + x + 1, kTitle.y + y + 1)];
            fiery += e.red > 200 && e.green > 120 && e.blue < 120 ? 1 : 0;
        }
    }
    EXPECT_GT(fiery, 1500);
}

std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(SpriteSheetGenerator, WritesTheSameBytesOnEveryRun) {
    if (testing_support::kUnderSanitizer) {
        GTEST_SKIP() << "the build already runs the generator under the sanitizers";
    }
    // The build's sheet is one run of the generator; here is another.
    const std::filesystem::path& again = testing_support::generatorRunAgain();
    ASSERT_FALSE(again.empty()) << "the generator failed";
    const std::vector<uint8_t> built = readBytes(kSheetPath);
    ASSERT_EQ(built.size(), 14u + 40u + 1024u + kWidth * kHeight);
    EXPECT_TRUE(built == readBytes(again / "images" / "images.bmp"));
}

} // namespace
