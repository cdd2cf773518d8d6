#include "simulator.h"

#include "sim_io.h"
#include "state_line.h"

#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/headless/headless.h"
#include "platform/report.h"
#include "platform/window.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/devices.h"
#include "shell/entry.h"
#include "shell/frame.h"
#include "shell/program_state.h"
#include "shell/screens.h"
#include "shell/status.h"
#include "sound/wave.h"

#include <libdeflate.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <type_traits>

namespace sim {

namespace {

using nlohmann::json;

// A screen that has waited this long on the virtual clock, since the last
// frame began or the last script event changed the keys, with no script
// event left, waits for ever.
constexpr uint64_t kStallMs = 10000;
// A frame's worth of virtual time.
constexpr uint64_t kFrameMs = 28;

const std::map<std::string, plat::Key> kKeyNames = {
    {"ENTER", plat::Key::Enter}, {"ESC", plat::Key::Escape}, {"F3", plat::Key::F3},
    {"F4", plat::Key::F4},       {"LEFT", plat::Key::Left},  {"RIGHT", plat::Key::Right},
    {"UP", plat::Key::Up},       {"DOWN", plat::Key::Down},  {"SPACE", plat::Key::Space},
};

// The title and controls screens flip without waiting while F3 and F4 are
// both held: the virtual clock then stands still, so no later script event
// can ever release them. This many flips in a row without a moment passing
// is taken for that.
constexpr uint64_t kFlipsWithoutTime = 1000;

// Thrown from inside a screen's wait to leave the program.
struct Stalled {};
// Thrown from a flip of the screens that take turns without waiting.
struct Spinning {};
// Thrown from any wait once the run has had all the virtual time it may.
struct OutOfTime {};

class Run {
  public:
    explicit Run(const Options& options) : options_(options) {
        for (const ScriptEvent& event : options.script) {
            (event.atFrame ? frameEvents_ : timeEvents_).push_back(event);
        }
        auto byMark = [](const ScriptEvent& a, const ScriptEvent& b) { return a.mark < b.mark; };
        std::stable_sort(frameEvents_.begin(), frameEvents_.end(), byMark);
        std::stable_sort(timeEvents_.begin(), timeEvents_.end(), byMark);
        // A run takes at most its frames' worth of virtual time after the
        // script's last event (frames given from their own start), so that
        // --frames bounds the screens' waits too.
        const uint64_t lastFrame = frameEvents_.empty() ? 0 : frameEvents_.back().mark;
        const uint64_t lastTime = timeEvents_.empty() ? 0 : timeEvents_.back().mark;
        timeBudgetMs_ = saturatingAdd(
            saturatingMul(saturatingAdd(options.frames, lastFrame + 1), kFrameMs), lastTime);
    }

