// The two front-end sounds: the looping title music and the game-over
// jingle, built from a few instruments (a detuned pad, a glassy bell, a
// theremin, a plucked arpeggio, a filtered bass, a kick, hi-hats and a
// cymbal swell) played into buses, then through echo and reverb.
#include "sounds_synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace sounds {

namespace {

// --- buses and instruments ------------------------------------------------------

// A stereo bus. When it wraps, whatever is written past its end lands at
// its start: a note still ringing when the title loop ends is heard at the
// top of the next turn, just as it will be when the player loops the file.
struct Bus {
    std::vector<double> left;
    std::vector<double> right;
    bool wraps;

    Bus(size_t frames, bool wrap) : left(frames, 0.0), right(frames, 0.0), wraps(wrap) {}
    size_t size() const { return left.size(); }
    void add(size_t at, double l, double r) {
        if (wraps) {
            at %= size();
        } else if (at >= size()) {
            return;
        }
        left[at] += l;
        right[at] += r;
    }
    void mix(const Bus& other, double gain) {
        for (size_t i = 0; i < size(); ++i) {
            left[i] += gain * other.left[i];
            right[i] += gain * other.right[i];
        }
    }
};

// Left and right gains for a position from -1 (left) to 1 (right), at equal
// power.
void panGains(double pan, double& l, double& r) {
    l = std::sqrt(0.5 * (1.0 - pan));
    r = std::sqrt(0.5 * (1.0 + pan));
}

// Runs an effect over the bus sample by sample. A wrapping bus goes through
// twice and keeps the second turn, so the effect's memory (filter state,
// echoes, reverb tails) at the top of the loop is the one its end leaves
// and the loop has no seam.
template <class Effect> Bus process(const Bus& in, Effect effect) {
    Bus out(in.size(), in.wraps);
    const size_t turns = in.wraps ? 2 : 1;
    for (size_t n = 0; n < turns * in.size(); ++n) {
        const size_t i = n % in.size();
        double l = in.left[i];
        double r = in.right[i];
        effect(i, l, r);
        if (n + in.size() >= turns * in.size()) {
            out.left[i] = l;
            out.right[i] = r;
        }
    }
    return out;
}

// A warm pad note: two saws a few cents apart on each side, the sides tuned
// apart for width, swelling in and fading out over the next chord. `bend`
// glides the pitch by that many semitones over the note's hold.
void addPad(Bus& bus, size_t start, size_t hold, int note, double gain, uint64_t seed,
            double attack = 0.45, double bend = 0.0) {
    Rng rng(seed);
    Saw saws[4];
    for (Saw& saw : saws) {
        saw.phase.value = rng.unit();
    }
    const Envelope envelope{attack, 1.0, 1.0, 0.5, 1.4};
    const double holdSeconds = static_cast<double>(hold) / kRate;
    const size_t frames = hold + framesFor(envelope.release);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = noteHz(note + bend * smoothstep(0.0, holdSeconds, t));
        const double l = saws[0].next(hz * semitones(-0.07)) + saws[1].next(hz * semitones(0.03));
        const double r = saws[2].next(hz * semitones(0.07)) + saws[3].next(hz * semitones(-0.03));
        const double level = gain * envelope.at(t, holdSeconds);
        bus.add(start + i, l * level, r * level);
    }
}

// A glassy bell: a sine carrier phase-modulated by its own frequency (the
// body, bright at the strike and mellowing) and by 3.5 times it (the
// inharmonic clang of the strike), with a delayed vibrato; the right side's
// carrier sits four cents sharp, which makes it shimmer.
void addBell(Bus& bus, size_t start, size_t hold, int note, double gain, double pan) {
    Phase carrierLeft;
    Phase carrierRight;
    Phase body;
    Phase clang;
    Phase vibrato;
    const Envelope envelope{0.006, 0.35, 0.35, 0.25, 0.6};
    const double holdSeconds = static_cast<double>(hold) / kRate;
    const size_t frames = hold + framesFor(envelope.release);
    double panLeft = 0.0;
    double panRight = 0.0;
    panGains(pan, panLeft, panRight);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz =
            noteHz(note) * semitones(0.15 * smoothstep(0.2, 0.6, t) * sine(vibrato.value));
        vibrato.advance(5.2);
        const double deviation = (0.7 + 2.3 * decay(t, 0.15)) * sine(body.value) +
                                 1.4 * decay(t, 0.06) * sine(clang.value);
        const double offset = deviation / (2.0 * kPi);
        const double level = gain * envelope.at(t, holdSeconds);
        bus.add(start + i, panLeft * level * sine(carrierLeft.value + offset),
                panRight * level * sine(carrierRight.value + offset));
        carrierLeft.advance(hz);
        carrierRight.advance(hz * semitones(0.04));
        body.advance(hz);
        clang.advance(hz * 3.5);
    }
}

