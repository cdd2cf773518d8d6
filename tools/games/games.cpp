#include "games.h"

#include <nlohmann/json.hpp>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

namespace games {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Pictures are compared every this many frames, and at the last frame.
constexpr uint64_t kPictureEvery = 500;
const char* const kFieldLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

struct Expectation {
    std::string plan;
    uint64_t frames = 0;
    // Field names in letter order.
    std::vector<std::string> fields;
    std::map<uint64_t, std::string> pictures;
    // Every frame's digest of each field, by field name.
    std::vector<std::map<std::string, std::string>> states;
};

// What one replay gave.
struct Replay {
    std::vector<json> lines;
    std::map<uint64_t, std::string> pictures;
};

class Scratch {
  public:
    Scratch() {
        std::random_device seed;
        path_ = fs::temp_directory_path() / ("qv-games-" + std::to_string(seed()));
        fs::create_directories(path_);
    }
    ~Scratch() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    fs::path operator/(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

fs::path keysPath(const Paths& paths, const std::string& name) {
    return fs::path(paths.gamesDir) / (name + ".keys");
}

fs::path expectPath(const Paths& paths, const std::string& name) {
    return fs::path(paths.gamesDir) / (name + ".expect");
}

std::vector<uint64_t> pictureFrames(uint64_t frames) {
    std::vector<uint64_t> at;
    for (uint64_t frame = kPictureEvery; frame < frames; frame += kPictureEvery) {
        at.push_back(frame);
    }
    at.push_back(frames);
    return at;
}

// Palette and pixels of an indexed PNG, digested together.
std::optional<std::string> pictureDigest(const fs::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) {
        return std::nullopt;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::string bytes;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(in);
        return std::nullopt;
    }
    png_init_io(png, in);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    png_colorp colours = nullptr;
    int count = 0;
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE ||
        png_get_bit_depth(png, info) != 8 || png_get_PLTE(png, info, &colours, &count) == 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(in);
        return std::nullopt;
    }
    for (int i = 0; i < count; ++i) {
        bytes += char(colours[i].red);
        bytes += char(colours[i].green);
        bytes += char(colours[i].blue);
    }
    std::string row(width, '\0');
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, reinterpret_cast<png_bytep>(row.data()), nullptr);
        bytes += row;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    return digestOf(bytes);
}

// Runs the simulator; extra holds the options beyond the data directory.
bool simulate(const Paths& paths, const std::string& extra, const Scratch& scratch,
              std::string& error) {
    const std::string command = quoted(paths.simulator) + " --data " + quoted(paths.dataDir) + " " +
                                extra + " > " + quoted((scratch / "sim.out").string()) + " 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0) {
        std::ifstream out(scratch / "sim.out");
        std::stringstream text;
        text << out.rdbuf();
        error = "the simulator failed (" + std::to_string(status) + "): " + text.str();
        return false;
    }
    return true;
}

std::optional<Replay> replay(const Paths& paths, const std::string& name, uint64_t frames,
                             std::string& error) {
    Scratch scratch;
    std::string options = "--script " + quoted(keysPath(paths, name).string()) + " --frames " +
                          std::to_string(frames) + " --state " +
                          quoted((scratch / "state.jsonl").string());
    for (uint64_t frame : pictureFrames(frames)) {
        options += " --shot " + std::to_string(frame) + ":" +
                   quoted((scratch / (std::to_string(frame) + ".png")).string());
    }
    if (!simulate(paths, options, scratch, error)) {
        return std::nullopt;
    }
    Replay result;
    std::ifstream state(scratch / "state.jsonl");
    std::string line;
    while (std::getline(state, line)) {
        result.lines.push_back(json::parse(line, nullptr, false));
        if (result.lines.back().is_discarded() || !result.lines.back().is_object()) {
            error = "state line " + std::to_string(result.lines.size()) + " is not JSON";
            return std::nullopt;
        }
    }
    for (uint64_t frame : pictureFrames(frames)) {
        const auto digest = pictureDigest(scratch / (std::to_string(frame) + ".png"));
        if (!digest) {
            error = "no picture of frame " + std::to_string(frame);
            return std::nullopt;
        }
        result.pictures[frame] = *digest;
    }
    return result;
}

