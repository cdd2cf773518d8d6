#include "soak.h"

#include "autopilot.h"
#include "hostiles/base.h"
#include "hostiles/random.h"
#include "keys.h"
#include "platform/headless/headless.h"
#include "platform/window.h"
#include "shell/devices.h"
#include "shell/entry.h"
#include "shell/frame.h"
#include "shell/status.h"

#include <cstdio>
#include <fstream>
#include <sstream>

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
        if (!options_.keysFile.empty()) {
            keysOut_ = std::fopen(options_.keysFile.c_str(), "w");
            if (keysOut_ != nullptr) {
                // A line at a time, so that the keys survive the process.
                std::setvbuf(keysOut_, nullptr, _IOLBF, 0);
                std::fprintf(keysOut_, "# Keys of quorvelindaxtor-soak, %s, start tick %u\n",
                             options_.replay ? "a replay"
                                             : ("seed " + std::to_string(options_.seed)).c_str(),
                             options_.startTick);
            }
        }
        holdKeysFor(0);

        try {
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
        }
        if (!quitPosted_) {
            result_.digest = gameDigest();
        }
        if (keysOut_ != nullptr) {
            std::fclose(keysOut_);
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
            if (keysOut_ != nullptr) {
                std::fprintf(keysOut_, "%s\n", sim::scriptLine('f', frame, keys).c_str());
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
    std::FILE* keysOut_ = nullptr;
};

// FNV-1a, 64 bits.
class Digest {
  public:
    void add(int64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash_ = (hash_ ^ uint8_t(uint64_t(value) >> (8 * i))) * 0x100000001B3ull;
        }
    }
    void add(const Rect& r) {
        add(r.left);
        add(r.top);
        add(r.right);
        add(r.bottom);
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
    d.add(int64_t(randomState));
    for (int32_t value : {score, sporesDestroyed, plantsDestroyed, baseHits, shipsLeft, baseIntact,
                          spawnDelayShift, sporeSpeed, sowerHits}) {
        d.add(value);
    }
    d.add(ship.state);
    d.add(ship.x);
    d.add(ship.y);
    d.add(int64_t(ship.angle));
    d.add(ship.muzzleX);
    d.add(ship.muzzleY);
    for (const Shot& shot : shots) {
        d.add(shot.active);
        d.add(shot.x);
        d.add(shot.y);
        d.add(shot.vx);
        d.add(shot.vy);
    }
    for (const Spore& spore : spores) {
        d.add(spore.active);
        d.add(spore.x);
        d.add(spore.y);
        d.add(spore.vx);
        d.add(spore.vy);
    }
    d.add(sower.active);
    d.add(sower.x);
    d.add(sower.vx);
    for (const Plant& plant : plants) {
        d.add(plant.active);
        for (const PlantSegment& segment : plant.segments) {
            d.add(segment.alive);
            d.add(segment.box);
        }
    }
    for (const RingCell& cell : baseRing) {
        d.add(cell.plant);
        d.add(cell.segment);
    }
    for (const Explosion& explosion : explosions) {
        d.add(explosion.active);
        d.add(explosion.frame);
    }
    d.add(baseExplosion.active);
    d.add(baseExplosion.frame);
    return d.value();
}

} // namespace soak