// A theremin phrase: one unbroken voice that glides from note to note with
// a wide, slow vibrato, swelling in at the start and out at the end. The
// notes are (offset from start in frames, note); the voice holds the last
// one until `length`.
struct Glide {
    size_t at;
    int note;
};

void addTheremin(Bus& bus, size_t start, size_t length, const std::vector<Glide>& notes,
                 double gain, double pan) {
    Phase phase;
    Phase vibrato;
    double pitch = notes.front().note;
    size_t next = 0;
    double target = pitch;
    double panLeft = 0.0;
    double panRight = 0.0;
    panGains(pan, panLeft, panRight);
    const double seconds = static_cast<double>(length) / kRate;
    const double glide = 1.0 - decay(1.0 / kRate, 0.03);
    for (size_t i = 0; i < length; ++i) {
        while (next < notes.size() && notes[next].at <= i) {
            target = notes[next].note;
            ++next;
        }
        pitch += glide * (target - pitch);
        const double t = static_cast<double>(i) / kRate;
        const double hz = noteHz(pitch + 0.3 * sine(vibrato.value));
        vibrato.advance(5.5);
        const double x = saturate(1.6 * sine(phase.value));
        phase.advance(hz);
        const double level =
            gain * smoothstep(0.0, 0.6, t) * (1.0 - smoothstep(seconds - 0.8, seconds, t));
        bus.add(start + i, panLeft * level * x, panRight * level * x);
    }
}

// A short pluck: a sine phase-modulated at twice its frequency with an index
// that falls away in a few hundredths of a second.
void addPluck(Bus& bus, size_t start, int note, double gain, double pan) {
    Phase carrier;
    Phase modulator;
    const double length = 0.45;
    const size_t frames = framesFor(length);
    double panLeft = 0.0;
    double panRight = 0.0;
    panGains(pan, panLeft, panRight);
    const double hz = noteHz(note);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double index = 0.5 + 3.0 * decay(t, 0.03);
        const double x = sine(carrier.value + index / (2.0 * kPi) * sine(modulator.value));
        carrier.advance(hz);
        modulator.advance(2.0 * hz);
        const double level = gain * smoothstep(0.0, 0.002, t) * decay(t, 0.12) * (1.0 - t / length);
        bus.add(start + i, panLeft * level * x, panRight * level * x);
    }
}

// A bass note: a saw and a narrow pulse under a resonant low-pass whose
// cutoff snaps open at the start and settles, lightly saturated.
void addBass(Bus& bus, size_t start, size_t hold, int note, double gain) {
    Saw saw;
    Pulse pulse;
    Svf filter;
    const Envelope envelope{0.004, 0.15, 0.7, 0.02, 0.06};
    const double holdSeconds = static_cast<double>(hold) / kRate;
    const size_t frames = hold + framesFor(envelope.release);
    const double hz = noteHz(note);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double x = saw.next(hz) + 0.6 * pulse.next(hz, 0.3);
        const double y = filter.run(x, 150.0 + 1100.0 * decay(t, 0.05), 2.0).low;
        const double v = gain * envelope.at(t, holdSeconds) * saturate(1.5 * y);
        bus.add(start + i, v, v);
    }
}