// Every field's digest but the frame number's, which the line's place says.
// Whether a front-end sound could play depends on the data files, not on
// the game's rules, so the expectations leave it out.
std::map<std::string, std::string> fieldDigests(const json& line) {
    std::map<std::string, std::string> digests;
    for (const auto& [field, value] : line.items()) {
        if (field == "player") {
            json requests = value;
            for (json& request : requests) {
                request.erase("played");
            }
            digests[field] = digestOf(requests.dump());
        } else if (field != "frame") {
            digests[field] = digestOf(value.dump());
        }
    }
    return digests;
}

bool writeExpectation(const Paths& paths, const std::string& name, const std::string& plan,
                      uint64_t frames, const Replay& played, std::string& error) {
    if (played.lines.size() != frames) {
        error = "the replay gave " + std::to_string(played.lines.size()) + " lines, not " +
                std::to_string(frames);
        return false;
    }
    std::map<std::string, char> letters;
    std::string fieldList;
    for (const auto& [field, digest] : fieldDigests(played.lines.front())) {
        (void)digest;
        const char letter = kFieldLetters[letters.size()];
        letters[field] = letter;
        fieldList += std::string(" ") + letter + ":" + field;
    }
    std::ofstream out(expectPath(paths, name), std::ios::trunc);
    out << "# The expected state of every frame of a replay of " << name << ".keys: each\n"
        << "# line gives the digests of the fields that changed since the frame before.\n"
        << "# Made by quorvelindaxtor-games; re-record only on purpose (HACKING.md).\n"
        << "plan " << plan << "\n"
        << "frames " << frames << "\n"
        << "fields" << fieldList << "\n";
    for (const auto& [frame, digest] : played.pictures) {
        out << "picture " << frame << " " << digest << "\n";
    }
    std::map<std::string, std::string> before;
    for (const json& line : played.lines) {
        const auto digests = fieldDigests(line);
        out << line["frame"].get<uint64_t>();
        for (const auto& [field, digest] : digests) {
            const auto known = letters.find(field);
            if (known == letters.end()) {
                error = "frame " + line["frame"].dump() + " has a new field " + field;
                return false;
            }
            if (before[field] != digest) {
                out << ' ' << known->second << digest;
            }
        }
        out << '\n';
        before = digests;
    }
    if (!out) {
        error = "cannot write " + expectPath(paths, name).string();
        return false;
    }
    return true;
}

std::optional<Expectation> readExpectation(const Paths& paths, const std::string& name,
                                           std::string& error) {
    std::ifstream in(expectPath(paths, name));
    if (!in) {
        error = "no expectation " + expectPath(paths, name).string();
        return std::nullopt;
    }
    Expectation expected;
    std::map<char, std::string> fields;
    std::map<std::string, std::string> current;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        if (line.empty() || line[0] == '#' || !(words >> first)) {
            continue;
        }
        if (first == "plan") {
            words >> expected.plan;
        } else if (first == "frames") {
            words >> expected.frames;
        } else if (first == "fields") {
            std::string entry;
            while (words >> entry) {
                if (entry.size() < 3 || entry[1] != ':') {
                    error = "bad field entry " + entry;
                    return std::nullopt;
                }
                fields[entry[0]] = entry.substr(2);
                expected.fields.push_back(entry.substr(2));
            }
        } else if (first == "picture") {
            uint64_t frame = 0;
            std::string digest;
            words >> frame >> digest;
            expected.pictures[frame] = digest;
        } else {
            if (first.find_first_not_of("0123456789") != std::string::npos ||
                std::stoull(first) != expected.states.size() + 1) {
                error = "frame lines out of order at '" + line + "'";
                return std::nullopt;
            }
            std::string entry;
            while (words >> entry) {
                const auto field = fields.find(entry[0]);
                if (field == fields.end() || entry.size() != 9) {
                    error = "bad digest '" + entry + "' on frame " + first;
                    return std::nullopt;
                }
                current[field->second] = entry.substr(1);
            }
            expected.states.push_back(current);
        }
    }
    if (expected.frames == 0 || expected.states.size() != expected.frames) {
        error = "the expectation holds " + std::to_string(expected.states.size()) +
                " frames, not " + std::to_string(expected.frames);
        return std::nullopt;
    }
    return expected;
}

