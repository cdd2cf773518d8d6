// Where the picture lands on any output, how a placed frame is drawn onto
// 32-bit pixels, and which parts of a frame changed: the rule every backend
// presents by, checked without any display.
#include "platform/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr int W = plat::kScreenWidth;
constexpr int H = plat::kScreenHeight;

// Where the frame lands on common screens and odd windows: a whole scale
// while it fills 85% of the largest 4:3 picture that fits, else that
// picture, widened by the smallest whole scale that covers it, smoothed.
TEST(Placement, WholeScaleOrTheLargest43PictureSmoothed) {
    const struct {
        int width, height;
        plat::PixelRect place;
        int scale;
        bool smooth;
    } cases[] = {
        {640, 480, {0, 0, 640, 480}, 1, false},
        {1366, 768, {171, 0, 1024, 768}, 2, true},
        {1600, 900, {200, 0, 1200, 900}, 2, true},
        {1920, 1080, {320, 60, 1280, 960}, 2, false},
        {2560, 1440, {320, 0, 1920, 1440}, 3, false},
        {3840, 2160, {640, 120, 2560, 1920}, 4, false},
        {1280, 720, {160, 0, 960, 720}, 2, true},
        {1001, 777, {0, 13, 1000, 750}, 2, true},
        {1279, 1000, {1, 21, 1276, 957}, 2, true},
        {700, 500, {30, 10, 640, 480}, 1, false},
        {700, 1200, {30, 360, 640, 480}, 1, false},
        {600, 400, {33, 0, 533, 400}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
        const plat::FramePlacement got = plat::placeFrame(c.width, c.height);
        EXPECT_EQ(got.place.x, c.place.x);
        EXPECT_EQ(got.place.y, c.place.y);
        EXPECT_EQ(got.place.w, c.place.w);
        EXPECT_EQ(got.place.h, c.place.h);
        EXPECT_EQ(got.scale, c.scale);
        EXPECT_EQ(got.smooth, c.smooth);
    }
    // Whatever the size: inside the output, centred, 4:3 within a pixel,
    // and never blocks of an uneven size.
    for (int width = 1; width < 4000; width += 37) {
        for (int height = 1; height < 2400; height += 29) {
            const plat::FramePlacement got = plat::placeFrame(width, height);
            const plat::PixelRect& p = got.place;
            ASSERT_TRUE(p.x >= 0 && p.y >= 0 && p.x + p.w <= width && p.y + p.h <= height &&
                        p.x == (width - p.w) / 2 && p.y == (height - p.h) / 2 &&
                        std::abs(p.w * 3 - p.h * 4) <= 4 && got.scale >= 1 &&
                        (got.smooth || (p.w == W * got.scale && p.h == H * got.scale)) &&
                        (!got.smooth || got.scale == std::max(1, (p.h + H - 1) / H)))
                << width << "x" << height;
        }
    }
}

// Drawing the frame in changed areas gives the same pixels as drawing it
// whole, at a whole scale and smoothed: what the desktop sends of a frame
// is never other than the frame.
TEST(Placement, AreasDrawnAloneMatchTheWholeFrame) {
    std::vector<uint8_t> before(size_t(W) * H);
    for (size_t i = 0; i < before.size(); ++i) {
        before[i] = uint8_t(i % W + 3 * (i / W));
    }
    std::vector<uint8_t> after = before;
    // A ship-sized change, a one-pixel change far away and a whole row.
    for (int y = 200; y < 232; ++y) {
        std::fill_n(after.begin() + y * W + 300, 32, uint8_t(7));
    }
    after[10 * W + 5] ^= 0xFF;
    std::fill_n(after.begin() + 470 * W, W, uint8_t(1));
    std::vector<uint32_t> colours(256);
    for (int i = 0; i < 256; ++i) {
        colours[size_t(i)] = uint32_t(i) * 0x010203u;
    }
    for (auto [width, height] : {std::pair{1280, 960}, std::pair{1366, 768}, std::pair{600, 400}}) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height);
        std::vector<uint32_t> whole(size_t(width) * height, 0xDEAD);
        std::vector<uint32_t> patched = whole;
        const plat::PixelTarget wholeTarget{reinterpret_cast<uint8_t*>(whole.data()),
                                            size_t(width) * 4, width, height};
        const plat::PixelTarget patchedTarget{reinterpret_cast<uint8_t*>(patched.data()),
                                              size_t(width) * 4, width, height};
        plat::drawPlacedFrame(patchedTarget, before.data(), colours.data());
        plat::PixelRect areas[plat::kMaxChangedAreas];
        const int count = plat::changedAreas(before.data(), after.data(), areas);
        ASSERT_EQ(count, 3);
        const plat::FramePlacement placement = plat::placeFrame(width, height);
        for (int i = 0; i < count; ++i) {
            plat::drawPlacedArea(patchedTarget, after.data(), colours.data(), placement, areas[i]);
        }
        const plat::PixelRect place =
            plat::drawPlacedFrame(wholeTarget, after.data(), colours.data());
        EXPECT_EQ(place.w, placement.place.w);
        EXPECT_EQ(patched, whole);
        if (place.x > 0) {
            EXPECT_EQ(whole[0], 0xDEADu) << "the border is left as it was";
        }
    }
}