// A soft kick: a sine dropping from 140 Hz to 45 Hz with a tick of noise.
void addKick(Bus& bus, size_t start, double gain, Rng& rng) {
    Phase phase;
    const double length = 0.45;
    const size_t frames = framesFor(length);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double tone = sine(phase.value) * decay(t, 0.16);
        phase.advance(45.0 + 95.0 * decay(t, 0.025));
        const double tick = 0.3 * rng.bipolar() * decay(t, 0.002);
        const double v =
            gain * smoothstep(0.0, 0.002, t) * (1.0 - t / length) * saturate(1.4 * (tone + tick));
        bus.add(start + i, v, v);
    }
}

// A closed hi-hat: high-passed noise that dies within a few hundredths.
void addHat(Bus& bus, size_t start, double gain, double pan, Rng& rng) {
    Svf filter;
    const double length = 0.1;
    const size_t frames = framesFor(length);
    double panLeft = 0.0;
    double panRight = 0.0;
    panGains(pan, panLeft, panRight);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double v = gain * filter.run(rng.bipolar(), 7000.0, 0.8).high * decay(t, 0.03) *
                         (1.0 - t / length);
        bus.add(start + i, panLeft * v, panRight * v);
    }
}

// A reversed-cymbal swell: band-passed noise growing louder and brighter
// up to `length`, then gone in a few milliseconds.
void addSwell(Bus& bus, size_t start, double length, double gain, Rng& rng) {
    Svf left;
    Svf right;
    const size_t frames = framesFor(length);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double u = t / length;
        const double hz = 1500.0 * power2(2.4 * u);
        const double level = gain * u * u * (1.0 - smoothstep(length - 0.03, length, t));
        // Two draws in two statements: their order must not be left to the
        // compiler, or the noise would differ from one build to another.
        const double noiseLeft = rng.bipolar();
        const double noiseRight = rng.bipolar();
        bus.add(start + i, level * left.run(noiseLeft, hz, 1.5).band,
                level * right.run(noiseRight, hz, 1.5).band);
    }
}

// Ping-pong echo: each repeat crosses to the other side, a little darker.
Bus pingPong(const Bus& in, size_t delay, double feedback, double wet) {
    DelayLine toLeft(delay);
    DelayLine toRight(delay);
    OnePole darkLeft;
    OnePole darkRight;
    return process(in, [&](size_t, double& l, double& r) {
        const double echoLeft = toLeft.oldest();
        const double echoRight = toRight.oldest();
        toLeft.push(0.5 * (l + r) + feedback * darkRight.run(echoRight, 0.5));
        toRight.push(feedback * darkLeft.run(echoLeft, 0.5));
        l += wet * echoLeft;
        r += wet * echoRight;
    });
}

Bus reverberate(const Bus& in, double size, double damping) {
    Reverb room(size, damping);
    return process(in, [&](size_t, double& l, double& r) { room.run(0.5 * (l + r), l, r); });
}

// --- the title music ---------------------------------------------------------------

// Eight bars of 4/4 at 105 beats a minute. At 22050 Hz a sixteenth note is
// exactly 3150 samples, so the loop is exactly 403200 samples (18.29 s) and
// every note starts on a whole sample.
constexpr size_t kStep = 3150;
constexpr size_t kBarSteps = 16;
constexpr size_t kBars = 8;
constexpr size_t kBar = kStep * kBarSteps;
constexpr size_t kLoop = kBar * kBars;

// D minor with the lowered second (E flat) of the phrygian mode, which gives
// the tune its alien unease, and an A major chord that leads back to D.
struct Chord {
    int root;      // bass note
    int voices[4]; // pad voicing
};

const Chord kChords[kBars] = {
    {38, {50, 57, 62, 65}}, // D minor
    {39, {51, 58, 63, 67}}, // E flat
    {38, {50, 57, 62, 65}}, // D minor
    {34, {50, 58, 62, 65}}, // B flat over D
    {43, {50, 55, 58, 62}}, // G minor
    {39, {51, 55, 58, 63}}, // E flat
    {45, {52, 57, 61, 64}}, // A
    {45, {52, 55, 61, 64}}, // A seventh
};

struct Note {
    int step;
    int steps;
    int note;
};