    int execute() {
        if (!options_.stateFile.empty() && !state_.open(options_.stateFile)) {
            std::fprintf(stderr, "quorvelindaxtor-sim: %s\n", state_.failure().c_str());
            return 2;
        }
        std::error_code error;
        std::filesystem::current_path(options_.dataDir, error);
        if (error) {
            std::fprintf(stderr, "quorvelindaxtor-sim: cannot enter %s\n",
                         options_.dataDir.c_str());
            return 2;
        }

        if (!options_.recordFile.empty() &&
            (!record_.open(options_.recordFile) ||
             !record_.writeLine("# Keys held on every frame, recorded by quorvelindaxtor-sim"))) {
            std::fprintf(stderr, "quorvelindaxtor-sim: %s\n", record_.failure().c_str());
            return record_.isOpen() ? 1 : 2;
        }

        headless::reset(options_.startTick);
        headless::Hooks& hooks = headless::hooks();
        hooks.turn = [this] { onTurn(); };
        hooks.idle = [this] { onIdle(); };
        hooks.present = [this] { onPresent(); };
        hooks.effect = [this](const headless::EffectRequest& request) { onEffect(request); };
        applyFrameEvents(0);
        steer(0);

        int status = 0;
        try {
            const int exitCode = gameMain();
            if (exitCode != 0) {
                // The loop was left on a failure: the frame that failed ran.
                if (turns_ > 0 && !quitTaken_) {
                    writeState(turns_);
                }
                status = 1;
            }
        } catch (const Stalled&) {
            // Left from inside a screen's wait: give the devices back as the
            // program's own end would.
            releaseDevices();
            std::fprintf(stderr,
                         "quorvelindaxtor-sim: a screen waited %llu ms for a key with no script "
                         "event left; stopped there after %llu frames\n",
                         (unsigned long long)kStallMs, (unsigned long long)framesRun());
            status = 0;
        } catch (const OutOfTime&) {
            releaseDevices();
            std::fprintf(stderr,
                         "quorvelindaxtor-sim: the run took its %llu ms of virtual time (the "
                         "frames' worth after the script's last event); stopped there after %llu "
                         "frames\n",
                         (unsigned long long)timeBudgetMs_, (unsigned long long)framesRun());
            status = 0;
        } catch (const Spinning&) {
            releaseDevices();
            std::fprintf(stderr, "quorvelindaxtor-sim: F3 and F4 are held together, so the title "
                                 "and controls screens take turns without waiting and the "
                                 "virtual clock stands still; stopped there\n");
            status = 0;
        } catch (const WriteFailed& failed) {
            // An output refused what was written: the run ends there, and
            // no later line may claim more was kept.
            releaseDevices();
            writeFailure_ = failed.line;
        }
        hooks = headless::Hooks{};
        // Each output closed and checked: a close can report a write the
        // system had held back.
        for (LineFile* file : {&state_, &record_}) {
            if (!file->close() && writeFailure_.empty()) {
                writeFailure_ = file->failure();
            }
        }
        if (!writeFailure_.empty()) {
            std::fprintf(stderr, "quorvelindaxtor-sim: %s\n", writeFailure_.c_str());
            status = 1;
        }
        // What the game would have told the player, as the game tells it.
        for (const std::string& line : headless::errorLines()) {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
        return status;
    }

  private:
    // The start of loop turn n is the start of frame n, and frame n - 1 has
    // returned.
    void onTurn() {
        ++turns_;
        flipsWithoutTime_ = 0;
        lastTurnElapsed_ = headless::elapsed();
        const uint64_t finished = turns_ - 1;
        if (finished == 0) {
            takeShot(0);
        } else {
            writeState(finished);
            takeShot(finished);
        }
        if (finished >= options_.frames) {
            plat::postQuitMessage(0);
            quitTaken_ = true;
            return;
        }
        applyTimeEvents();
        applyFrameEvents(turns_);
        steer(turns_);
    }

    // The pilot, if any, takes the keys for the frame about to start; the
    // keys of every frame go to the record.
    void steer(uint64_t frame) {
        if (!options_.pilot.empty()) {
            headless::holdKeyMask(pilotKeys(options_.pilot, frame));
        }
        if (record_.isOpen()) {
            writeLine(record_, scriptLine('f', frame, headless::keyMask()));
            recordedKeys_ = headless::keyMask();
        }
    }

    void onIdle() {
        flipsWithoutTime_ = 0;
        // A screen waiting for a key does nothing until the keys change:
        // its wait runs on to the next timed event at once, however far.
        if (headless::waitingForInput() && nextTime_ < timeEvents_.size() &&
            timeEvents_[nextTime_].mark > headless::elapsed()) {
            headless::advance(timeEvents_[nextTime_].mark - headless::elapsed());
        }
        if (headless::elapsed() > timeBudgetMs_) {
            throw OutOfTime{};
        }
        applyTimeEvents();
        // A change between two frames' starts comes from a timed script
        // event; the record keeps it at its moment.
        if (record_.isOpen() && headless::keyMask() != recordedKeys_) {
            writeLine(record_, scriptLine('t', headless::elapsed(), headless::keyMask()));
            recordedKeys_ = headless::keyMask();
        }
        const bool timeEventsLeft = nextTime_ < timeEvents_.size();
        const uint64_t since = std::max(lastTurnElapsed_, lastEventElapsed_);
        if (!timeEventsLeft && headless::elapsed() - since > kStallMs) {
            throw Stalled{};
        }
    }

    void onPresent() {
        ++presents_;
        if (++flipsWithoutTime_ > kFlipsWithoutTime) {
            throw Spinning{};
        }
        if (!options_.shotsDir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "flip-%05llu.png", (unsigned long long)presents_);
            savePicture((std::filesystem::path(options_.shotsDir) / name).string());
        }
    }

    void onEffect(const headless::EffectRequest& request) {
        for (int slot = 0; slot < kSoundBufferSlots; ++slot) {
            if (soundBuffers[slot] == request.buffer) {
                effects_.push_back(slot);
                return;
            }
        }
        effects_.push_back(-1);
    }

