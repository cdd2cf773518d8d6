// The five in-game effects: the laser shot, the burst of a spore or a plant
// part, the plant's growth squelch, the big explosion and the metamorphosis
// of a plant.
#include "sounds_synth.h"

#include <algorithm>
#include <vector>

namespace sounds {

namespace {

// Every effect is set by the loudness of its loudest tenth of a second (see
// loudness()). The frequent sounds, shots and plant growth, sit a little
// lower than the spore burst so that rapid fire does not tire the ear. The
// big explosion carries most of its weight below the measure's high-pass,
// so its smaller figure still makes it the loudest effect of the game.
constexpr double kWindow = 0.1;
constexpr double kKnee = 0.7;
constexpr double kCeiling = 0.88; // just under -1 dBFS

Sound silence(double seconds) {
    Sound sound;
    sound.left.assign(framesFor(seconds), 0.0);
    return sound;
}

// Phase modulation by a sine: `index` is the peak deviation in radians.
double modulated(const Phase& carrier, const Phase& modulator, double index) {
    return sine(carrier.value + index / (2.0 * kPi) * sine(modulator.value));
}

// A rise over `rise` seconds from `start`, then an exponential fall.
double bump(double t, double start, double rise, double tau) {
    if (t < start) {
        return 0.0;
    }
    if (t < start + rise) {
        return smoothstep(start, start + rise, t);
    }
    return decay(t - start - rise, tau);
}

// A short bubble: a sine whose pitch slides up while a half-sine window
// opens and closes it.
struct Bubble {
    double start;
    double length;
    double hz;
    double amplitude;
    Phase phase;

