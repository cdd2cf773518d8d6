// Where the programs find their data: the working directory, a build tree,
// an installed prefix, and the same prefix moved elsewhere.
#include "support.h"

#include "platform/files.h"
#include "platform/report.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// Where an installed program's data lies, from the program's directory:
// the build sets it from its install layout (beside the program on Windows).
#ifndef QV_INSTALLED_DATA_FROM_PROGRAM
#define QV_INSTALLED_DATA_FROM_PROGRAM "../share/quorvelindaxtor"
#endif

fs::path installedData(const fs::path& programDirectory) {
    const fs::path installed =
        (programDirectory / QV_INSTALLED_DATA_FROM_PROGRAM).lexically_normal();
    return installed.has_filename() ? installed : installed.parent_path();
}

class DataDirectoryTest : public ::testing::Test {
  protected:
    // A directory holding the two data directories, named as given.
    fs::path makeData(const fs::path& directory, const char* images = "images",
                      const char* sounds = "sons") {
        fs::create_directories(directory / images);
        fs::create_directories(directory / sounds);
        return directory;
    }
    fs::path makeProgram(const fs::path& directory) {
        fs::create_directories(directory);
        writeFile(directory / "quorvelindaxtor", {0x7F, 'E', 'L', 'F'});
        return directory / "quorvelindaxtor";
    }

    TempDir root_;
    const fs::path elsewhere_ = root_.path() / "elsewhere";
};

TEST_F(DataDirectoryTest, TheBuildTreesDataBesideTheProgram) {
    fs::create_directories(elsewhere_);
    const fs::path program = makeProgram(root_.path() / "build");
    const fs::path data = makeData(root_.path() / "build" / "data");
    EXPECT_EQ(plat::findDataDirectory(program, elsewhere_), data);
    // It comes before an installed data directory next to it.
    makeData(root_.path() / "share" / "quorvelindaxtor");
    EXPECT_EQ(plat::findDataDirectory(program, elsewhere_), data);
}

TEST_F(DataDirectoryTest, AnInstalledPrefixAndTheSamePrefixMoved) {
    fs::create_directories(elsewhere_);
    const fs::path prefix = root_.path() / "usr";
    makeProgram(prefix / "bin");
    makeData(installedData(prefix / "bin"), "images", "Sons");
    EXPECT_EQ(plat::findDataDirectory(prefix / "bin" / "quorvelindaxtor", elsewhere_),
              installedData(prefix / "bin"));

    const fs::path moved = root_.path() / "opt" / "games";
    fs::create_directories(moved.parent_path());
    fs::rename(prefix, moved);
    EXPECT_EQ(plat::findDataDirectory(moved / "bin" / "quorvelindaxtor", elsewhere_),
              installedData(moved / "bin"));
}

TEST_F(DataDirectoryTest, TheWorkingDirectoryWinsWhenItHoldsBothDirectories) {
    const fs::path program = makeProgram(root_.path() / "build");
    const fs::path built = makeData(root_.path() / "build" / "data");
    const fs::path here = makeData(root_.path() / "mine", "IMAGES", "sons");
    EXPECT_EQ(plat::findDataDirectory(program, here), here);

    // Pictures alone are not the game's data.
    fs::create_directories(elsewhere_ / "images");
    EXPECT_EQ(plat::findDataDirectory(program, elsewhere_), built);

    fs::remove_all(built);
    EXPECT_EQ(plat::findDataDirectory(program, elsewhere_), fs::path());
    EXPECT_EQ(plat::findDataDirectory(fs::path(), elsewhere_), fs::path());
}

TEST_F(DataDirectoryTest, EnteringTheDataDirectoryOrSayingWhereItWasLookedFor) {
    freshProgram();
    const fs::path program = plat::runningProgramFile();
    ASSERT_TRUE(program.is_absolute());
    EXPECT_EQ(program.stem(), "qv_tests");

    const fs::path data = fs::canonical(makeData(root_.path() / "data"));
    {
        WorkingDirectory here(data);
        EXPECT_TRUE(plat::enterDataDirectory());
        EXPECT_EQ(fs::current_path(), data);
    }
    fs::create_directories(elsewhere_);
    const fs::path empty = fs::canonical(elsewhere_);
    WorkingDirectory here(empty);
    EXPECT_FALSE(plat::enterDataDirectory());
    EXPECT_EQ(fs::current_path(), empty);
    const fs::path beside = program.parent_path();
    EXPECT_EQ(plat::notedFailure(),
              "quorvelindaxtor: cannot find the game's data (images/ and sons/) in " +
                  empty.string() + ", " + (beside / "data").string() + " or " +
                  installedData(beside).string());
    freshProgram();
}

} // namespace
