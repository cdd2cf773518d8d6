// Runs a fuzz target's entry point once on every file of its corpus: the
// files and directories named on the command line, directories read whole.
// Built by every compiler, so that each build replays the corpus.
#include "platform/files.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", plat::pathText(file).c_str());
        return false;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    // The block the target sees is exactly the file's size, as libFuzzer's
    // is, so that a read past its end is caught.
    const std::unique_ptr<uint8_t[]> input(new uint8_t[std::max<size_t>(bytes.size(), 1)]);
    if (!bytes.empty()) {
        std::memcpy(input.get(), bytes.data(), bytes.size());
    }
    LLVMFuzzerTestOneInput(input.get(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE|DIRECTORY...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path named = fs::absolute(argv[i]);
        std::error_code error;
        if (fs::is_directory(named, error)) {
            for (const auto& entry : fs::recursive_directory_iterator(named, error)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
        } else if (fs::is_regular_file(named, error)) {
            files.push_back(named);
        } else {
            std::fprintf(stderr, "no such file or directory: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(files.begin(), files.end());
    int replayed = 0;
    for (const fs::path& file : files) {
        if (!replay(file)) {
            return 1;
        }
        ++replayed;
    }
    std::printf("replayed %d inputs\n", replayed);
    // An empty corpus proves nothing.
    return replayed > 0 ? 0 : 1;
}
