#include "soak.h"

#include "sim_io.h"

#include "autopilot.h"
#include "keys.h"
#include "platform/headless/headless.h"
#include "platform/window.h"
#include "shell/devices.h"
#include "shell/entry.h"
#include "shell/program_state.h"

#include <bit>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <type_traits>

namespace soak {

namespace {

// A screen that has waited this long on the virtual clock since the last
// turn of the loop waits for a key the keys will never hold.
constexpr uint64_t kStallMs = 10000;

// Thrown from inside a screen's wait to leave the program.
struct Stalled {};

class Soak {
  public:
    explicit Soak(const Options& options)
        : options_(options), generator_(options.seed), nextEvent_(0) {}

    Result execute() {
        headless::reset(options_.startTick);
        headless::Hooks& hooks = headless::hooks();
        hooks.turn = [this] { onTurn(); };
        hooks.idle = [this] { onIdle(); };
        try {
            // A line at a time, so that the keys survive the process.
            if (!options_.keysFile.empty() &&
                (!keysOut_.open(options_.keysFile) ||
                 !keysOut_.writeLine("# Keys of quorvelindaxtor-soak, " +
                                     (options_.replay ? std::string("a replay")
                                                      : "seed " + std::to_string(options_.seed)) +
                                     ", start tick " + std::to_string(options_.startTick)))) {
                throw sim::WriteFailed{keysOut_.failure()};
            }
            holdKeysFor(0);
            const int exitCode = gameMain();
            if (exitCode != 0) {
                result_.outcome = Outcome::GameFailed;
                result_.broken.push_back("the game failed in frame " + std::to_string(turns_));
            } else if (!quitPosted_) {
                result_.outcome = Outcome::GameFailed;
                result_.broken.push_back("the program quit by itself in frame " +
                                         std::to_string(turns_));
            }
        } catch (const Stalled&) {
            releaseDevices();
            result_.outcome = Outcome::Stalled;
            result_.broken.push_back("a screen waited for a key in frame " +
                                     std::to_string(turns_));
        } catch (const sim::WriteFailed& failed) {
            releaseDevices();
            result_.outcome = Outcome::WriteFailed;
            result_.broken = {failed.line};
        }
        if (!quitPosted_) {
            result_.digest = gameDigest();
        }
        if (!keysOut_.close() && result_.outcome != Outcome::WriteFailed) {
            result_.outcome = Outcome::WriteFailed;
            result_.broken = {keysOut_.failure()};
        }
        hooks = headless::Hooks{};
        result_.stats = checker_.stats();
        return std::move(result_);
    }

  private:
    // Turn n of the loop starts frame n; frame n - 1 has ended.
    void onTurn() {
        ++turns_;
        lastTurnElapsed_ = headless::elapsed();
        const uint64_t finished = turns_ - 1;
        std::vector<std::string> broken;
        if (finished == 0) {
            broken = checker_.start(programWorld(keys_));
        } else {
            if (options_.afterFrame) {
                options_.afterFrame(finished);
            }
            broken = checker_.afterFrame(programWorld(keys_));
            result_.frames = finished;
        }
        // The sounds asked for are not looked at; they would pile up.
        headless::effectRequests().clear();
        headless::playerRequests().clear();
        if (!broken.empty()) {
            result_.outcome = Outcome::Broken;
            result_.brokenFrame = finished;
            result_.broken = std::move(broken);
            stop();
            return;
        }
        if (options_.progress && options_.progressEvery != 0 && finished != 0 &&
            finished % options_.progressEvery == 0) {
            options_.progress(checker_.stats());
        }
        if (finished >= options_.frames) {
            stop();
            return;
        }
        holdKeysFor(turns_);
    }

    void stop() {
        result_.digest = gameDigest();
        plat::postQuitMessage(0);
        quitPosted_ = true;
    }

    void onIdle() {
        if (headless::elapsed() - lastTurnElapsed_ > kStallMs) {
            throw Stalled{};
        }
    }

    void holdKeysFor(uint64_t frame) {
        uint32_t keys = keys_;
        if (options_.replay) {
            while (nextEvent_ < options_.script.size() &&
                   options_.script[nextEvent_].mark <= frame) {
                keys = options_.script[nextEvent_].keys;
                ++nextEvent_;
            }
        } else {
            keys = generator_.next([frame](uint32_t goals) {
                return sim::pilotKeys({{0, goals}}, frame);
            });
        }
        if (frame == 0 || keys != keys_) {
            result_.keys.push_back({true, frame, keys});
            if (keysOut_.isOpen() && !keysOut_.writeLine(sim::scriptLine('f', frame, keys))) {
                throw sim::WriteFailed{keysOut_.failure()};
            }
        }
        keys_ = keys;
        headless::holdKeyMask(keys);
    }

    const Options& options_;
    KeyGenerator generator_;
    size_t nextEvent_;
    Checker checker_;
    Result result_;
    uint32_t keys_ = 0;
    uint64_t turns_ = 0;
    uint64_t lastTurnElapsed_ = 0;
    bool quitPosted_ = false;
    sim::LineFile keysOut_;
};

// FNV-1a, 64 bits, over every field of the description of the program's
// state, shown in the state lines or not. The picture and window handles
// differ between runs and are left out.
class Digest {
  public:
    template <typename T, typename Fresh>
    void value(const char* name, T& place, const Fresh&, Shown shown) {
        member(name, place, shown);
    }
    template <typename T> void member(const char*, T& place, Shown) {
        if constexpr (std::is_floating_point_v<T>) {
            add(std::bit_cast<int64_t>(double(place)));
        } else if constexpr (std::is_integral_v<T>) {
            add(int64_t(place));
        } else {
            static_assert(std::is_pointer_v<T>, "a field the digest cannot take");
        }
    }
    template <typename T> void listedWhile(const char* name, T& flag) {
        member(name, flag, Shown::No);
    }
    template <typename T> void alone(const char* name, T& place) {
        member(name, place, Shown::Yes);
    }
    template <typename R, typename Fields>
    void record(const char*, R& record, Shown, Fields fields) {
        fields(*this, record);
    }
    template <typename R, size_t N, typename Fields>
    void table(const char*, R (&records)[N], Shown, Fields fields) {
        for (R& record : records) {
            fields(*this, record);
        }
    }
    void add(int64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash_ = (hash_ ^ uint8_t(uint64_t(value) >> (8 * i))) * 0x100000001B3ull;
        }
    }
    uint64_t value() const { return hash_; }

  private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

} // namespace

Result run(const Options& options) {
    Soak soak(options);
    return soak.execute();
}

std::string keyScript(const std::vector<sim::ScriptEvent>& keys, uint64_t lastFrame,
                      const std::string& comment) {
    std::ostringstream out;
    std::istringstream lines(comment);
    std::string line;
    while (std::getline(lines, line)) {
        out << "# " << line << '\n';
    }
    for (const sim::ScriptEvent& event : keys) {
        if (event.mark > lastFrame) {
            break;
        }
        out << sim::scriptLine('f', event.mark, event.keys) << '\n';
    }
    return out.str();
}

uint64_t gameDigest() {
    Digest d;
    d.add(plat::tickCount());
    visitProgramState(d);
    return d.value();
}

} // namespace soak
