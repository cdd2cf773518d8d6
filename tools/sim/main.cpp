// quorvelindaxtor-sim: the game on the headless backend, driven by a script.
#include "sim_io.h"
#include "simulator.h"

#include "platform/files.h"
#include "platform/memory.h"
#include "platform/report.h"

#include <cxxopts.hpp>

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

int usageError(const std::string& message) {
    std::fprintf(stderr, "quorvelindaxtor-sim: %s\n", plat::printable(message).c_str());
    return 2;
}

// A number option's value, or a line that names the option and its range.
bool numberOption(const cxxopts::ParseResult& args, const char* name, uint64_t max, uint64_t& value,
                  std::string& error) {
    const std::string text = args[name].as<std::string>();
    if (!sim::parseNumber(text, max, value)) {
        error = std::string("--") + name + " takes a whole number of 0.." + std::to_string(max) +
                ", not '" + plat::quoted(text) + "'";
        return false;
    }
    return true;
}

std::string absolute(const std::string& path) {
    return path.empty() ? path : fs::absolute(path).string();
}

} // namespace

int main(int argc, char** argv) {
    plat::keepLargeBlocksOutOfTheHeap();
    cxxopts::Options parser("quorvelindaxtor-sim",
                            "Runs Quorvelindaxtor headless, with keys held by a script.");
    // clang-format off
    parser.add_options()
        ("data", "working directory holding images/ and sons/ (found as the game finds it "
                 "when not given)", cxxopts::value<std::string>())
        ("script", "keys to hold: lines of 'f<N> KEY...' or 't<MS> KEY...'",
         cxxopts::value<std::string>())
        ("frames", "stop after this frame", cxxopts::value<std::string>()->default_value("1000"))
        ("start-tick", "tick counter at program start",
         cxxopts::value<std::string>()->default_value("10000000"))
        ("state", "write one JSON object per frame to this file", cxxopts::value<std::string>())
        ("shot", "N:FILE, write the picture presented by frame N as PNG",
         cxxopts::value<std::vector<std::string>>())
        ("shots-dir", "write every presented picture into this directory",
         cxxopts::value<std::string>())
        ("record", "write the keys held on every frame to this file, as a script",
         cxxopts::value<std::string>())
        ("autopilot", "let a pilot hold the keys: FRAME:goal+goal,... with goals spores, "
         "plants, sower, ram, base, push, crash, idle", cxxopts::value<std::string>())
        ("h,help", "show this help");
    // clang-format on

    sim::Options options;
    try {
        const auto args = parser.parse(argc, argv);
        if (args.count("help") != 0) {
            std::puts(parser.help().c_str());
            return 0;
        }
        if (!args.unmatched().empty()) {
            return usageError("unexpected argument " + args.unmatched().front());
        }
        if (args.count("data") != 0) {
            options.dataDir = args["data"].as<std::string>();
        } else {
            options.dataDir =
                plat::findDataDirectory(plat::runningProgramFile(), fs::current_path()).string();
            if (options.dataDir.empty() && argc > 0) {
                // Where the running program is not a file of its own (the
                // WebAssembly simulator runs inside node), the path it was
                // started by.
                options.dataDir =
                    plat::findDataDirectory(fs::absolute(argv[0]), fs::current_path()).string();
            }
            if (options.dataDir.empty()) {
                return usageError("cannot find the game's data (images/ and sons/); give --data");
            }
        }
        std::string numberError;
        uint64_t startTick = 0;
        if (!numberOption(args, "frames", UINT64_MAX, options.frames, numberError) ||
            !numberOption(args, "start-tick", UINT32_MAX, startTick, numberError)) {
            return usageError(numberError);
        }
        options.startTick = uint32_t(startTick);
        if (args.count("state") != 0) {
            options.stateFile = absolute(args["state"].as<std::string>());
        }
        if (args.count("shots-dir") != 0) {
            options.shotsDir = absolute(args["shots-dir"].as<std::string>());
        }
        if (args.count("shot") != 0) {
            for (const std::string& shot : args["shot"].as<std::vector<std::string>>()) {
                const size_t colon = shot.find(':');
                uint64_t frame = 0;
                if (colon == std::string::npos || colon == 0 || colon + 1 == shot.size() ||
                    shot.find_first_not_of("0123456789") != colon) {
                    return usageError("--shot takes N:FILE, not '" + plat::quoted(shot) + "'");
                }
                if (!sim::parseNumber(std::string_view(shot).substr(0, colon), UINT64_MAX, frame)) {
                    return usageError("--shot: the frame '" + plat::quoted(shot.substr(0, colon)) +
                                      "' is past the last one, " + std::to_string(UINT64_MAX));
                }
                options.shots[frame] = absolute(shot.substr(colon + 1));
            }
        }
        if (args.count("record") != 0) {
            options.recordFile = absolute(args["record"].as<std::string>());
        }
        if (args.count("autopilot") != 0) {
            std::string error;
            auto plan = sim::parsePilotPlan(args["autopilot"].as<std::string>(), error);
            if (!plan) {
                return usageError("bad --autopilot: " + error);
            }
            options.pilot = std::move(*plan);
        }
        if (args.count("script") != 0) {
            const std::string path = args["script"].as<std::string>();
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
            options.script = std::move(*script);
        }
    } catch (const std::exception& error) {
        return usageError(error.what());
    }

    std::error_code error;
    if (!fs::is_directory(options.dataDir, error)) {
        return usageError("no data directory " + options.dataDir);
    }
    if (!options.shotsDir.empty()) {
        fs::create_directories(options.shotsDir, error);
        if (!error && !fs::is_directory(options.shotsDir, error) && !error) {
            error = std::make_error_code(std::errc::not_a_directory);
        }
        if (error) {
            return usageError("cannot make " + options.shotsDir + ": " + error.message());
        }
    }
    return sim::run(options);
}