// Changed rows a few apart are one area; more runs than the list holds
// become one area around them all; the same frame changes nothing.
TEST(Placement, ChangedAreasJoinNearRowsAndOverflowIntoOne) {
    std::vector<uint8_t> shown(size_t(W) * H, 0);
    EXPECT_EQ(plat::changedAreas(shown.data(), shown.data(), nullptr), 0);
    std::vector<uint8_t> next = shown;
    next[size_t(100) * W + 10] = 1;
    next[size_t(108) * W + 20] = 1;
    plat::PixelRect areas[plat::kMaxChangedAreas];
    ASSERT_EQ(plat::changedAreas(shown.data(), next.data(), areas), 1);
    EXPECT_EQ(areas[0].x, 10);
    EXPECT_EQ(areas[0].y, 100);
    EXPECT_EQ(areas[0].w, 11);
    EXPECT_EQ(areas[0].h, 9);
    for (int run = 0; run <= plat::kMaxChangedAreas; ++run) {
        next[size_t(run * 20 + 130) * W + 600] = 1;
    }
    ASSERT_EQ(plat::changedAreas(shown.data(), next.data(), areas), 1);
    EXPECT_EQ(areas[0].y, 100);
    EXPECT_EQ(areas[0].y + areas[0].h, plat::kMaxChangedAreas * 20 + 131);
    EXPECT_EQ(areas[0].x + areas[0].w, 601);
}

// The sign sits inside the picture, over its middle column, a quarter of
// the way down, its bars inside its box, at every scale.
TEST(Placement, PauseSignInsideThePicture) {
    for (auto [width, height] :
         {std::pair{640, 480}, std::pair{1366, 768}, std::pair{3840, 2160}, std::pair{100, 75}}) {
        const plat::PixelRect place = plat::placeFrame(width, height).place;
        const plat::PauseSign sign = plat::pauseSignIn(place);
        EXPECT_LE(std::abs(sign.box.x + sign.box.w / 2 - (place.x + place.w / 2)), 1);
        EXPECT_LE(std::abs(sign.box.y + sign.box.h / 2 - (place.y + place.h / 4)), 1);
        for (const plat::PixelRect& bar : sign.bars) {
            EXPECT_TRUE(bar.w > 0 && bar.x >= sign.box.x && bar.y >= sign.box.y &&
                        bar.x + bar.w <= sign.box.x + sign.box.w &&
                        bar.y + bar.h <= sign.box.y + sign.box.h)
                << width << "x" << height;
        }
    }
}

} // namespace
