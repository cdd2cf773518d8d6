#include "hostiles/random.h"

uint64_t randomState = kRandomStart;

namespace {
// Its high word is 0x15A and its low word 0x4E35.
constexpr uint64_t kMultiplier = 0x15A00004E35ull;
} // namespace

int32_t nextRandom() {
    randomState = randomState * kMultiplier + 1;
    return int32_t((randomState >> 32) & 0x7FFFFFFFu);
}

int32_t randomBelow(int32_t n) {
    return nextRandom() % n;
}
