#include "player/hits.h"

#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/input.h"
#include "player/ship.h"
#include "shell/status.h"
#include "sound/effects.h"

namespace {

// Where a plant cell's explosion goes: the cell's middle.
bool startCellExplosion(const PlantSegment& segment) {
    return startExplosion(segment.box.left + 8, segment.box.top + 8);
}

// The first living cell of the plant that overlaps rect, or -1.
int32_t touchedSegment(const Plant& plant, const Rect& rect) {
    for (int32_t s = 0; s < kPlantSegmentCount; ++s) {
        if (plant.segments[s].alive != 0 && rectsOverlap(plant.segments[s].box, rect)) {
            return s;
        }
    }
    return -1;
}

// Frees the ring cells held by segments first..last of plant p.
void freeRingCells(int32_t p, int32_t first, int32_t last) {
    for (RingCell& cell : baseRing) {
        if (cell.plant == p && cell.segment >= first && cell.segment <= last) {
            cell.plant = kFreeRingCell;
            cell.segment = kFreeRingCell;
        }
    }
}

// The sower goes, for its points; it comes back after its time away.
void killSower() {
    sower.active = 0;
    score += kSowerPoints;
    sporesDestroyed += 1;
    sowerGoneTime = plat::tickCount();
    if (startExplosion(sower.x, sower.y)) {
        startEffect(SoundExplosion);
    }
}

// The ship against every plant: one cell of each plant touched, one ship
// for each.
void shipAgainstPlants(const Rect& shipRect) {
    for (Plant& plant : plants) {
        if (plant.active == 0) {
            continue;
        }
        const int32_t s = touchedSegment(plant, shipRect);
        if (s == -1) {
            continue;
        }
        const PlantSegment segment = plant.segments[s];
        // The arm's first cell holds the whole plant; any other cell, the
        // pod included, goes alone. No ring cell is freed.
        if (s == kLeftArmFirst) {
            clearPlant(plant);
            plantsDestroyed += 1;
        } else {
            plant.segments[s].alive = 0;
        }
        startCellExplosion(segment);
        startEffect(SoundExplosion);
        loseShip();
    }
}

void shipAgainstSower(const Rect& shipRect) {
    if (sower.active == 1 && rectsOverlap(rectAt(sower.box, sower.x, sower.y), shipRect)) {
        // Ramming kills the sower outright; its hit count stays as it was.
        killSower();
        loseShip();
    }
}

// The base costs no ship: a step the ship touches pushes it back against
// the arrow held, the lowest step touched having the last word.
void shipAgainstBase(const Rect& shipRect) {
    for (int32_t i = kBaseStepCount - 1; i >= 0; --i) {
        const Rect& step = baseSteps[i];
        if (!rectsOverlap(step, shipRect)) {
            continue;
        }
        if (plat::keyDown(plat::Key::Down)) {
            ship.y = step.top - 17;
        }
        if (plat::keyDown(plat::Key::Left)) {
            ship.x = step.right + 16;
        }
        if (plat::keyDown(plat::Key::Right)) {
            ship.x = step.left - 16;
        }
        aimMuzzle();
    }
}

void shotAgainstSpores(Shot& shot, const Rect& shotRect) {
    for (Spore& spore : spores) {
        if (spore.active != 0 && rectsOverlap(rectAt(spore.box, spore.x, spore.y), shotRect)) {
            spore.active = 0;
            shot.active = 0;
            score += kSporePoints;
            sporesDestroyed += 1;
            if (startExplosion(spore.x, spore.y)) {
                playSporeExplosion();
            }
            // A shot ends at most one spore a frame.
            return;
        }
    }
}

void shotAgainstSower(Shot& shot, const Rect& shotRect) {
    if (sower.active != 0 && rectsOverlap(rectAt(sower.box, sower.x, sower.y), shotRect)) {
        sowerHits += 1;
        shot.active = 0;
        if (sowerHits >= kSowerLives) {
            killSower();
        }
    }
}

// One cell of each plant the shot touches: the pod takes the whole plant
// and frees its ring cells; an arm cell cuts the arm from there to its tip.
void shotAgainstPlants(Shot& shot, const Rect& shotRect) {
    for (int32_t p = 0; p < kPlantCount; ++p) {
        Plant& plant = plants[p];
        if (plant.active == 0) {
            continue;
        }
        const int32_t j = touchedSegment(plant, shotRect);
        if (j == -1) {
            continue;
        }
        const PlantSegment segment = plant.segments[j];
        shot.active = 0;
        if (j == 0) {
            clearPlant(plant);
            freeRingCells(p, 0, kPlantSegmentCount - 1);
            score += kPodPoints;
            plantsDestroyed += 1;
        } else {
            const int32_t end = j < kRightArmFirst ? kRightArmFirst : kPlantSegmentCount;
            for (int32_t s = j; s < end; ++s) {
                plant.segments[s].alive = 0;
            }
            freeRingCells(p, j, end - 1);
            score += kArmCellPoints;
        }
        if (startCellExplosion(segment)) {
            playSporeExplosion();
        }
    }
}

// Shots on the base count whether or not it still stands; the third and
// every later one brings it down.
void shotAgainstBase(Shot& shot, const Rect& shotRect) {
    for (int32_t i = kBaseStepCount - 1; i >= 0; --i) {
        if (rectsOverlap(baseSteps[i], shotRect)) {
            baseHits += 1;
            shot.active = 0;
            if (baseHits >= kBaseHitsToFall) {
                destroyBase();
            }
            return;
        }
    }
}

} // namespace

void runShipHitTests(const Rect& shipRect) {
    shipAgainstPlants(shipRect);
    shipAgainstSower(shipRect);
    shipAgainstBase(shipRect);
}

void runShotHitTests(Shot& shot, const Rect& shotRect) {
    shotAgainstSpores(shot, shotRect);
    shotAgainstSower(shot, shotRect);
    shotAgainstPlants(shot, shotRect);
    shotAgainstBase(shot, shotRect);
}
