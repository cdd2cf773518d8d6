// The game's program-wide state, described once: every variable that play
// changes, under the name the simulator's state lines give it, whether
// those lines show it, and what a fresh program holds. The state lines, the
// soak's digest and the tests' fresh program all walk this one description,
// so a field added here reaches every one of them.
//
// The pictures, sounds and devices are not in it: the devices' set-up and
// tear-down own them.
//
// A visitor has these members; `shown` says whether the state lines carry
// the field:
//   value(name, place, fresh, shown)    a variable, and its value at start
//   record(name, record, shown, fields) one record, fresh when value-
//                                       initialised; fields(m, record)
//                                       names its members to m
//   table(name, records, shown, fields) a fixed table of such records
// and a member visitor m has:
//   member(name, place, shown)          a field, fresh when value-initialised
//   table(name, records, shown, fields) a table inside the record
//   listedWhile(name, flag)             only records with the flag set are
//                                       listed, each with its index "i"
//   alone(name, place)                  the record is listed as this one
//                                       value
#pragma once

#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/random.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/display.h"
#include "platform/window.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/devices.h"
#include "shell/entry.h"
#include "shell/frame.h"
#include "shell/rect.h"
#include "shell/screens.h"
#include "shell/status.h"

#include <cstddef>
#include <cstdint>

enum class Shown : bool { No, Yes };

namespace programState {

// A rectangle's four edges, none shown.
inline constexpr auto rectMembers = [](auto& m, Rect& r) {
    m.member("left", r.left, Shown::No);
    m.member("top", r.top, Shown::No);
    m.member("right", r.right, Shown::No);
    m.member("bottom", r.bottom, Shown::No);
};

// An object's box around its centre, not shown.
template <typename M, typename R> void boxMembers(M& m, R& r) {
    m.member("box.left", r.box.left, Shown::No);
    m.member("box.top", r.box.top, Shown::No);
    m.member("box.right", r.box.right, Shown::No);
    m.member("box.bottom", r.box.bottom, Shown::No);
}

} // namespace programState

template <typename V> void visitProgramState(V& v) {
    using programState::boxMembers;
    using programState::rectMembers;
    constexpr Shown Yes = Shown::Yes;
    constexpr Shown No = Shown::No;

    // The shell: the quit request, the screens, the counters, the timers.
    v.value("quit", quitRequested, false, Yes);
    v.value("titles", titleScreensShown, 0, Yes);
    v.value("score", score, 0, Yes);
    v.value("sporesDestroyed", sporesDestroyed, 0, Yes);
    v.value("plantsDestroyed", plantsDestroyed, 0, Yes);
    v.value("baseHits", baseHits, 0, Yes);
    v.value("shipsLeft", shipsLeft, 0, Yes);
    v.value("spawnDelayShift", spawnDelayShift, 0, Yes);
    v.value("sporeSpeed", sporeSpeed, kStartSporeSpeed, Yes);
    v.value("mainWindow", mainWindow, nullptr, No);
    v.value("frameStartTime", frameStartTime, 0u, No);
    v.value("gameOverTime", gameOverTime, 0u, No);
    v.value("respawnTime", respawnTime, 0u, No);
    v.value("gameOverJingleRequested", gameOverJingleRequested, false, No);
    v.record("screenRect", screenRect, No, rectMembers);
    v.table("paletteEntries", paletteEntries, No, [](auto& m, plat::PaletteColour& c) {
        m.member("red", c.red, No);
        m.member("green", c.green, No);
        m.member("blue", c.blue, No);
        m.member("flags", c.flags, No);
    });

    // The player.
    v.record("ship", ship, Yes, [](auto& m, Ship& s) {
        m.member("state", s.state, Yes);
        m.member("frame", s.frame, Yes);
        m.member("x", s.x, Yes);
        m.member("y", s.y, Yes);
        m.member("vx", s.vx, Yes);
        m.member("vy", s.vy, Yes);
        boxMembers(m, s);
        m.member("muzzleDistance", s.muzzleDistance, No);
        m.member("muzzleX", s.muzzleX, Yes);
        m.member("muzzleY", s.muzzleY, Yes);
        m.member("angle", s.angle, Yes);
        m.member("speed", s.speed, No);
    });
    v.value("shipBlinkPhase", shipBlinkPhase, 0, No);
    v.table("shots", shots, Yes, [](auto& m, Shot& s) {
        m.member("active", s.active, Yes);
        m.member("x", s.x, Yes);
        m.member("y", s.y, Yes);
        m.member("vx", s.vx, Yes);
        m.member("vy", s.vy, Yes);
        boxMembers(m, s);
        m.member("speed", s.speed, No);
    });
    v.value("lastShotTime", lastShotTime, 0u, No);

    // The hostiles.
    v.value("randomState", randomState, kRandomStart, No);
    v.table("spores", spores, Yes, [](auto& m, Spore& s) {
        m.member("active", s.active, Yes);
        m.member("frame", s.frame, No);
        m.member("x", s.x, Yes);
        m.member("y", s.y, Yes);
        m.member("vx", s.vx, Yes);
        m.member("vy", s.vy, Yes);
        boxMembers(m, s);
    });
    v.value("sporeSpawnTime", sporeSpawnTime, 0u, No);
    v.value("sporeSpawnDelay", sporeSpawnDelay, 0, No);
    v.record("sower", sower, Yes, [](auto& m, Sower& s) {
        m.member("active", s.active, Yes);
        m.member("frame", s.frame, Yes);
        m.member("x", s.x, Yes);
        m.member("y", s.y, Yes);
        m.member("vx", s.vx, Yes);
        m.member("vy", s.vy, No);
        boxMembers(m, s);
        // Its hits are counted beside it, and shown with it.
        m.member("hits", sowerHits, Yes);
    });
    v.value("sowerTurnTime", sowerTurnTime, 0u, No);
    v.value("sowerTurnDelay", sowerTurnDelay, 0u, No);
    v.value("sowerGoneTime", sowerGoneTime, 0u, No);
    v.value("sowerReturnDelay", sowerReturnDelay, 0u, No);
    v.table("plants", plants, Yes, [](auto& m, Plant& p) {
        m.member("active", p.active, Yes);
        m.table("segments", p.segments, Yes, [](auto& c, PlantSegment& s) {
            c.listedWhile("alive", s.alive);
            c.member("left", s.box.left, Yes);
            c.member("top", s.box.top, Yes);
            c.member("right", s.box.right, No);
            c.member("bottom", s.box.bottom, No);
        });
    });
    v.table("ring", baseRing, Yes, [](auto& m, RingCell& c) {
        m.alone("plant", c.plant);
        m.member("segment", c.segment, No);
        m.member("x", c.x, No);
        m.member("y", c.y, No);
    });
    v.value("growthTime", growthTime, 0u, No);
    v.value("growthDelay", growthDelay, 0, No);
    v.value("baseIntact", baseIntact, 0, Yes);
    v.table("baseSteps", baseSteps, No, rectMembers);
    v.record("baseExplosion", baseExplosion, Yes, [](auto& m, Explosion& e) {
        m.member("active", e.active, Yes);
        m.member("frame", e.frame, Yes);
        m.member("x", e.x, No);
        m.member("y", e.y, No);
    });
    v.table("explosions", explosions, Yes, [](auto& m, Explosion& e) {
        m.member("active", e.active, Yes);
        m.member("frame", e.frame, Yes);
        m.member("x", e.x, Yes);
        m.member("y", e.y, Yes);
    });
}

// Puts every variable of the description back to what a fresh program
// holds. The pictures, sounds and devices are the tear-down's: give them
// back first (releaseDevices).
void resetProgram();
