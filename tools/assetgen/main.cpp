// quorvelindaxtor-assetgen DATA_DIR: writes DATA_DIR/images/images.bmp and
// the sound files in DATA_DIR/sons/.
// quorvelindaxtor-assetgen --icons DIR NAME: writes the desktop icons named
// NAME and the window's icon into DIR.
#include "assets.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--icons") {
        if (!writeIcons(argv[2], argv[3])) {
            std::fprintf(stderr, "could not write the icons into %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATA_DIR\n       %s --icons DIR NAME\n", argv[0], argv[0]);
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
