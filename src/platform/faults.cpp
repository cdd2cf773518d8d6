#include "platform/faults.h"

#include <array>
#include <cstddef>

namespace plat {

namespace {
// Calls still to go before each operation fails; 0 for none.
std::array<int, static_cast<std::size_t>(Fault::Count)> countdown{};
} // namespace

void failOn(Fault fault, int nth) {
    countdown[static_cast<std::size_t>(fault)] = nth;
}

void clearFaults() {
    countdown.fill(0);
}

bool detail::faultHit(Fault fault) {
    int& left = countdown[static_cast<std::size_t>(fault)];
    if (left == 0) {
        return false;
    }
    --left;
    return left == 0;
}

} // namespace plat
