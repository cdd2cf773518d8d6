// Fuzz target: any bytes as the simulator's --autopilot plan. A plan read
// has a phase for every comma-separated part; a refused one says why in
// one bounded line with no control bytes.
#include "autopilot.h"

#include "platform/report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto plan = sim::parsePilotPlan(text, error);
    if (!plan) {
        const std::string line = plat::printable(error);
        if (error.empty() || line.size() > 300 || line.find('\n') != std::string::npos) {
            std::fprintf(stderr, "a refused plan's line is not one bounded line\n");
            std::abort();
        }
        return 0;
    }
    // Each phase is one comma-separated part (a trailing comma adds none).
    const size_t parts = size_t(std::count(text.begin(), text.end(), ',')) + 1 -
                         (!text.empty() && text.back() == ',' ? 1 : 0);
    if (plan->empty() || plan->size() != parts) {
        std::fprintf(stderr, "a plan read has other phases than its parts\n");
        std::abort();
    }
    return 0;
}
