// The sound generator's toolbox: a seeded noise source, our own sine and
// exponential, band-limited oscillators, a state-variable filter, envelopes,
// delay lines, a small reverb, level setting and the WAVE writer.
//
// Every sample comes out of plain IEEE double arithmetic (+, -, *, / and the
// exact floor, sqrt and ldexp) and a fixed-seed integer generator: no library sine or exponential
// and no library random distribution takes part, so the sound files are the
// same bytes on every run and with every C++ library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sounds {

// Every sound of the game is written at this rate, 16 bits per sample.
constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

inline size_t framesFor(double seconds) {
    return static_cast<size_t>(seconds * kRate + 0.5);
}

// A rendered sound: one channel in left, or two when right is not empty.
// Samples are nominally in [-1, 1].
struct Sound {
    std::vector<double> left;
    std::vector<double> right;
    bool stereo() const { return !right.empty(); }
};

// --- arithmetic ----------------------------------------------------------

// sin(2 pi cycles), to about 1e-11.
double sine(double cycles);
inline double cosine(double cycles) {
    return sine(cycles + 0.25);
}
// 2 to the power x, to about 1e-12 relative.
double power2(double x);
// e^(-t / tau): the shape of every exponential decay.
inline double decay(double t, double tau) {
    return power2(-1.4426950408889634 * t / tau);
}
// Frequency ratio of a pitch interval in semitones.
inline double semitones(double s) {
    return power2(s / 12.0);
}
// Frequency of a MIDI note number (69 = A4 = 440 Hz).
inline double noteHz(double note) {
    return 440.0 * semitones(note - 69.0);
}
// Smooth saturation: about x for small x, bends towards +-1 like tanh.
double saturate(double x);
// Smoothstep from 0 at a to 1 at b.
double smoothstep(double a, double b, double x);

// --- noise ----------------------------------------------------------------

// xorshift64*: a small, fixed integer generator.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint32_t next();
    // Uniform in [0, 1).
    double unit() { return next() * (1.0 / 4294967296.0); }
    // Uniform in [-1, 1).
    double bipolar() { return unit() * 2.0 - 1.0; }
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }

  private:
    uint64_t state_;
};

// --- oscillators ------------------------------------------------------------

// A phase in cycles, [0, 1), advanced by a frequency each sample.
struct Phase {
    double value = 0.0;
    double advance(double hz);
};

// Band-limited sawtooth (polyBLEP), rising from -1 to +1 over a cycle.
struct Saw {
    Phase phase;
    double next(double hz);
};

// Band-limited pulse with a given duty (polyBLEP).
struct Pulse {
    Phase phase;
    double next(double hz, double duty = 0.5);
};

// --- filters ----------------------------------------------------------------

// Trapezoidal state-variable filter: low, band and high pass from one state,
// stable while the cutoff sweeps every sample.
struct Svf {
    struct Out {
        double low;
        double band;
        double high;
    };
    double ic1 = 0.0;
    double ic2 = 0.0;
    Out run(double x, double hz, double q);
};

// One-pole smoother, for damping inside feedback loops.
struct OnePole {
    double state = 0.0;
    double run(double x, double coefficient) { return state += coefficient * (x - state); }
};

// Removes any steady offset: a one-pole high-pass at about 17 Hz.
struct DcBlocker {
    double lastIn = 0.0;
    double lastOut = 0.0;
    double run(double x) {
        lastOut = x - lastIn + 0.995 * lastOut;
        lastIn = x;
        return lastOut;
    }
};

// --- delays -------------------------------------------------------------------

// A delay line that holds the last `length` inputs.
class DelayLine {
  public:
    explicit DelayLine(size_t length) : buffer_(length, 0.0) {}
    // The input from `length` samples ago.
    double oldest() const { return buffer_[position_]; }
    // The input from `delay` samples ago, interpolated; 1 <= delay <= length.
    double tap(double delay) const;
    void push(double x);

  private:
    std::vector<double> buffer_;
    size_t position_ = 0;
};

// Feedback comb with a damped loop, the body of the reverb.
class Comb {
  public:
    explicit Comb(size_t length) : line_(length) {}
    double run(double x, double feedback, double damping);

  private:
    DelayLine line_;
    OnePole damper_;
};

// Schroeder all-pass diffuser.
class AllPass {
  public:
    explicit AllPass(size_t length) : line_(length) {}
    double run(double x, double gain = 0.5);

  private:
    DelayLine line_;
};

// A small stereo room: four damped combs per side and two diffusers, the
// right side a few samples longer than the left for width.
class Reverb {
  public:
    Reverb(double size, double damping);
    // Feeds one mono sample; writes the wet stereo output.
    void run(double x, double& left, double& right);

  private:
    std::vector<Comb> combsLeft_;
    std::vector<Comb> combsRight_;
    std::vector<AllPass> diffuseLeft_;
    std::vector<AllPass> diffuseRight_;
    double feedback_;
    double damping_;
};

// --- envelopes ------------------------------------------------------------------

// A note's loudness at time t: a smooth rise over `attack`, an exponential
// fall with time constant `decayTau` towards `sustain`, and after `hold`
// seconds a release that falls exponentially and reaches silence exactly at
// hold + release.
struct Envelope {
    double attack;
    double decayTau;
    double sustain;
    double releaseTau;
    double release;
    double at(double t, double hold) const;
    double held(double t) const;
};

// --- finishing -------------------------------------------------------------------

// The loudness of a sound: the RMS of its loudest window of `window` seconds
// (the whole sound when window is 0), measured after a gentle high-pass so
// deep rumble counts for less than it weighs on a meter, as the ear hears it.
double loudness(const Sound& sound, double window);
// Scales the sound to the given loudness, then bends every peak above
// `knee` smoothly so that no sample reaches `ceiling`.
void setLevel(Sound& sound, double window, double target, double knee, double ceiling);
// Linear fade of the last `seconds` to silence, and of the first `in` from it.
void fadeEdges(Sound& sound, double in, double out);

// Writes a canonical RIFF/WAVE file: a 16-byte PCM "fmt " chunk and a "data"
// chunk of 16-bit little-endian samples, interleaved when stereo.
bool writeWave(const std::string& path, const Sound& sound);

// --- the game's sounds ---------------------------------------------------------

Sound makeLaser();
Sound makeSporeBurst();
Sound makePlantGrowth();
Sound makeExplosion();
Sound makeMetamorphosis();
Sound makeTitleMusic();
Sound makeGameOver();

} // namespace sounds