// The bell tune, in sixteenths from the top of the loop.
const Note kTune[] = {
    {0, 6, 69},   {6, 2, 74},   {8, 8, 77},                 // A D F
    {16, 6, 75},  {22, 2, 74},  {24, 8, 70},                // E-flat D B-flat
    {32, 4, 69},  {36, 4, 74},  {40, 4, 77},  {44, 4, 81},  // A D F A
    {48, 6, 79},  {54, 2, 77},  {56, 8, 74},                // G F D
    {64, 6, 70},  {70, 2, 74},  {72, 6, 79},  {78, 2, 77},  // B-flat D G F
    {80, 6, 75},  {86, 2, 79},  {88, 4, 82},  {92, 4, 79},  // E-flat G B-flat G
    {96, 4, 81},  {100, 2, 79}, {102, 2, 77}, {104, 8, 76}, // A G F E
    {112, 6, 73}, {118, 2, 74}, {120, 4, 76}, {124, 4, 73}, // C-sharp D E C-sharp
};

// Where the theremin plays, in sixteenths.
constexpr int kThereminFrom = 64;
constexpr int kThereminTo = 124;

// The bass rides a 3-3-2 figure on each bar's root, jumping an octave on
// the short notes.
const Note kBassFigure[] = {{0, 3, 0}, {3, 3, 0}, {6, 2, 12}, {8, 3, 0}, {11, 3, 0}, {14, 2, 12}};

// The arpeggio walks the upper chord tones in eighths.
const int kArpeggioOrder[8] = {0, 1, 2, 3, 1, 2, 3, 2};

} // namespace

Sound makeTitleMusic() {
    // Over a breathing pad and a driving bass, the bells play the tune once
    // through; in the second half the arpeggio comes forward and a theremin
    // glides along with the bells; a cymbal swell carries the last half bar
    // back into the first. Every instrument writes into wrapping buses, so
    // the file loops without a seam.
    Rng rng(0xA11E4);
    Bus pad(kLoop, true);
    Bus bells(kLoop, true);
    Bus plucks(kLoop, true);
    Bus bass(kLoop, true);
    Bus drums(kLoop, true);

    for (size_t bar = 0; bar < kBars; ++bar) {
        const Chord& chord = kChords[bar];
        const size_t top = bar * kBar;
        for (int v = 0; v < 4; ++v) {
            addPad(pad, top, kBar, chord.voices[v], 0.07, 0x9AD0 + bar * 8 + v);
        }
        for (const Note& figure : kBassFigure) {
            addBass(bass, top + figure.step * kStep, figure.steps * kStep - kStep / 3,
                    chord.root + figure.note, 0.25);
        }
        // The arpeggio comes forward in the second half of the loop.
        const double pluckGain = bar < 4 ? 0.18 : 0.3;
        const int tones[4] = {chord.voices[1] + 12, chord.voices[2] + 12, chord.voices[3] + 12,
                              chord.voices[1] + 24};
        for (int e = 0; e < 8; ++e) {
            addPluck(plucks, top + e * 2 * kStep, tones[kArpeggioOrder[e]], pluckGain,
                     e % 2 == 0 ? -0.6 : 0.6);
        }
        addKick(drums, top, 0.35, rng);
        addKick(drums, top + 8 * kStep, 0.28, rng);
        for (int beat = 0; beat < 4; ++beat) {
            addHat(drums, top + (beat * 4 + 2) * kStep, 0.12, 0.3, rng);
        }
    }
    // The last half bar swells into the top of the loop.
    addSwell(drums, kLoop - kBar / 2, static_cast<double>(kBar / 2) / kRate, 0.25, rng);

    double pan = -0.35;
    std::vector<Glide> answer;
    for (const Note& note : kTune) {
        addBell(bells, note.step * kStep, note.steps * kStep - kStep / 4, note.note, 0.4, pan);
        pan = -pan;
        if (note.step >= kThereminFrom) {
            answer.push_back({(note.step - kThereminFrom) * kStep, note.note});
        }
    }
    // In the second half a theremin joins the bells, gliding through the
    // same tune, and fades before the top of the loop.
    addTheremin(bells, kThereminFrom * kStep, (kThereminTo - kThereminFrom) * kStep, answer, 0.1,
                0.2);

    // The pad breathes: its low-pass opens and closes twice per loop.
    Svf padLeft;
    Svf padRight;
    const Bus breathing = process(pad, [&](size_t i, double& l, double& r) {
        const double hz = 800.0 * power2(1.1 * sine(2.0 * static_cast<double>(i) / kLoop));
        l = padLeft.run(l, hz, 1.2).low;
        r = padRight.run(r, hz, 1.2).low;
    });

    Bus melody = bells;
    melody.mix(plucks, 1.0);
    const Bus echoed = pingPong(melody, 3 * kStep, 0.42, 0.35);

    Bus send(kLoop, true);
    send.mix(breathing, 0.35);
    send.mix(echoed, 0.6);
    send.mix(drums, 0.1);
    const Bus hall = reverberate(send, 0.8, 0.35);

    Bus master(kLoop, true);
    master.mix(breathing, 1.0);
    master.mix(echoed, 1.0);
    master.mix(bass, 1.0);
    master.mix(drums, 1.0);
    master.mix(hall, 0.4);
    DcBlocker centreLeft;
    DcBlocker centreRight;
    Bus centred = process(master, [&](size_t, double& l, double& r) {
        l = centreLeft.run(l);
        r = centreRight.run(r);
    });

    Sound sound;
    sound.left = std::move(centred.left);
    sound.right = std::move(centred.right);
    // It plays under the effects, well below them.
    setLevel(sound, 0.0, 0.07, 0.5, 0.7);
    return sound;
}