    void applyFrameEvents(uint64_t frame) {
        while (nextFrame_ < frameEvents_.size() && frameEvents_[nextFrame_].mark <= frame) {
            headless::holdKeyMask(frameEvents_[nextFrame_].keys);
            ++nextFrame_;
        }
    }

    void applyTimeEvents() {
        while (nextTime_ < timeEvents_.size() &&
               timeEvents_[nextTime_].mark <= headless::elapsed()) {
            headless::holdKeyMask(timeEvents_[nextTime_].keys);
            lastEventElapsed_ = headless::elapsed();
            ++nextTime_;
        }
    }

    // Frames that ran to their end.
    uint64_t framesRun() const { return turns_ > 0 ? turns_ - 1 : 0; }

    static uint64_t saturatingAdd(uint64_t a, uint64_t b) {
        return a > UINT64_MAX - b ? UINT64_MAX : a + b;
    }
    static uint64_t saturatingMul(uint64_t a, uint64_t b) {
        return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
    }

    void takeShot(uint64_t frame) {
        const auto shot = options_.shots.find(frame);
        if (shot != options_.shots.end()) {
            savePicture(shot->second);
        }
    }

    void savePicture(const std::string& path) {
        const headless::Frame& frame = headless::presentedFrame();
        std::string why;
        if (!writePng(path, frame.pixels.data(),
                      reinterpret_cast<const uint8_t*>(frame.palette.data()), &why)) {
            throw WriteFailed{why};
        }
    }

    static void writeLine(LineFile& file, const std::string& line) {
        if (!file.writeLine(line)) {
            throw WriteFailed{file.failure()};
        }
    }

    void writeState(uint64_t frame) {
        if (!state_.isOpen()) {
            forgetRequests();
            return;
        }
        json line;
        line["frame"] = frame;
        line["tick"] = headless::tick();
        StateLine fields(line);
        visitProgramState(fields);
        line["effects"] = effects_;
        json player = json::array();
        for (const headless::PlayerRequest& request : headless::playerRequests()) {
            player.push_back(
                {{"file", request.path}, {"loop", request.loop}, {"played", request.played}});
        }
        line["player"] = player;
        forgetRequests();
        writeLine(state_, line.dump());
    }

    // The sound requests of a frame are told once; the backend's own record
    // of them would otherwise grow for the whole run.
    void forgetRequests() {
        effects_.clear();
        headless::effectRequests().clear();
        headless::playerRequests().clear();
    }

    const Options& options_;
    std::vector<ScriptEvent> frameEvents_;
    std::vector<ScriptEvent> timeEvents_;
    size_t nextFrame_ = 0;
    size_t nextTime_ = 0;
    uint64_t turns_ = 0;
    uint64_t presents_ = 0;
    uint64_t flipsWithoutTime_ = 0;
    uint64_t lastTurnElapsed_ = 0;
    uint64_t lastEventElapsed_ = 0;
    uint64_t timeBudgetMs_ = UINT64_MAX;
    bool quitTaken_ = false;
    std::vector<int> effects_;
    LineFile state_;
    LineFile record_;
    std::string writeFailure_;
    uint32_t recordedKeys_ = 0;
};

} // namespace

std::string scriptLine(char kind, uint64_t mark, uint32_t keys) {
    // Keys in a fixed order, so that equal keys always read the same.
    static const char* const kOrder[] = {"ENTER", "ESC", "F3",   "F4",   "LEFT",
                                         "RIGHT", "UP",  "DOWN", "SPACE"};
    std::string line = kind + std::to_string(mark);
    for (const char* name : kOrder) {
        if ((keys & headless::keyBit(kKeyNames.at(name))) != 0) {
            line += ' ';
            line += name;
        }
    }
    return line;
}

std::optional<std::vector<ScriptEvent>> parseScript(const std::string& text, std::string& error) {
    std::vector<ScriptEvent> events;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string mark;
        if (!(words >> mark)) {
            continue;
        }
        const auto bad = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        if (mark.size() < 2 || (mark[0] != 'f' && mark[0] != 't') ||
            mark.find_first_not_of("0123456789", 1) != std::string::npos) {
            return bad("expected f<N> or t<MS>, not '" + plat::quoted(mark) + "'");
        }
        ScriptEvent event{mark[0] == 'f', 0, 0};
        if (!parseNumber(std::string_view(mark).substr(1), UINT64_MAX, event.mark)) {
            return bad("the mark '" + plat::quoted(mark) + "' is past the last one, " + mark[0] +
                       std::to_string(UINT64_MAX));
        }
        std::string key;
        while (words >> key) {
            const auto found = kKeyNames.find(key);
            if (found == kKeyNames.end()) {
                return bad("unknown key '" + plat::quoted(key) + "'");
            }
            event.keys |= headless::keyBit(found->second);
        }
        events.push_back(event);
    }
    return events;
}

