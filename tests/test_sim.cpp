// The simulator from the outside: its options, its state lines and its
// pictures, on the real generated data.
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST_F(SimTest, HeldSpaceFiresFourShotsTwoHundredMsApart) {
    ASSERT_EQ(simulate("f0 ENTER\nf1 SPACE\n", "--frames 60 --state " + path("state.jsonl")), 0);
    const auto lines = stateLines();
    ASSERT_EQ(lines.size(), 60u);
    std::vector<int> laser;
    for (const json& line : lines) {
        ASSERT_EQ(line["shots"].size(), 4u) << "every record, active or not";
        int active = 0;
        for (const json& shot : line["shots"]) {
            active += shot["active"].get<int>();
        }
        EXPECT_LE(active, 4);
        for (const json& slot : line["effects"]) {
            if (slot == 0) {
                laser.push_back(line["frame"]);
            }
        }
    }
    EXPECT_EQ(std::vector<int>(laser.begin(), laser.begin() + 4), (std::vector<int>{1, 9, 17, 25}));
    EXPECT_EQ(lines[0]["shots"][0],
              (json{{"active", 1}, {"x", 319}, {"y", 230}, {"vx", 0}, {"vy", -9}}));
    EXPECT_EQ(lines[0]["shots"][1]["active"], 0);
}

TEST_F(SimTest, SporesFallFromTheFirstFrameAndTakeRootOnThePlantsGrid) {
    ASSERT_EQ(simulate("f0 ENTER\n", "--frames 1500 --state " + path("state.jsonl")), 0);
    const auto lines = stateLines();
    ASSERT_EQ(lines.size(), 1500u);
    // The run's first draw is the first spore's column: 229, then its drift.
    const json& first = lines[0]["spores"][0];
    EXPECT_EQ(first["active"], 1);
    EXPECT_EQ(first["x"].get<int>() - first["vx"].get<int>(), 229);
    EXPECT_EQ(first["y"], -7);
    int seededCells = 0;
    int metamorphoses = 0;
    for (const json& line : lines) {
        for (const json& plant : line["plants"]) {
            for (const json& segment : plant["segments"]) {
                ASSERT_EQ((segment["left"].get<int>() - 8) % 16, 0);
                ASSERT_EQ(segment["top"].get<int>() % 16, 0);
                ++seededCells;
            }
        }
        for (const json& slot : line["effects"]) {
            metamorphoses += slot == 6;
        }
    }
    EXPECT_GT(seededCells, 0);
    EXPECT_GT(metamorphoses, 0);
}

TEST_F(SimTest, AnIdlePlayerLosesToTheSporesThenToThePlantsTheSameWayEveryRun) {
    if (kUnderSanitizer) {
        GTEST_SKIP() << "whole games run under the sanitizers in the recorded games and the soak";
    }
    const std::string options = "--frames 6000 --state ";
    ASSERT_EQ(simulate("f0 ENTER\n", options + path("state.jsonl")), 0);
    const auto lines = stateLines();
    ASSERT_EQ(lines.size(), 6000u);
    std::ifstream firstRun(path("state.jsonl"));
    const std::string firstBytes((std::istreambuf_iterator<char>(firstRun)), {});
    ASSERT_EQ(simulate("f0 ENTER\n", options + path("again.jsonl")), 0);
    std::ifstream secondRun(path("again.jsonl"));
    EXPECT_EQ(firstBytes, std::string((std::istreambuf_iterator<char>(secondRun)), {}));

    // Each game over, in order: how it came and where.
    std::vector<size_t> losses;
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i]["ship"]["state"] == 0 && lines[i - 1]["ship"]["state"] != 0) {
            losses.push_back(i);
        }
    }
    ASSERT_GE(losses.size(), 2u);
    const json& firstLoss = lines[losses[0]];
    EXPECT_EQ(firstLoss["titles"], 1);
    EXPECT_EQ(firstLoss["shipsLeft"], 0) << "the spores took the four ships";
    EXPECT_EQ(firstLoss["baseIntact"], 1);

    const size_t fall = losses[1];
    EXPECT_EQ(lines[fall]["titles"], 2);
    EXPECT_GT(lines[fall]["shipsLeft"].get<int>(), 0) << "lost to the plants";
    EXPECT_EQ(lines[fall]["baseIntact"], 0);
    int covered = 0;
    for (const json& plant : lines[fall - 1]["ring"]) {
        covered += plant != 100;
    }
    EXPECT_EQ(covered, 22) << "the growth step of the fall's frame took the last cell";
    for (const json& plant : lines[fall]["ring"]) {
        EXPECT_EQ(plant, 100);
    }
    for (const json& plant : lines[fall]["plants"]) {
        EXPECT_EQ(plant["active"], 0);
    }
    for (int k = 0; k < 14; ++k) {
        const json& explosion = lines[fall + k]["baseExplosion"];
        EXPECT_EQ(explosion["active"], k < 13 ? 1 : 0);
        EXPECT_EQ(explosion["frame"], k + 1);
    }
    // The title after more than 3000 ms, and a third game at once.
    size_t title = fall;
    while (title < lines.size() && lines[title]["titles"] == 2) {
        ++title;
    }
    ASSERT_LT(title, lines.size());
    EXPECT_EQ(lines[title - 1]["tick"].get<uint64_t>() - lines[fall]["tick"].get<uint64_t>(),
              107u * 28);
    EXPECT_EQ(lines[title]["titles"], 3);
    EXPECT_EQ(lines[title]["baseIntact"], 1);
    EXPECT_EQ(lines[title]["shipsLeft"], 4);
}

