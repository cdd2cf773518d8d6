// quorvelindaxtor-soak: the game on the headless backend with random keys,
// every invariant checked after every frame.
#include "sim_io.h"
#include "soak.h"

#include "platform/report.h"

#include <cxxopts.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Scripts up to this many lines are printed whole with a failure.
constexpr size_t kPrintedScriptLines = 40;

int usageError(const std::string& message) {
    std::fprintf(stderr, "quorvelindaxtor-soak: %s\n", plat::printable(message).c_str());
    return 2;
}

void printStats(std::FILE* out, const soak::Stats& s) {
    std::fprintf(out,
                 "  %llu frames, %llu games (%llu lost with no ship left, %llu with the base "
                 "down), %llu ships lost\n"
                 "  base falls: %llu to shots, %llu to a siege; sower visits %llu; best score %d\n"
                 "  most plants %d, most ring cells taken %d; stale ring records allowed: %llu "
                 "after the ship, %llu after a fall; cells hidden by a second plant %llu\n"
                 "  frames with every record in use: shots %llu, spores %llu, plants %llu, "
                 "explosions %llu\n",
                 (unsigned long long)s.frames, (unsigned long long)s.games,
                 (unsigned long long)s.gamesLostWithNoShip,
                 (unsigned long long)s.gamesLostWithBaseDown, (unsigned long long)s.shipsLost,
                 (unsigned long long)s.baseFallsByShots, (unsigned long long)s.baseFallsBySiege,
                 (unsigned long long)s.sowerVisits, s.bestScore, s.mostPlants, s.mostRingCellsTaken,
                 (unsigned long long)s.staleAfterShip, (unsigned long long)s.staleAfterBaseFall,
                 (unsigned long long)s.hiddenBySecondPlant, (unsigned long long)s.framesAllShots,
                 (unsigned long long)s.framesAllSpores, (unsigned long long)s.framesAllPlants,
                 (unsigned long long)s.framesAllExplosions);
}

} // namespace

