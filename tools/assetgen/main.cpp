// quorvelindaxtor-assetgen DATA_DIR: writes DATA_DIR/images/images.bmp and
// the sound files in DATA_DIR/sons/.
#include "assets.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATA_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path data = argv[1];
    std::error_code error;
    std::filesystem::create_directories(data / "images", error);
    std::filesystem::create_directories(data / "sons", error);
    if (error) {
        std::fprintf(stderr, "cannot make %s: %s\n", data.c_str(), error.message().c_str());
        return 1;
    }
    if (!writeSpriteSheet((data / "images" / "images.bmp").string())) {
        std::fprintf(stderr, "could not write the sprite sheet\n");
        return 1;
    }
    if (!writeSounds((data / "sons").string())) {
        std::fprintf(stderr, "could not write the sounds\n");
        return 1;
    }
    return 0;
}