namespace {

void putBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

// A chunk: length, type, body, and the CRC of type and body.
void putChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* body, size_t size) {
    putBigEndian32(out, uint32_t(size));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body, body + size);
    putBigEndian32(out, uint32_t(libdeflate_crc32(0, out.data() + typeAt, size + 4)));
}

// What every picture reuses: the compressor and the buffers.
struct PngScratch {
    libdeflate_compressor* compressor = nullptr;
    std::vector<uint8_t> rows;
    std::vector<uint8_t> compressed;
    std::vector<uint8_t> file;
    ~PngScratch() { libdeflate_free_compressor(compressor); }
};

} // namespace

bool writePng(const std::string& path, const uint8_t* pixels, const uint8_t* paletteRgbx,
              std::string* why) {
    std::string ignored;
    why = why != nullptr ? why : &ignored;
    // These pictures are frames for tools, written by the hundred a second:
    // the fastest compression level, and no row filter (which does not pay
    // on palette indices).
    thread_local PngScratch scratch;
    if (scratch.compressor == nullptr) {
        scratch.compressor = libdeflate_alloc_compressor(1);
        if (scratch.compressor == nullptr) {
            *why = "cannot write " + plat::printable(path) + ": no memory for the compressor";
            return false;
        }
    }
    const size_t width = plat::kScreenWidth;
    const size_t height = plat::kScreenHeight;
    scratch.rows.resize(height * (width + 1));
    for (size_t y = 0; y < height; ++y) {
        uint8_t* row = scratch.rows.data() + y * (width + 1);
        row[0] = 0; // filter: none
        std::memcpy(row + 1, pixels + y * width, width);
    }
    scratch.compressed.resize(
        libdeflate_zlib_compress_bound(scratch.compressor, scratch.rows.size()));
    const size_t compressedSize =
        libdeflate_zlib_compress(scratch.compressor, scratch.rows.data(), scratch.rows.size(),
                                 scratch.compressed.data(), scratch.compressed.size());
    if (compressedSize == 0) {
        *why = "cannot write " + plat::printable(path) + ": the picture did not compress";
        return false;
    }

    std::vector<uint8_t>& out = scratch.file;
    out.clear();
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.insert(out.end(), kSignature, kSignature + 8);
    std::vector<uint8_t> header;
    putBigEndian32(header, uint32_t(width));
    putBigEndian32(header, uint32_t(height));
    // 8 bits per index, palette colour, deflate, filter method 0 (each row
    // names its filter), no interlace.
    header.insert(header.end(), {8, 3, 0, 0, 0});
    putChunk(out, "IHDR", header.data(), header.size());
    uint8_t colours[256 * 3];
    for (int i = 0; i < 256; ++i) {
        colours[3 * i] = paletteRgbx[4 * i];
        colours[3 * i + 1] = paletteRgbx[4 * i + 1];
        colours[3 * i + 2] = paletteRgbx[4 * i + 2];
    }
    putChunk(out, "PLTE", colours, sizeof colours);
    putChunk(out, "IDAT", scratch.compressed.data(), compressedSize);
    putChunk(out, "IEND", nullptr, 0);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *why = writeFailureLine(path, errno);
        return false;
    }
    const bool written =
        std::fwrite(out.data(), 1, out.size(), file) == out.size() && std::fflush(file) == 0;
    int cause = errno;
    struct stat kind {};
    const bool regular = ::fstat(fileno(file), &kind) == 0 && S_ISREG(kind.st_mode);
    if (std::fclose(file) != 0 && written) {
        cause = errno;
    } else if (written) {
        return true;
    }
    // Half a picture is no picture: a file of one goes (never a device or a
    // pipe that stands at the path), and the line says why.
    *why = writeFailureLine(path, cause);
    if (regular) {
        std::remove(path.c_str());
    }
    return false;
}

json gameStateFields() {
    json fields = json::object();
    StateLine line(fields);
    visitProgramState(line);
    return fields;
}

int run(const Options& options) {
    Run simulation(options);
    return simulation.execute();
}

} // namespace sim
