// The simulator from the outside: its options, its state lines and its
// pictures, on the real generated data.
#include "support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

using namespace testing_support;
using nlohmann::json;

class SimTest : public ::testing::Test {
  protected:
    // Runs the simulator with a script; returns its exit status.
    int simulate(const std::string& script, const std::string& options,
                 const std::filesystem::path& data = dataDir()) {
        const auto scriptPath = dir_.path() / "script.txt";
        std::ofstream(scriptPath) << script;
        const std::string command = std::string(QV_SIM) + " --data " + data.string() +
                                    " --script " + scriptPath.string() + " " + options + " > " +
                                    (dir_.path() / "out.txt").string() + " 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<json> stateLines() {
        std::vector<json> lines;
        std::ifstream in(dir_.path() / "state.jsonl");
        std::string line;
        while (std::getline(in, line)) {
            lines.push_back(json::parse(line));
        }
        return lines;
    }

    std::string path(const char* name) const { return (dir_.path() / name).string(); }

    TempDir dir_;
};

// Width and height from a PNG's header.
std::pair<uint32_t, uint32_t> pngSize(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> head(24);
    in.read(reinterpret_cast<char*>(head.data()), 24);
    if (!in || head[1] != 'P' || head[2] != 'N' || head[3] != 'G') {
        return {0, 0};
    }
    auto be32 = [&head](int at) {
        return uint32_t(head[at]) << 24 | uint32_t(head[at + 1]) << 16 |
               uint32_t(head[at + 2]) << 8 | uint32_t(head[at + 3]);
    };
    return {be32(16), be32(20)};
}

TEST_F(SimTest, FiftyFramesOfAGameWithStateLinesAndTheTitlePicture) {
    ASSERT_EQ(simulate("f0 ENTER\n", "--frames 50 --state " + path("state.jsonl") + " --shot 0:" +
                                         path("title.png") + " --shot 50:" + path("play.png")),
              0);
    const auto lines = stateLines();
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines[0]["frame"], 1);
    EXPECT_EQ(lines[0]["score"], 0);
    EXPECT_EQ(lines[0]["shipsLeft"], 4);
    EXPECT_EQ(lines[0]["titles"], 1);
    EXPECT_EQ(lines[0]["ship"]["state"], 1);
    // The first line holds the title screen's music request.
    ASSERT_EQ(lines[0]["player"].size(), 1u);
    EXPECT_EQ(lines[0]["player"][0]["file"], "sons/alien.wav");
    EXPECT_EQ(lines[0]["player"][0]["loop"], true);
    EXPECT_TRUE(lines[1]["player"].empty());
    // Every frame lasts 28 ms of the virtual clock.
    EXPECT_EQ(lines[49]["tick"].get<uint64_t>() - lines[0]["tick"].get<uint64_t>(), 49u * 28);
    EXPECT_EQ(pngSize(path("title.png")), std::make_pair(640u, 480u));
    EXPECT_EQ(pngSize(path("play.png")), std::make_pair(640u, 480u));
}

TEST_F(SimTest, ScriptedKeysSteerTheShipFromTheirFrameOn) {
    ASSERT_EQ(
        simulate("f0 ENTER  # start\nf3 UP\nf5\n", "--frames 6 --state " + path("state.jsonl")), 0);
    const auto lines = stateLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1]["ship"]["y"], 259);
    EXPECT_EQ(lines[2]["ship"]["y"], 255);
    EXPECT_EQ(lines[3]["ship"]["y"], 251);
    EXPECT_EQ(lines[5]["ship"]["y"], 251);
}

TEST_F(SimTest, ControlsScreenThenTitleAgainInTheShotsDirectory) {
    const auto shots = dir_.path() / "shots";
    ASSERT_EQ(simulate("f0 F3\nt100\nt200 F4\nt300\n", "--frames 5 --shots-dir " + shots.string()),
              0);
    // Title, controls, title; the program then waits with no event left.
    EXPECT_TRUE(std::filesystem::exists(shots / "flip-00003.png"));
    EXPECT_FALSE(std::filesystem::exists(shots / "flip-00004.png"));
    std::ifstream a(shots / "flip-00001.png", std::ios::binary);
    std::ifstream b(shots / "flip-00002.png", std::ios::binary);
    std::ifstream c(shots / "flip-00003.png", std::ios::binary);
    std::stringstream sa, sb, sc;
    sa << a.rdbuf();
    sb << b.rdbuf();
    sc << c.rdbuf();
    EXPECT_NE(sa.str(), sb.str());
    EXPECT_EQ(sa.str(), sc.str());
}

TEST_F(SimTest, EscQuitsAndBadOptionsOrScriptsAreRefused) {
    EXPECT_EQ(simulate("f0 ENTER\nf4 ESC\n", "--frames 100 --state " + path("state.jsonl")), 0);
    const auto lines = stateLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3]["quit"], true);

    EXPECT_EQ(simulate("f0 JUMP\n", ""), 2);
    EXPECT_EQ(simulate("x10 ENTER\n", ""), 2);
    EXPECT_EQ(simulate("f0 ENTER\n", "--shot nope"), 2);
    EXPECT_EQ(simulate("f0 ENTER\n", "--frames many"), 2);
}

TEST_F(SimTest, AGameThatCannotStartEndsTheSimulationWithOne) {
    const auto broken = dir_.path() / "data";
    copyData(broken);
    std::filesystem::remove(broken / "sons" / "Laser.wav");
    EXPECT_EQ(simulate("f0 ENTER\n", "--frames 10 --state " + path("state.jsonl"), broken), 1);
    EXPECT_TRUE(stateLines().empty()) << "no frame ran";
    // The line the game would have written, on the simulator's own output.
    std::ifstream out(dir_.path() / "out.txt");
    std::string line;
    std::getline(out, line);
    EXPECT_EQ(line, "quorvelindaxtor: cannot load " +
                        (std::filesystem::canonical(broken) / "sons" / "Laser.wav").string() +
                        ": No such file or directory");
    std::filesystem::remove(broken / "images" / "images.bmp");
    EXPECT_EQ(simulate("f0 ENTER\n", "--frames 10", broken), 1);
}

TEST_F(SimTest, WithoutDataGivenItFindsTheBuildsDataFromAnyDirectory) {
    std::ofstream(path("script.txt")) << "f0 ENTER\n";
    const std::string command = "cd " + dir_.path().string() + " && " + QV_SIM +
                                " --script script.txt --frames 3 --state " + path("state.jsonl") +
                                " > " + path("out.txt") + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(stateLines().size(), 3u);
}

TEST_F(SimTest, TheCounterWrapsWithoutStallingTheGame) {
    ASSERT_EQ(simulate("f0 ENTER\n",
                       "--frames 20 --start-tick 4294967000 --state " + path("state.jsonl")),
              0);
    const auto lines = stateLines();
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_LT(lines[19]["tick"].get<uint64_t>(), 1000u);
}

} // namespace
