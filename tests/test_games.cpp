// The recorded games: every frame of each replay as its expectation says,
// and a check that tells the first frame and the fields that differ.
#include "support.h"

#include "games.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

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
    // A short game of its own: the pilot shoots the base from the start.
    TempDir dir;
    const games::Paths paths = gamePaths(dir.path().string());
    const games::Outcome recorded = games::recordGame(paths, "wrecker", "0:base", 120);
    ASSERT_TRUE(recorded.ok) << recorded.report;
    EXPECT_TRUE(games::checkGame(paths, "wrecker").ok);
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

// The state lines of a replay of a kept game.
std::vector<nlohmann::json> replayLines(const std::string& name, int frames) {
    TempDir dir;
    const std::string command = std::string(QV_SIM) + " --data " + dataDir().string() +
                                " --script " + QV_GAMES_DIR + "/" + name + ".keys --frames " +
                                std::to_string(frames) + " --state " +
                                (dir.path() / "state.jsonl").string() + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<nlohmann::json> lines;
    std::ifstream in(dir.path() / "state.jsonl");
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

// The frames of the kept games that were checked by hand against the rules
// when they were recorded: what each shows, stated on its own.
TEST(RecordedGames, TheFramesReviewedByHandShowTheRules) {
    if (kUnderSanitizer) {
        GTEST_SKIP() << "the same replays run under the sanitizers as the recorded games' checks";
    }
    using nlohmann::json;
    // hunter, frame 44: shot 0 moves from (144, 54) by (-6, -7) to
    // (138, 47); its rectangle meets spore 0's at (143, 35), which the
    // spores' update has not moved yet. Both end: 100 points, an explosion
    // at the spore's centre, the first spore-explosion voice.
    const auto hunter = replayLines("hunter", 45);
    ASSERT_EQ(hunter.size(), 45u);
    const json& shot = hunter[43];
    EXPECT_EQ(hunter[42]["score"], 0);
    EXPECT_EQ(shot["score"], 100);
    EXPECT_EQ(shot["sporesDestroyed"], 1);
    EXPECT_EQ(shot["shots"][0],
              (json{{"active", 0}, {"x", 138}, {"y", 47}, {"vx", -6}, {"vy", -7}}));
    EXPECT_EQ(shot["spores"][0]["active"], 0);
    EXPECT_EQ(shot["explosions"][0], (json{{"active", 1}, {"frame", 1}, {"x", 143}, {"y", 35}}));
    EXPECT_EQ(shot["effects"], json::array({1}));

    // gardener, frame 747: a shot at (186, 414) meets plant 0's right arm
    // cell 21 at (168, 416) first: the arm goes, 20 points, the explosion at
    // the cell's middle. Frame 769: a shot at (174, 428) meets the pod at
    // (168, 432): the plant goes with its ring cells 1 and 2, 50 points.
    const auto gardener = replayLines("gardener", 769);
    ASSERT_EQ(gardener.size(), 769u);
    const json& cut = gardener[746];
    EXPECT_EQ(cut["score"], 20);
    EXPECT_EQ(cut["plants"][0]["segments"],
              json::parse(R"([{"i":0,"left":168,"top":432},{"i":1,"left":152,"top":432}])"));
    EXPECT_EQ(cut["explosions"][0]["x"], 176);
    EXPECT_EQ(cut["explosions"][0]["y"], 424);
    EXPECT_EQ(gardener[767]["ring"][1], 0);
    EXPECT_EQ(gardener[767]["ring"][2], 0);
    const json& pod = gardener[768];
    EXPECT_EQ(pod["score"], 70);
    EXPECT_EQ(pod["plantsDestroyed"], 1);
    EXPECT_EQ(pod["plants"][0]["active"], 0);
    for (const json& cell : pod["ring"]) {
        EXPECT_EQ(cell, 100);
    }
    EXPECT_EQ(pod["effects"], json::array({1}));

    // sower, frame 1028: the tenth hit, shot 1 at (234, 69) on the sower at
    // (212, 48): 500 points, gone, its explosion and sound. Frame 2657: the
    // ship thrusting to (106, 82) rams it at (63, 48): 500 points, a ship
    // lost, the hit count left at 0.
    const auto sowerGame = replayLines("sower", 2657);
    ASSERT_EQ(sowerGame.size(), 2657u);
    const json& tenth = sowerGame[1027];
    EXPECT_EQ(sowerGame[1026]["sower"]["hits"], 9);
    EXPECT_EQ(tenth["sower"]["active"], 0);
    EXPECT_EQ(tenth["sower"]["hits"], 10);
    EXPECT_EQ(tenth["score"], 1500);
    EXPECT_EQ(tenth["sporesDestroyed"], 11);
    EXPECT_EQ(tenth["explosions"][0], (json{{"active", 1}, {"frame", 1}, {"x", 212}, {"y", 48}}));
    EXPECT_EQ(tenth["effects"], json::array({5}));
    const json& rammed = sowerGame[2656];
    EXPECT_EQ(rammed["score"], 4200);
    EXPECT_EQ(rammed["shipsLeft"], 3);
    EXPECT_EQ(rammed["sower"]["hits"], 0);
    EXPECT_EQ(rammed["ship"]["state"], 2);
    EXPECT_EQ(rammed["ship"]["muzzleX"], 90);
    EXPECT_EQ(rammed["ship"]["muzzleY"], 69);

    // wrecker: three shots on the base (frames 46, 54, 62) end the game at
    // once. Frame 462: Right and Down
    // held against the top step put the ship at (248 - 16, 384 - 17) with
    // its muzzle recomputed at 95 degrees; frame 463: Left puts it at
    // (391 + 16, 367). Frame 1442: the ship at (263, 350) touches plant 1's
    // right arm cell 21 at (232, 368): that cell goes alone, a ship is lost.
    const auto wrecker = replayLines("wrecker", 1442);
    ASSERT_EQ(wrecker.size(), 1442u);
    EXPECT_EQ(wrecker[45]["baseHits"], 1);
    EXPECT_EQ(wrecker[53]["baseHits"], 2);
    const json& fall = wrecker[61];
    EXPECT_EQ(fall["baseHits"], 3);
    EXPECT_EQ(fall["baseIntact"], 0);
    EXPECT_EQ(fall["ship"]["state"], 0);
    EXPECT_EQ(fall["shipsLeft"], 4);
    EXPECT_EQ(fall["baseExplosion"], (json{{"active", 1}, {"frame", 1}}));
    // A fourth shot, on the fallen base at frame 70, brings it down again
    // and restarts the wait: the title comes at frame 70 + 108.
    EXPECT_EQ(wrecker[69]["baseHits"], 4);
    EXPECT_EQ(wrecker[69]["baseExplosion"], (json{{"active", 1}, {"frame", 1}}));
    EXPECT_EQ(wrecker[176]["titles"], 1);
    EXPECT_EQ(wrecker[177]["titles"], 2);
    const json& down = wrecker[461];
    EXPECT_EQ(down["ship"]["x"], 232);
    EXPECT_EQ(down["ship"]["y"], 367);
    EXPECT_EQ(down["ship"]["muzzleX"], 233);
    EXPECT_EQ(down["ship"]["muzzleY"], 347);
    EXPECT_EQ(wrecker[462]["ship"]["x"], 407);
    EXPECT_EQ(wrecker[462]["ship"]["muzzleX"], 406);
    const json& crash = wrecker[1441];
    EXPECT_EQ(crash["shipsLeft"], 3);
    EXPECT_EQ(crash["plantsDestroyed"], 0);
    EXPECT_EQ(crash["plants"][1]["segments"], json::parse(R"([{"i":0,"left":232,"top":384}])"));
    EXPECT_EQ(crash["explosions"][0]["x"], 240);
    EXPECT_EQ(crash["explosions"][0]["y"], 376);
    EXPECT_EQ(crash["effects"], json::array({5}));
}

} // namespace
