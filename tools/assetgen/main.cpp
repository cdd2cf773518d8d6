// quorvelindaxtor-assetgen DATA_DIR: writes the sprite sheet and the sound
// files at their places in DATA_DIR (data_files.h names them).
// quorvelindaxtor-assetgen --icons DIR NAME: writes the desktop icons named
// NAME and the window's icon into DIR.
// quorvelindaxtor-assetgen --web-icons DIR: writes the web page's icons into DIR.
#include "assets.h"
#include "data_files.h"

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
    if (argc == 3 && std::string(argv[1]) == "--web-icons") {
        if (!writeWebIcons(argv[2])) {
            std::fprintf(stderr, "could not write the web icons into %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: %s DATA_DIR\n       %s --icons DIR NAME\n       %s --web-icons DIR\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    const std::filesystem::path data = argv[1];
    std::error_code error;
    for (const char* name : {dataFiles::kSheet, dataFiles::kLaser}) {
        std::filesystem::create_directories((data / dataFiles::onDisk(name)).parent_path(), error);
    }
    if (error) {
        std::fprintf(stderr, "cannot make %s: %s\n", data.c_str(), error.message().c_str());
        return 1;
    }
    if (!writeSpriteSheet((data / dataFiles::onDisk(dataFiles::kSheet)).string())) {
        std::fprintf(stderr, "could not write the sprite sheet\n");
        return 1;
    }
    if (!writeSounds(data.string())) {
        std::fprintf(stderr, "could not write the sounds\n");
        return 1;
    }
    return 0;
}
