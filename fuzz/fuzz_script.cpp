// Fuzz target: any bytes as a simulator script. A script read is written
// back line by line and read again to the same events; a refused one says
// why in one bounded line with no control bytes.
#include "simulator.h"

#include "platform/report.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto script = sim::parseScript(text, error);
    if (!script) {
        const std::string line = plat::printable(error);
        if (error.empty() || line.size() > 300 || line.find('\n') != std::string::npos) {
            broken("a refused script's line is not one bounded line");
        }
        return 0;
    }
    std::string again;
    for (const sim::ScriptEvent& event : *script) {
        again += sim::scriptLine(event.atFrame ? 'f' : 't', event.mark, event.keys) + "\n";
    }
    const auto reread = sim::parseScript(again, error);
    if (!reread || reread->size() != script->size()) {
        broken("a script written back does not read again");
    }
    for (size_t i = 0; i < script->size(); ++i) {
        const sim::ScriptEvent& a = (*script)[i];
        const sim::ScriptEvent& b = (*reread)[i];
        if (a.atFrame != b.atFrame || a.mark != b.mark || a.keys != b.keys) {
            broken("a script written back reads as other events");
        }
    }
    return 0;
}