Sound makeGameOver() {
    // Bells tumble down from the D two octaves above middle C to the F
    // below A440, then a dark D minor chord sinks a minor third while its
    // filter closes, over a falling sub boom. The first bell strikes at
    // once: the jingle has no silent lead-in.
    const double length = 2.7;
    const size_t frames = framesFor(length);
    const size_t tenth = framesFor(0.1);
    Bus bells(frames, false);
    Bus chord(frames, false);
    Bus low(frames, false);

    const int fall[] = {86, 84, 81, 77, 75, 74, 69, 65};
    double pan = 0.4;
    for (size_t n = 0; n < std::size(fall); ++n) {
        addBell(bells, n * tenth, tenth - tenth / 5, fall[n], 0.3, pan);
        pan = -pan;
    }
    const size_t drop = framesFor(0.85);
    const size_t hold = framesFor(1.3);
    const int voices[] = {50, 57, 62, 65};
    for (size_t v = 0; v < std::size(voices); ++v) {
        addPad(chord, drop, hold, voices[v], 0.16, 0x6A3E + v, 0.04, -3.0);
    }
    addBass(low, drop, hold, 38, 0.3);
    Phase boomPhase;
    for (size_t i = 0; drop + i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double v = 0.5 * sine(boomPhase.value) * smoothstep(0.0, 0.005, t) * decay(t, 0.6);
        boomPhase.advance(35.0 + 25.0 * decay(t, 0.3));
        low.add(drop + i, v, v);
    }

    Svf closeLeft;
    Svf closeRight;
    const Bus sinking = process(chord, [&](size_t i, double& l, double& r) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = 300.0 + 2600.0 * decay(std::max(0.0, t - 0.85), 0.5);
        l = closeLeft.run(l, hz, 1.5).low;
        r = closeRight.run(r, hz, 1.5).low;
    });
    const Bus echoed = pingPong(bells, framesFor(0.15), 0.35, 0.3);

    Bus send(frames, false);
    send.mix(echoed, 0.6);
    send.mix(sinking, 0.4);
    const Bus hall = reverberate(send, 0.8, 0.35);

    Bus master(frames, false);
    master.mix(echoed, 1.0);
    master.mix(sinking, 1.0);
    master.mix(low, 1.0);
    master.mix(hall, 0.5);

    Sound sound;
    sound.left.resize(frames);
    DcBlocker centre;
    for (size_t i = 0; i < frames; ++i) {
        sound.left[i] = centre.run(0.5 * (master.left[i] + master.right[i]));
    }
    fadeEdges(sound, 0.0, 0.4);
    setLevel(sound, 0.1, 0.17, 0.7, 0.88);
    return sound;
}

} // namespace sounds
