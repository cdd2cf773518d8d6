#include "hostiles/plants.h"

#include "graphics/sheet.h"
#include "hostiles/base.h"
#include "hostiles/random.h"
#include "platform/input.h"
#include "shell/devices.h"
#include "shell/frame.h"
#include "shell/status.h"
#include "sound/effects.h"

Plant plants[kPlantCount] = {};
RingCell baseRing[kRingCellCount] = {};
uint32_t growthTime = 0;
int32_t growthDelay = 0;

namespace {

CutOrigin plantOrigin(int32_t frame) {
    return frame == 0 ? sheetLayout::kSeedPod : sheetLayout::kVine;
}

Rect movedBy(const Rect& box, int32_t dx, int32_t dy) {
    return {box.left + dx, box.top + dy, box.right + dx, box.bottom + dy};
}

// Grows one segment of plant p on the arm the generator picks, if the arm
// can grow.
void growPlant(int32_t p) {
    Plant& plant = plants[p];
    const bool leftArm = randomBelow(2) == 1;
    const int32_t first = leftArm ? kLeftArmFirst : kRightArmFirst;
    const int32_t sideways = leftArm ? -kCellSize : kCellSize;

    // The tip is the last living cell from the arm's start (the pod's cell
    // for an empty arm); the first dead one is the next to grow. A full arm
    // regrows a pod the ship has killed, beside its tip.
    Rect tip = plant.segments[0].box;
    int32_t next = 0;
    for (int32_t s = first; s < first + kArmLength; ++s) {
        if (plant.segments[s].alive == 0) {
            next = s;
            break;
        }
        tip = plant.segments[s].box;
    }
    if (next == 0 && plant.segments[0].alive != 0) {
        return;
    }
    // An arm that has reached a side of the screen stops there.
    if (tip.left < screenRect.left + kCellSize || tip.right > screenRect.right - kCellSize) {
        return;
    }
    const Rect candidates[] = {
        movedBy(tip, 0, kCellSize),
        movedBy(tip, sideways, 0),
        movedBy(tip, 0, -kCellSize),
    };
    for (const Rect& candidate : candidates) {
        if (canPlaceSegment(candidate)) {
            plant.segments[next].box = candidate;
            plant.segments[next].alive = 1;
            markRingCell(candidate, p, next);
            startEffect(SoundMetamorphosis);
            return;
        }
    }
}

} // namespace

int32_t nextSpawnDelay() {
    return ((2 << randomBelow(11)) + 2048) >> spawnDelayShift;
}

bool loadPlants() {
    static const SheetBlock block{2, kCellSize, kCellSize, plantOrigin};
    Picture** tables[kPlantCount];
    for (int32_t p = 0; p < kPlantCount; ++p) {
        clearPlant(plants[p]);
        tables[p] = &plants[p].frames;
    }
    return cutSheetPictures(block, tables, kPlantCount);
}

void clearPlant(Plant& plant) {
    plant.active = 0;
    for (PlantSegment& segment : plant.segments) {
        segment.alive = 0;
    }
}

void clearAllPlants() {
    for (Plant& plant : plants) {
        clearPlant(plant);
    }
}

int32_t seedPlant(const Rect& box) {
    for (int32_t p = 0; p < kPlantCount; ++p) {
        if (plants[p].active == 0) {
            plants[p].active = 1;
            plants[p].segments[0].box = box;
            plants[p].segments[0].alive = 1;
            markRingCell(box, p, 0);
            return p;
        }
    }
    return -1;
}

void markRingCell(const Rect& box, int32_t p, int32_t s) {
    for (RingCell& cell : baseRing) {
        if (cell.x == box.left && cell.y == box.top) {
            cell.plant = p;
            cell.segment = s;
            return;
        }
    }
}

bool canPlaceSegment(const Rect& c) {
    for (int32_t i = kBaseStepCount - 1; i >= 0; --i) {
        if (rectsOverlap(c, baseSteps[i])) {
            return false;
        }
    }
    for (const Plant& plant : plants) {
        if (plant.active == 0) {
            continue;
        }
        for (const PlantSegment& segment : plant.segments) {
            if (segment.alive != 0 && rectsOverlap(c, segment.box)) {
                return false;
            }
        }
    }
    const int32_t L = screenRect.left;
    const int32_t T = screenRect.top;
    const int32_t R = screenRect.right;
    const int32_t B = screenRect.bottom;
    if (c.left < L || c.top < T || c.right > R || c.bottom > B) {
        return false;
    }
    // On either side of the base a plant keeps to the two bottom rows; over
    // the base it may climb eight rows. The column at left 472 lies in
    // neither band.
    const bool leftBand = c.left >= L && c.left + 15 < L + 152;
    const bool rightBand = c.left >= L + 473 && c.left + 15 < R;
    if ((leftBand || rightBand) && c.top < B - 32) {
        return false;
    }
    const bool middleBand = c.left >= L + 152 && c.left + 15 <= L + 473;
    if (middleBand && c.top < B - 136) {
        return false;
    }
    return true;
}

bool updatePlants() {
    if (uint32_t(plat::tickCount() - growthTime) > uint32_t(growthDelay)) {
        for (int32_t p = 0; p < kPlantCount; ++p) {
            if (plants[p].active != 0) {
                growPlant(p);
            }
        }
        growthDelay = nextSpawnDelay();
        growthTime = plat::tickCount();
    }

    // The siege: plant cells on all 23 ring cells bring the base down.
    int32_t covered = 0;
    for (const RingCell& cell : baseRing) {
        covered += cell.plant != kFreeRingCell ? 1 : 0;
    }
    if (covered == kRingCellCount) {
        destroyBase();
        for (RingCell& cell : baseRing) {
            cell.plant = kFreeRingCell;
            cell.segment = kFreeRingCell;
        }
    }

    for (const Plant& plant : plants) {
        if (plant.active == 0) {
            continue;
        }
        for (int32_t s = 0; s < kPlantSegmentCount; ++s) {
            const PlantSegment& segment = plant.segments[s];
            if (segment.alive != 0 &&
                !drawPicture(plant.frames[s == 0 ? 0 : 1], segment.box.left, segment.box.top,
                             kCellSize, kCellSize, backBuffer, true)) {
                return false;
            }
        }
    }
    return true;
}
