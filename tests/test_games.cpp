// The recorded games: every frame of each replay as its expectation says,
// and a check that tells the first frame and the fields that differ.
#include "support.h"

#include "games.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

games::Paths gamePaths(const std::string& gamesDir = QV_GAMES_DIR) {
    return {QV_SIM, dataDir().string(), gamesDir};
}

class RecordedGame : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordedGame, ReplaysFrameByFrameAsExpected) {
    const games::Outcome outcome = games::checkGame(gamePaths(), GetParam());
    EXPECT_TRUE(outcome.ok) << outcome.report;
}

INSTANTIATE_TEST_SUITE_P(Games, RecordedGame,
                         ::testing::Values("gardener", "hunter", "sower", "wrecker"));

TEST(RecordedGames, EveryKeptGameIsChecked) {
    EXPECT_EQ(games::recordedGames(gamePaths()),
              (std::vector<std::string>{"gardener", "hunter", "sower", "wrecker"}));
}

// Replaces one frame's line of an expectation.
void alterFrame(const fs::path& file, uint64_t frame, const std::string& line) {
    std::ifstream in(file);
    std::stringstream out;
    std::string text;
    while (std::getline(in, text)) {
        const std::string prefix = std::to_string(frame) + " ";
        out << (text.rfind(prefix, 0) == 0 || text == std::to_string(frame) ? line : text) << '\n';
    }
    in.close();
    std::ofstream(file, std::ios::trunc) << out.str();
}

TEST(RecordedGames, ADifferenceNamesItsFirstFrameAndFields) {
    TempDir dir;
    for (const char* file : {"wrecker.keys", "wrecker.expect"}) {
        fs::copy_file(fs::path(QV_GAMES_DIR) / file, dir.path() / file);
    }
    const games::Paths paths = gamePaths(dir.path().string());
    // Frame 46 is the first shot on the base: claim it scored instead.
    std::ifstream in(dir.path() / "wrecker.expect");
    std::string text;
    std::string frame46;
    std::string fields;
    while (std::getline(in, text)) {
        if (text.rfind("46 ", 0) == 0) {
            frame46 = text;
        }
        if (text.rfind("fields ", 0) == 0) {
            fields = text;
        }
    }
    ASSERT_NE(frame46.find(" b"), std::string::npos) << "baseHits changes on frame 46";
    ASSERT_NE(fields.find("k:score"), std::string::npos);
    in.close();
    alterFrame(dir.path() / "wrecker.expect", 46, frame46 + " k00000000");
    const games::Outcome outcome = games::checkGame(paths, "wrecker");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.report.find("frame 46 differs in score"), std::string::npos)
        << outcome.report;
    EXPECT_NE(outcome.report.find("\"baseHits\":1"), std::string::npos) << outcome.report;

    // Re-recording on purpose makes the check pass again.
    EXPECT_TRUE(games::rerecordGame(paths, "wrecker").ok);
    EXPECT_TRUE(games::checkGame(paths, "wrecker").ok);
    // A missing expectation is a failure with a reason, not a pass.
    fs::remove(dir.path() / "wrecker.expect");
    const games::Outcome missing = games::checkGame(paths, "wrecker");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.report.find("no expectation"), std::string::npos);
}

} // namespace