    double next(double t) {
        const double u = (t - start) / length;
        if (u < 0.0 || u >= 1.0) {
            return 0.0;
        }
        phase.advance(hz * (1.0 + 1.4 * u));
        return amplitude * sine(0.5 * u) * sine(phase.value);
    }
};

std::vector<Bubble> scatterBubbles(Rng& rng, int count, double from, double span, double lowHz,
                                   double highHz) {
    std::vector<Bubble> bubbles;
    for (int i = 0; i < count; ++i) {
        const double u = rng.unit();
        const double start = from + span * u * u;
        bubbles.push_back({start, rng.between(0.018, 0.045), rng.between(lowHz, highHz),
                           rng.between(0.3, 1.0) * (1.0 - 0.7 * u), Phase{}});
    }
    return bubbles;
}

} // namespace

Sound makeLaser() {
    // A bright zap diving from about 2.4 kHz to 300 Hz: two detuned saws and
    // a phase-modulated tone under a resonant low-pass that follows the
    // pitch down, with a crack of noise at the start. It lasts 0.18 s, so it
    // has ended before the next shot can leave and every shot is heard.
    Sound sound = silence(0.18);
    Rng rng(0x1A5E4);
    Saw sawA;
    Saw sawB;
    sawB.phase.value = 0.37;
    Phase carrier;
    Phase modulator;
    Svf tone;
    Svf crackle;
    for (size_t i = 0; i < sound.left.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double pitch = 280.0 + 2150.0 * decay(t, 0.035);
        const double fm = modulated(carrier, modulator, 0.6 + 2.6 * decay(t, 0.05));
        carrier.advance(pitch);
        modulator.advance(pitch * 1.5);
        const double body = 0.35 * (sawA.next(pitch) + sawB.next(pitch * 1.012)) + 0.6 * fm;
        const double bright = tone.run(body, 900.0 + 2.2 * pitch, 3.5).low;
        const double crack = crackle.run(rng.bipolar(), 4000.0, 0.7).high * decay(t, 0.004);
        const double envelope = smoothstep(0.0, 0.0015, t) * decay(t, 0.055);
        sound.left[i] = saturate(1.8 * (bright * envelope + 0.5 * crack));
    }
    fadeEdges(sound, 0.001, 0.02);
    setLevel(sound, kWindow, 0.17, kKnee, kCeiling);
    return sound;
}

Sound makeSporeBurst() {
    // A soft, wet pop: a thump whose pitch drops from 200 to 55 Hz, a burst
    // of band-passed noise whose centre slides down from 2.6 kHz, and a
    // spatter of little rising bubbles, all under a gentle low-pass.
    Sound sound = silence(0.4);
    Rng rng(0x5B0AE);
    std::vector<Bubble> bubbles = scatterBubbles(rng, 16, 0.01, 0.27, 450.0, 1300.0);
    Phase thumpPhase;
    Svf band;
    Svf soften;
    for (size_t i = 0; i < sound.left.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double thump = sine(thumpPhase.value) * smoothstep(0.0, 0.002, t) * decay(t, 0.07);
        thumpPhase.advance(55.0 + 150.0 * decay(t, 0.035));
        const double hiss = band.run(rng.bipolar(), 260.0 + 2400.0 * decay(t, 0.06), 1.4).band;
        const double body = 2.0 * hiss * smoothstep(0.0, 0.003, t) * decay(t, 0.085);
        double spatter = 0.0;
        for (Bubble& bubble : bubbles) {
            spatter += bubble.next(t);
        }
        const double mix = 0.8 * thump + body + 0.3 * spatter;
        sound.left[i] = saturate(1.4 * soften.run(mix, 4500.0, 0.7).low);
    }
    fadeEdges(sound, 0.0, 0.05);
    setLevel(sound, kWindow, 0.18, kKnee, kCeiling);
    return sound;
}

Sound makePlantGrowth() {
    // A double squelch: a buzzy tone that slides up a fifth through a very
    // resonant low-pass which opens and shuts twice, with two sticky pops.
    Sound sound = silence(0.3);
    Rng rng(0x91A47);
    Saw saw;
    Pulse pulse;
    Svf wah;
    std::vector<Bubble> pops = {{0.11, 0.022, 700.0, 0.5, Phase{}},
                                {0.235, 0.02, 900.0, 0.4, Phase{}}};
    for (size_t i = 0; i < sound.left.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double pitch = 95.0 * semitones(7.0 * smoothstep(0.0, 0.3, t));
        const double source =
            saw.next(pitch) + 0.7 * pulse.next(pitch * 1.003, 0.3) + 0.15 * rng.bipolar();
        const double cutoff =
            220.0 + 2400.0 * bump(t, 0.0, 0.06, 0.05) + 1500.0 * bump(t, 0.15, 0.05, 0.05);
        const double wet = wah.run(source, cutoff, 7.0).low;
        const double envelope = smoothstep(0.0, 0.005, t) * (1.0 - smoothstep(0.2, 0.3, t));
        double pop = 0.0;
        for (Bubble& bubble : pops) {
            pop += bubble.next(t);
        }
        sound.left[i] = saturate(1.5 * (0.4 * wet * envelope + 0.4 * pop));
    }
    fadeEdges(sound, 0.0, 0.01);
    setLevel(sound, kWindow, 0.18, kKnee, kCeiling);
    return sound;
}

Sound makeExplosion() {
    // A deep blast with a long tail: a crack of bright noise, a body of noise
    // under a low-pass closing from 5 kHz, a saturated boom gliding from
    // 115 Hz down to 36 Hz, a rumble of brown noise, falling debris crackle,
    // and a short room around it all.
    Sound sound = silence(1.2);
    Rng rng(0xB00B5);
    Svf crackFilter;
    Svf bodyFilter;
    Svf rumbleFilter;
    Svf debrisFilter;
    Phase boomPhase;
    Reverb room(0.55, 0.45);
    DcBlocker centre;
    double brown = 0.0;
    double debrisHz = 2000.0;
    double debrisStart = -1.0;
    double debrisLevel = 0.0;
    for (size_t i = 0; i < sound.left.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double white = rng.bipolar();
        const double crack = crackFilter.run(white, 1200.0, 0.7).high * decay(t, 0.008);
        const double body = bodyFilter.run(white, 120.0 + 5200.0 * decay(t, 0.1), 0.8).low *
                            smoothstep(0.0, 0.003, t) * decay(t, 0.22);
        const double boom =
            saturate(2.5 * sine(boomPhase.value)) * smoothstep(0.0, 0.004, t) * decay(t, 0.38);
        boomPhase.advance(36.0 + 80.0 * decay(t, 0.07));
        brown = 0.985 * brown + 0.15 * rng.bipolar();
        const double rumble =
            rumbleFilter.run(brown, 250.0, 0.7).low * smoothstep(0.0, 0.03, t) * decay(t, 0.5);
        // Debris: short grains of noise, ever rarer, each ringing at its own
        // pitch through a resonant band-pass.
        if (t > 0.03 && rng.unit() < 0.004 * decay(t, 0.25)) {
            debrisStart = t;
            debrisHz = rng.between(900.0, 3500.0);
            debrisLevel = rng.between(0.4, 1.0);
        }
        const double grain =
            debrisStart < 0.0 ? 0.0 : debrisLevel * rng.bipolar() * decay(t - debrisStart, 0.006);
        const double debris = debrisFilter.run(grain, debrisHz, 4.0).band;
        const double dry = centre.run(
            saturate(1.3 * (0.6 * crack + body + 0.9 * boom + 1.2 * rumble + 0.6 * debris)));
        double wetLeft = 0.0;
        double wetRight = 0.0;
        room.run(dry, wetLeft, wetRight);
        sound.left[i] = (dry + 0.25 * (wetLeft + wetRight)) * (1.0 - smoothstep(0.85, 1.2, t));
    }
    fadeEdges(sound, 0.001, 0.0);
    setLevel(sound, kWindow, 0.12, kKnee, kCeiling);
    return sound;
}

Sound makeMetamorphosis() {
    // A plant changing shape: a tone that climbs two octaves and more in
    // 0.6 s while its vibrato speeds up from 7 to 21 Hz, made of a
    // phase-modulated voice, a slightly flat fifth that beats against it, a
    // sub-octave saw and a ring-modulated shimmer, through a low-pass that
    // opens with the pitch and a slow chorus.
    const double length = 0.6;
    Sound sound = silence(length);
    Phase warble;
    Phase carrier;
    Phase modulator;
    Phase shimmer;
    Pulse fifth;
    Saw sub;
    Svf tone;
    DelayLine chorus(framesFor(0.02));
    for (size_t i = 0; i < sound.left.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double progress = t / length;
        const double wobble = sine(warble.value);
        warble.advance(7.0 + 14.0 * progress);
        const double pitch = 170.0 * power2(2.2 * progress) * semitones(1.4 * wobble);
        const double voice = modulated(carrier, modulator, 1.2 + 2.0 * progress);
        carrier.advance(pitch);
        modulator.advance(pitch * 2.005);
        const double ring = sine(shimmer.value) * wobble;
        shimmer.advance(pitch * 3.71);
        const double mix = voice + 0.25 * fifth.next(pitch * 1.498, 0.35) +
                           0.15 * sub.next(pitch * 0.5) + 0.15 * ring;
        const double shaped = tone.run(mix, 500.0 + 3.5 * pitch, 2.5).low;
        const double envelope =
            smoothstep(0.0, 0.05, t) * (1.0 - smoothstep(0.45, 0.6, t)) * (0.8 + 0.2 * wobble);
        const double dry = shaped * envelope;
        chorus.push(dry);
        const double swirl = chorus.tap(0.006 * kRate * (1.0 + 0.5 * sine(0.9 * t)));
        sound.left[i] = saturate(0.6 * (dry + 0.5 * swirl));
    }
    fadeEdges(sound, 0.0, 0.01);
    setLevel(sound, kWindow, 0.19, kKnee, kCeiling);
    return sound;
}

} // namespace sounds
