// Failures that tests can ask the platform to report, so that the game's
// handling of a refused surface, palette, clipper or sound buffer can be
// exercised on the headless backend. Nothing asks for them in the game.
#pragma once

namespace plat {

enum class Fault {
    DisplayOpen,
    PaletteCreate,
    PaletteSetEntries,
    SetPalette,
    ClipperCreate,
    ClipperSetList,
    SetClipper,
    SurfaceCreate,
    Blit,
    TextDraw,
    AudioOpen,
    SoundBufferCreate,
    SoundBufferDuplicate,
    SoundBufferLock,
    Count
};

// The nth call (1 = the next one) of the operation from now on fails.
void failOn(Fault fault, int nth = 1);
// Forgets every failure asked for.
void clearFaults();

namespace detail {
// Counts a call of the operation; true when it is one that must fail.
bool faultHit(Fault fault);
} // namespace detail

} // namespace plat
