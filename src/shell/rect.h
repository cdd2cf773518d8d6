// Rectangles in screen pixels with every bound inclusive: a 16x16 cell at
// (8, 464) is {8, 464, 23, 479}.
#pragma once

#include <cstdint>

struct InclusiveRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Every rectangle of the game is inclusive; the display's blits and clip
// list take plat::ExclusiveRect.
using Rect = InclusiveRect;

// Two rectangles overlap when their x ranges meet and their y ranges meet;
// touching edges count. Every hit test of the game is this test.
inline bool rectsOverlap(const Rect& a, const Rect& b) {
    auto within = [](int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; };
    const bool xMeet = within(b.left, a.left, a.right) || within(b.right, a.left, a.right) ||
                       within(a.left, b.left, b.right) || within(a.right, b.left, b.right);
    const bool yMeet = within(b.top, a.top, a.bottom) || within(b.bottom, a.top, a.bottom) ||
                       within(a.top, b.top, b.bottom) || within(a.bottom, b.top, b.bottom);
    return xMeet && yMeet;
}

// A rectangle relative to an object's centre, moved to the centre (x, y).
inline Rect rectAt(const Rect& box, int32_t x, int32_t y) {
    return {box.left + x, box.top + y, box.right + x, box.bottom + y};
}
