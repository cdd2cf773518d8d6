// Fuzz target: any bytes as the game's glyph file, read by the real loader
// and drawn by the real text drawer at the edges of a frame, and the line
// a refused file makes checked: one line, bounded, with no control bytes.
#include "scratch.h"

#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/report.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Every character once, and the texts the game draws.
std::string everyCharacter() {
    std::string text;
    for (int c = 1; c < 256; ++c) {
        text += char(c);
    }
    return text;
}

void setUp() {
    const std::string& dir = fuzzing::scratchDir();
    std::filesystem::create_directories(std::filesystem::path(dir) /
                                        std::filesystem::path(plat::kGlyphFile).parent_path());
    // The glyph file is opened by a data path relative to the working
    // directory.
    std::filesystem::current_path(dir);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (setUp(), true);
    static const std::string all = everyCharacter();
    (void)ready;
    if (!fuzzing::writeWhole(plat::kGlyphFile, data, size)) {
        broken("cannot write the input file");
    }
    plat::detail::resetReports();
    plat::detail::forgetGlyphFont();

    plat::Surface* frame = plat::surfaceCreate(plat::kScreenWidth, plat::kScreenHeight);
    if (frame == nullptr) {
        broken("no frame to draw on");
    }
    const char* const texts[] = {all.c_str(), "Quorvelindaxtor", "ffi fl AV Wa T.", "0123456789"};
    bool drawn = true;
    for (const char* text : texts) {
        for (const auto& [x, y] : {std::pair{0, 0}, {-300, -20}, {630, 470}, {-5000, 200}}) {
            drawn = plat::textDraw(frame, text, x, y, 0xFFFFFF) && drawn;
        }
    }
    plat::surfaceRelease(frame);

    const std::string note = plat::notedFailure();
    if (drawn != note.empty()) {
        broken("a font drew while its file was refused, or failed with nothing noted");
    }
    const std::string line = plat::printable(note);
    if (line.size() > 600 || line.find('\n') != std::string::npos) {
        broken("the refusal's line is not one bounded line");
    }
    return 0;
}
