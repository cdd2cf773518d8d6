// Data files on Windows, under Wine: found and read in a folder whose name
// has letters outside ASCII and a space, and refused for what Windows has
// that is no regular file, each with the words and errno the other systems
// give.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class WindowsFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / fs::path(u8"Jeux de Jérôme");
        fs::remove_all(root_);
        fs::create_directories(root_ / "images");
        fs::create_directories(root_ / "sons");
        std::ofstream(root_ / "sons" / "laser.wav", std::ios::binary) << "RIFF0123";
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string text(const fs::path& path) const { return plat::pathText(path); }

    fs::path root_;
};

TEST_F(WindowsFilesTest, AFileInAFolderNamedOutsideAsciiIsFoundAndRead) {
    uint64_t size = 0;
    std::string why;
    // Letter case differs from the disk's, as the game's names do.
    const std::string path = text(root_ / "Sons" / "LASER.wav");
    std::FILE* file = plat::openDataFile(path.c_str(), 64, &size, &why);
    ASSERT_NE(file, nullptr) << why;
    char bytes[9] = {};
    EXPECT_EQ(std::fread(bytes, 1, 8, file), 8u);
    EXPECT_STREQ(bytes, "RIFF0123");
    EXPECT_EQ(size, 8u);
    std::fclose(file);
    // Windows' names ignore letter case: the name as asked is the file.
    EXPECT_TRUE(fs::equivalent(plat::pathFromText(plat::findDataFile(path.c_str())),
                               root_ / "sons" / "laser.wav"));
}

TEST_F(WindowsFilesTest, WhatIsNoRegularFileOrTooLargeIsRefusedWithItsReason) {
    const struct {
        const char* what;
        std::string path;
        uint64_t maxBytes;
        std::string why;
        int error;
    } cases[] = {
        {"a folder", text(root_ / "images"), 64, "a directory, not a file", EISDIR},
        {"a device", "NUL", 64, "a device, not a regular file", ENODEV},
        {"a missing file", text(root_ / "sons" / "alien.wav"), 64, std::strerror(ENOENT), ENOENT},
        {"a missing folder", text(root_ / "none" / "alien.wav"), 64, std::strerror(ENOENT), ENOENT},
        {"a file over its bound", text(root_ / "sons" / "laser.wav"), 4,
         "the file holds 8 bytes, more than the 4 bytes such a file may take", EFBIG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string why;
        errno = 0;
        EXPECT_EQ(plat::openDataFile(c.path.c_str(), c.maxBytes, nullptr, &why), nullptr);
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(errno, c.error);
    }
}

TEST_F(WindowsFilesTest, TheDataIsFoundBesideTheProgramInAFolderNamedOutsideAscii) {
    const fs::path program = plat::runningProgramFile();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.extension(), ".exe");
    const fs::path elsewhere = fs::temp_directory_path();
    EXPECT_EQ(plat::findDataDirectory(root_ / "quorvelindaxtor.exe", elsewhere), root_);
}

} // namespace