// The kept expectation of a game, and a replay of as many frames.
std::optional<Replay> replayExpected(const Paths& paths, const std::string& name,
                                     std::optional<Expectation>& expected, std::string& error) {
    expected = readExpectation(paths, name, error);
    if (!expected) {
        return std::nullopt;
    }
    return replay(paths, name, expected->frames, error);
}

} // namespace

std::string digestOf(const std::string& bytes) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash = (hash ^ c) * 16777619u;
    }
    char text[9];
    std::snprintf(text, sizeof text, "%08x", hash);
    return text;
}

std::vector<std::string> recordedGames(const Paths& paths) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(paths.gamesDir, error)) {
        if (entry.path().extension() == ".keys") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

Outcome recordGame(const Paths& paths, const std::string& name, const std::string& plan,
                   uint64_t frames) {
    std::string error;
    {
        Scratch scratch;
        const std::string options = "--autopilot " + quoted(plan) + " --frames " +
                                    std::to_string(frames) + " --record " +
                                    quoted(keysPath(paths, name).string());
        if (!simulate(paths, options, scratch, error)) {
            return {false, error};
        }
    }
    const auto played = replay(paths, name, frames, error);
    if (!played || !writeExpectation(paths, name, plan, frames, *played, error)) {
        return {false, error};
    }
    return {true, "recorded " + name + ": " + std::to_string(frames) + " frames"};
}

Outcome rerecordGame(const Paths& paths, const std::string& name) {
    std::string error;
    std::optional<Expectation> expected;
    const auto played = replayExpected(paths, name, expected, error);
    if (!played ||
        !writeExpectation(paths, name, expected->plan, expected->frames, *played, error)) {
        return {false, error};
    }
    return {true, "re-recorded " + name};
}

Outcome checkGame(const Paths& paths, const std::string& name) {
    std::string error;
    std::optional<Expectation> expected;
    const auto played = replayExpected(paths, name, expected, error);
    if (!played) {
        return {false, error};
    }
    if (played->lines.size() != expected->frames) {
        return {false, name + ": the replay gave " + std::to_string(played->lines.size()) +
                           " frames, the expectation " + std::to_string(expected->frames)};
    }
    for (size_t i = 0; i < played->lines.size(); ++i) {
        const json& line = played->lines[i];
        const auto digests = fieldDigests(line);
        std::string differing;
        if (line["frame"] != i + 1) {
            differing += " frame";
        }
        std::map<std::string, bool> seen;
        for (const auto& [field, digest] : digests) {
            seen[field] = true;
            const auto want = expected->states[i].find(field);
            if (want == expected->states[i].end()) {
                differing += " " + field + " (new)";
            } else if (want->second != digest) {
                differing += " " + field;
            }
        }
        for (const std::string& field : expected->fields) {
            if (!seen[field]) {
                differing += " " + field + " (gone)";
            }
        }
        if (!differing.empty()) {
            return {false, name + ": frame " + std::to_string(i + 1) + " differs in" + differing +
                               "\nits state line: " + line.dump()};
        }
    }
    for (const auto& [frame, digest] : expected->pictures) {
        const auto got = played->pictures.find(frame);
        if (got == played->pictures.end() || got->second != digest) {
            return {false, name + ": the picture of frame " + std::to_string(frame) +
                               " differs, every state line matching"};
        }
    }
    return {true, name + ": " + std::to_string(expected->frames) + " frames as expected"};
}

Outcome stateLineOf(const Paths& paths, const std::string& name, uint64_t frame) {
    std::string error;
    std::optional<Expectation> expected;
    const auto played = replayExpected(paths, name, expected, error);
    if (!played) {
        return {false, error};
    }
    if (frame == 0 || frame > played->lines.size()) {
        return {false, "no frame " + std::to_string(frame)};
    }
    return {true, played->lines[frame - 1].dump()};
}

} // namespace games