TEST_F(SimTest, ARecordedGameReplaysToTheSameStateLines) {
    // Keys changed by frame and by the clock, mid-frame too, and the pilot.
    const std::string script = "f0 ENTER\nt2990 ENTER SPACE\nt3517 LEFT SPACE\nf160 UP DOWN\n"
                               "f170\nt7003 RIGHT\n";
    ASSERT_EQ(simulate(script, "--frames 300 --state " + path("first.jsonl") + " --record " +
                                   path("keys.txt")),
              0);
    std::ifstream recorded(path("keys.txt"));
    std::stringstream keys;
    keys << recorded.rdbuf();
    int frameLines = 0;
    int timeLines = 0;
    std::istringstream lines(keys.str());
    std::string line;
    while (std::getline(lines, line)) {
        frameLines += line.rfind('f', 0) == 0;
        timeLines += line.rfind('t', 0) == 0;
    }
    EXPECT_EQ(frameLines, 301) << "the title's frame 0 and every frame after";
    EXPECT_GE(timeLines, 2) << "the changes between frame starts";
    ASSERT_EQ(simulate(keys.str(), "--frames 300 --state " + path("second.jsonl")), 0);
    auto bytes = [this](const char* name) {
        std::ifstream in(path(name));
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    EXPECT_EQ(bytes("first.jsonl"), bytes("second.jsonl"));

    // The pilot's game, recorded, replays the same way.
    ASSERT_EQ(simulate("", "--autopilot 0:spores,200:plants --frames 400 --state " +
                               path("pilot.jsonl") + " --record " + path("pilot.txt")),
              0);
    std::ifstream pilotKeys(path("pilot.txt"));
    std::stringstream pilot;
    pilot << pilotKeys.rdbuf();
    ASSERT_EQ(simulate(pilot.str(), "--frames 400 --state " + path("again.jsonl")), 0);
    EXPECT_EQ(bytes("pilot.jsonl"), bytes("again.jsonl"));
    EXPECT_GT(bytes("pilot.jsonl").size(), 400u * 100);
    EXPECT_EQ(simulate("", "--autopilot 0:dance"), 2) << "an unknown goal is refused";
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

TEST_F(SimTest, F3AndF4HeldTogetherStopTheRunInsteadOfHangingIt) {
    // The two screens take turns at once for as long as both keys are held;
    // the clock never moves, so the release at 500 ms can never come.
    EXPECT_EQ(simulate("f0 F3 F4\nt500\n", "--frames 5"), 0);
    std::ifstream out(dir_.path() / "out.txt");
    std::stringstream text;
    text << out.rdbuf();
    EXPECT_NE(text.str().find("F3 and F4 are held together"), std::string::npos) << text.str();
}

TEST_F(SimTest, TimedEventsRunHoweverFarAheadAndEveryOtherStopSaysWhy) {
    const struct {
        const char* script;
        const char* frames;
        size_t lines;
        const char* said; // on the simulator's output; empty: nothing
    } cases[] = {
        {"t10001 ENTER\n", "5", 5, ""},
        {"t100000000000 ENTER\n", "5", 5, ""},
        {"t999999999999999999 ENTER\n", "5", 5, ""},
        {"f0 F3\n", "1000", 0, "waited 10000 ms for a key with no script event left"},
        {"f0 F3\n", "5", 0, "took its 168 ms of virtual time"},
        // The screen waits on past its last event: the run's time ends first.
        {"t100 UP\nt20000 UP\n", "1", 0, "took its 20056 ms of virtual time"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(simulate(c.script,
                           std::string("--frames ") + c.frames + " --state " + path("state.jsonl")),
                  0);
        EXPECT_EQ(stateLines().size(), c.lines);
        std::ifstream out(dir_.path() / "out.txt");
        std::stringstream read;
        read << out.rdbuf();
        const std::string text = read.str();
        if (*c.said == '\0') {
            EXPECT_EQ(text, "");
        } else {
            EXPECT_NE(text.find(c.said), std::string::npos) << text;
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        }
    }
    // The title music asked for before the first frame, and whether it
    // could play.
    ASSERT_EQ(simulate("t10001 ENTER\n", "--frames 1 --state " + path("state.jsonl")), 0);
    ASSERT_EQ(stateLines().size(), 1u);
    EXPECT_EQ(stateLines()[0]["player"],
              json::parse(R"([{"file":"sons/alien.wav","loop":true,"played":true}])"));
    const auto broken = dir_.path() / "data";
    copyData(broken);
    writeFile(broken / "sons" / "alien.wav", {'R', 'I', 'F', 'F'});
    EXPECT_EQ(simulate("f0 ENTER\n", "--frames 1 --state " + path("state.jsonl"), broken), 0);
    ASSERT_EQ(stateLines().size(), 1u);
    EXPECT_EQ(stateLines()[0]["player"][0]["played"], false);
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

TEST_F(SimTest, AnOutputThatCannotTakeItsLinesStopsTheRunWithItsCause) {
    const std::string longName = path("") + std::string(6000, 'n');
    const struct {
        std::string options;
        int status;
        std::string line;
    } cases[] = {
        {"--state /dev/full", 1, "cannot write /dev/full: No space left on device"},
        {"--record /dev/full", 1, "cannot write /dev/full: No space left on device"},
        {"--shot 3:" + path("missing/x.png"), 1,
         "cannot write " + path("missing/x.png") + ": No such file or directory"},
        {"--shot 0:/dev/full", 1, "cannot write /dev/full: No space left on device"},
        {"--state " + longName, 2, "cannot write " + longName + ": File name too long"},
        {"--shots-dir /dev/full", 2, "cannot make /dev/full: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.substr(0, 80));
        EXPECT_EQ(simulate("f0 ENTER\n", "--frames 20 " + c.options), c.status);
        std::ifstream out(dir_.path() / "out.txt");
        std::stringstream read;
        read << out.rdbuf();
        const std::string text = read.str();
        EXPECT_EQ(text.rfind("quorvelindaxtor-sim: " + c.line, 0), 0u) << text.substr(0, 300);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    }
}

TEST_F(SimTest, InputsItCannotTakeAreRefusedWithWhereTheyCameFrom) {
    const std::string big(20, '9');
    const struct {
        std::string script; // empty: the option names the script itself
        std::string options;
        std::string line;
    } cases[] = {
        {"", "--script " + path(""), "cannot read script " + path("") + ": a directory, not a"},
        {"", "--script /dev/zero", "cannot read script /dev/zero: a device, not a file or a pipe"},
        {"f0 ENTER\n", "--autopilot " + big + ":spores",
         "bad --autopilot: the frame '" + big + "' is past the last one"},
        {"f0 ENTER\n", "--shot " + big + ":" + path("x.png"),
         "--shot: the frame '" + big + "' is past the last one"},
        {"f0 ENTER\n", "--frames " + big,
         "--frames takes a whole number of 0..18446744073709551615"},
        {"f0 ENTER\n", "--start-tick 4294967296",
         "--start-tick takes a whole number of 0..4294967295"},
        {"f" + big + " ENTER\n", "", "bad script: line 1: the mark 'f" + big + "' is past"},
        {"f0 \x1b[2J" + std::string(10000, 'K') + "\n", "",
         "bad script: line 1: unknown key '\\x1B[2J" + std::string(56, 'K') + "...'"},
        {std::string("f0 EN\0TER\n", 11), "", "bad script: line 1: unknown key 'EN\\x00TER'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string command = std::string(QV_SIM) + " --data " + dataDir().string() +
                                    (c.script.empty() ? "" : " --script " + path("script.txt")) +
                                    " " + c.options + " > " + path("out.txt") + " 2>&1";
        { std::ofstream(path("script.txt"), std::ios::binary) << c.script; }
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
        std::ifstream out(path("out.txt"));
        std::stringstream read;
        read << out.rdbuf();
        const std::string text = read.str();
        EXPECT_EQ(text.rfind("quorvelindaxtor-sim: " + c.line, 0), 0u) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    }
    // A script larger than a script may be, through a pipe.
    const std::string piped = "head -c 17000000 /dev/zero | " + std::string(QV_SIM) + " --data " +
                              dataDir().string() + " --script /dev/stdin > " + path("out.txt") +
                              " 2>&1";
    const int status = std::system(piped.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
    std::ifstream out(path("out.txt"));
    std::string line;
    std::getline(out, line);
    EXPECT_EQ(line, "quorvelindaxtor-sim: cannot read script /dev/stdin: larger than the 16.0 MiB "
                    "a script may take");
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