int main(int argc, char** argv) {
    cxxopts::Options parser("quorvelindaxtor-soak",
                            "Runs Quorvelindaxtor headless with random keys and checks after "
                            "every frame what must always hold.");
    // clang-format off
    parser.add_options()
        ("frames", "frames to run", cxxopts::value<uint64_t>()->default_value("1000000"))
        ("seed", "seed of the random keys", cxxopts::value<uint64_t>()->default_value("1"))
        ("start-tick", "tick counter at program start",
         cxxopts::value<uint32_t>()->default_value("10000000"))
        ("data", "working directory holding images/ and sons/", cxxopts::value<std::string>())
        ("replay", "hold the keys of this script (f<N> KEY... lines) instead of random ones",
         cxxopts::value<std::string>())
        ("keys", "write the keys held to this file as a script, a line at a time as they are "
         "held, and keep it (by default soak-SEED.keys, removed when every invariant held)",
         cxxopts::value<std::string>())
        ("h,help", "show this help");
    // clang-format on

    soak::Options options;
    std::string dataDir;
    std::string keysFile;
    bool keysAsked = false;
    try {
        const auto args = parser.parse(argc, argv);
        if (args.count("help") != 0) {
            std::puts(parser.help().c_str());
            return 0;
        }
        if (!args.unmatched().empty()) {
            return usageError("unexpected argument " + args.unmatched().front());
        }
        options.frames = args["frames"].as<uint64_t>();
        options.seed = args["seed"].as<uint64_t>();
        options.startTick = args["start-tick"].as<uint32_t>();
        dataDir = args.count("data") != 0
                      ? args["data"].as<std::string>()
                      : (fs::canonical("/proc/self/exe").parent_path() / "data").string();
        if (args.count("replay") != 0) {
            const std::string path = args["replay"].as<std::string>();
            std::string text;
            std::string why;
            if (!sim::readScriptFile(path, sim::kMaxScriptBytes, text, why)) {
                return usageError("cannot read script " + path + ": " + why);
            }
            std::string error;
            auto script = sim::parseScript(text, error);
            if (!script) {
                return usageError("bad script: " + error);
            }
            for (const sim::ScriptEvent& event : *script) {
                if (!event.atFrame) {
                    return usageError("bad script: the soak holds keys by frame (f<N>) only");
                }
            }
            options.replay = true;
            options.script = std::move(*script);
            std::stable_sort(options.script.begin(), options.script.end(),
                             [](const auto& a, const auto& b) { return a.mark < b.mark; });
        }
        keysAsked = args.count("keys") != 0;
        if (keysAsked) {
            keysFile = fs::absolute(args["keys"].as<std::string>()).string();
        } else if (options.replay) {
            // A replay's keys are its script's.
            keysFile = fs::absolute(args["replay"].as<std::string>()).string();
        } else {
            keysFile = fs::absolute("soak-" + std::to_string(options.seed) + ".keys").string();
        }
    } catch (const std::exception& error) {
        return usageError(error.what());
    }
    if (options.frames == 0) {
        return usageError("--frames must be at least 1");
    }

    std::error_code error;
    if (!fs::is_directory(dataDir, error)) {
        return usageError("no data directory " + dataDir);
    }
    fs::current_path(dataDir, error);
    if (error) {
        return usageError("cannot enter " + dataDir);
    }
    const bool writeKeys = keysAsked || !options.replay;
    options.keysFile = writeKeys ? keysFile : "";
    options.progressEvery = 100000;
    options.progress = [](const soak::Stats& stats) {
        std::fprintf(stderr,
                     "quorvelindaxtor-soak: frame %llu, %llu games, every invariant holds\n",
                     (unsigned long long)stats.frames, (unsigned long long)stats.games);
    };

    const std::string what =
        options.replay ? "the script's keys" : "seed " + std::to_string(options.seed);
    const auto began = std::chrono::steady_clock::now();
    const soak::Result result = soak::run(options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    if (result.outcome == soak::Outcome::WriteFailed) {
        // The keys written so far stay, whole lines only; nothing claims more.
        std::fprintf(stderr, "quorvelindaxtor-soak: %s\n", result.broken.front().c_str());
        return 1;
    }
    const bool held = result.outcome == soak::Outcome::Held;
    // The frame the keys run up to: the last one run, the one that broke an
    // invariant, or the one in which the game failed.
    const uint64_t lastFrame = held                                      ? result.frames
                               : result.outcome == soak::Outcome::Broken ? result.brokenFrame
                                                                         : result.frames + 1;
    if (held && !keysAsked && writeKeys) {
        fs::remove(keysFile, error);
    } else if (writeKeys) {
        // The same keys, under a comment that says what they lead to.
        std::string comment = "Keys of quorvelindaxtor-soak, " + what + ", start tick " +
                              std::to_string(options.startTick) + ":\n";
        comment += held ? "every invariant held for " + std::to_string(result.frames) + " frames"
                        : result.broken.front();
        sim::LineFile out;
        std::istringstream lines(soak::keyScript(result.keys, lastFrame, comment));
        bool written = out.open(keysFile);
        for (std::string line; written && std::getline(lines, line);) {
            written = out.writeLine(line);
        }
        if (!out.close() || !written) {
            std::fprintf(stderr, "quorvelindaxtor-soak: %s\n", out.failure().c_str());
            return 1;
        }
    }

    if (held) {
        std::printf("quorvelindaxtor-soak: %llu frames with %s: every invariant held "
                    "(%.1f s, %.0f frames/s; state digest %016llx)\n",
                    (unsigned long long)result.frames, what.c_str(), seconds,
                    double(result.frames) / std::max(seconds, 1e-9),
                    (unsigned long long)result.digest);
        printStats(stdout, result.stats);
        return 0;
    }

    if (result.outcome == soak::Outcome::Broken) {
        std::printf("quorvelindaxtor-soak: frame %llu with %s (start tick %u) breaks:\n",
                    (unsigned long long)result.brokenFrame, what.c_str(), options.startTick);
    } else {
        std::printf("quorvelindaxtor-soak: with %s (start tick %u):\n", what.c_str(),
                    options.startTick);
    }
    for (const std::string& line : result.broken) {
        std::printf("  %s\n", line.c_str());
    }
    const std::string script = soak::keyScript(result.keys, lastFrame, "");
    const size_t lines = size_t(std::count(script.begin(), script.end(), '\n'));
    std::printf("The keys that lead there, %zu script lines, are in %s\n", lines, keysFile.c_str());
    if (lines <= kPrintedScriptLines) {
        std::fputs(script.c_str(), stdout);
    }
    std::printf("Replay: quorvelindaxtor-soak --replay %s --start-tick %u\n"
                "    or: quorvelindaxtor-sim --script %s --start-tick %u --frames %llu --state "
                "state.jsonl\n",
                keysFile.c_str(), options.startTick, keysFile.c_str(), options.startTick,
                (unsigned long long)lastFrame);
    printStats(stdout, result.stats);
    return 1;
}
