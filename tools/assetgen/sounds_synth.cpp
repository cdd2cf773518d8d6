// The sound generator's toolbox: arithmetic, oscillators, filters, delays,
// envelopes, level setting and the WAVE writer.
#include "sounds_synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sounds {

double sine(double cycles) {
    // Fold the phase onto a quarter wave, [-1/4, 1/4] of a cycle, where the
    // Taylor series up to z^15 stays within 1e-11.
    const double t = cycles - std::floor(cycles);
    double r = t;
    if (t >= 0.75) {
        r = t - 1.0;
    } else if (t >= 0.25) {
        r = 0.5 - t;
    }
    const double z = 2.0 * kPi * r;
    const double z2 = z * z;
    double p = -1.0 / 1307674368000.0;
    p = 1.0 / 6227020800.0 + z2 * p;
    p = -1.0 / 39916800.0 + z2 * p;
    p = 1.0 / 362880.0 + z2 * p;
    p = -1.0 / 5040.0 + z2 * p;
    p = 1.0 / 120.0 + z2 * p;
    p = -1.0 / 6.0 + z2 * p;
    p = 1.0 + z2 * p;
    return z * p;
}

double power2(double x) {
    if (x < -1000.0) {
        return 0.0;
    }
    x = std::min(x, 1000.0);
    const double whole = std::floor(x);
    // 2^f = e^(f ln 2) with f ln 2 in [0, 0.7): Taylor series to degree 14.
    const double y = (x - whole) * 0.69314718055994531;
    double p = 1.0;
    for (int k = 14; k >= 1; --k) {
        p = 1.0 + p * y / k;
    }
    return std::ldexp(p, static_cast<int>(whole));
}

double saturate(double x) {
    // A rational fit of tanh that meets +-1 with zero slope at +-3.
    if (x >= 3.0) {
        return 1.0;
    }
    if (x <= -3.0) {
        return -1.0;
    }
    const double x2 = x * x;
    return x * (27.0 + x2) / (27.0 + 9.0 * x2);
}

double smoothstep(double a, double b, double x) {
    if (x <= a) {
        return 0.0;
    }
    if (x >= b) {
        return 1.0;
    }
    const double u = (x - a) / (b - a);
    return u * u * (3.0 - 2.0 * u);
}

uint32_t Rng::next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

double Phase::advance(double hz) {
    value += hz / kRate;
    value -= std::floor(value);
    return value;
}

namespace {

// The polyBLEP residual that rounds off a jump of the waveform at phase 0,
// so the harmonics above half the sample rate do not fold back.
double blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

} // namespace

double Saw::next(double hz) {
    const double dt = std::min(hz / kRate, 0.5);
    const double t = phase.value;
    const double out = 2.0 * t - 1.0 - blep(t, dt);
    phase.advance(hz);
    return out;
}

double Pulse::next(double hz, double duty) {
    const double dt = std::min(hz / kRate, 0.5);
    const double t = phase.value;
    double fall = t - duty + 1.0;
    fall -= std::floor(fall);
    // Centred on zero whatever the duty, so a narrow pulse adds no offset.
    const double out = (t < duty ? 1.0 : -1.0) + blep(t, dt) - blep(fall, dt) + 1.0 - 2.0 * duty;
    phase.advance(hz);
    return out;
}

Svf::Out Svf::run(double x, double hz, double q) {
    hz = std::clamp(hz, 5.0, 0.45 * kRate);
    const double half = hz / (2.0 * kRate);
    const double g = sine(half) / cosine(half);
    const double k = 1.0 / std::max(q, 0.1);
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    return {v2, v1, x - k * v1 - v2};
}

double DelayLine::tap(double delay) const {
    const size_t length = buffer_.size();
    delay = std::clamp(delay, 1.0, static_cast<double>(length));
    const size_t whole = static_cast<size_t>(delay);
    const double part = delay - static_cast<double>(whole);
    const double a = buffer_[(position_ + length - whole) % length];
    const double b = buffer_[(position_ + 2 * length - whole - 1) % length];
    return a + (b - a) * part;
}

void DelayLine::push(double x) {
    buffer_[position_] = x;
    position_ = (position_ + 1) % buffer_.size();
}

double Comb::run(double x, double feedback, double damping) {
    const double out = line_.oldest();
    line_.push(x + feedback * damper_.run(out, 1.0 - damping));
    return out;
}

double AllPass::run(double x, double gain) {
    const double held = line_.oldest();
    line_.push(x + gain * held);
    return held - x;
}

Reverb::Reverb(double size, double damping) : feedback_(0.7 + 0.28 * size), damping_(damping) {
    // Mutually prime loop lengths, about 25 to 31 ms, so the echoes of the
    // combs never line up into a flutter.
    static const size_t combs[] = {557, 593, 641, 677};
    static const size_t diffusers[] = {277, 219};
    const size_t spread = 13;
    for (size_t length : combs) {
        combsLeft_.emplace_back(length);
        combsRight_.emplace_back(length + spread);
    }
    for (size_t length : diffusers) {
        diffuseLeft_.emplace_back(length);
        diffuseRight_.emplace_back(length + spread);
    }
}

void Reverb::run(double x, double& left, double& right) {
    const double in = 0.25 * x;
    double l = 0.0;
    double r = 0.0;
    for (Comb& comb : combsLeft_) {
        l += comb.run(in, feedback_, damping_);
    }
    for (Comb& comb : combsRight_) {
        r += comb.run(in, feedback_, damping_);
    }
    for (AllPass& pass : diffuseLeft_) {
        l = pass.run(l);
    }
    for (AllPass& pass : diffuseRight_) {
        r = pass.run(r);
    }
    left = l;
    right = r;
}

double Envelope::held(double t) const {
    if (t <= 0.0) {
        return 0.0;
    }
    if (t < attack) {
        return smoothstep(0.0, attack, t);
    }
    return sustain + (1.0 - sustain) * decay(t - attack, decayTau);
}

double Envelope::at(double t, double hold) const {
    if (t <= hold) {
        return held(t);
    }
    const double r = t - hold;
    if (r >= release) {
        return 0.0;
    }
    return held(hold) * decay(r, releaseTau) * (1.0 - r / release);
}

double loudness(const Sound& sound, double window) {
    const size_t frames = sound.left.size();
    if (frames == 0) {
        return 0.0;
    }
    // Squared, gently high-passed signal, averaged over the channels.
    std::vector<double> energy(frames, 0.0);
    const int channels = sound.stereo() ? 2 : 1;
    for (int c = 0; c < channels; ++c) {
        const std::vector<double>& samples = c == 0 ? sound.left : sound.right;
        Svf weighting;
        for (size_t i = 0; i < frames; ++i) {
            const double y = weighting.run(samples[i], 120.0, 0.7).high;
            energy[i] += y * y / channels;
        }
    }
    size_t span = window > 0.0 ? std::min(frames, framesFor(window)) : frames;
    span = std::max<size_t>(span, 1);
    double sum = 0.0;
    for (size_t i = 0; i < span; ++i) {
        sum += energy[i];
    }
    double loudest = sum;
    for (size_t i = span; i < frames; ++i) {
        sum += energy[i] - energy[i - span];
        loudest = std::max(loudest, sum);
    }
    return std::sqrt(std::max(loudest, 0.0) / static_cast<double>(span));
}

void setLevel(Sound& sound, double window, double target, double knee, double ceiling) {
    const double measured = loudness(sound, window);
    const double gain = measured > 0.0 ? target / measured : 1.0;
    const double room = ceiling - knee;
    auto shape = [&](double& x) {
        x *= gain;
        const double a = std::fabs(x);
        if (a > knee) {
            const double bent = knee + room * saturate((a - knee) / room);
            x = x < 0.0 ? -bent : bent;
        }
    };
    std::for_each(sound.left.begin(), sound.left.end(), shape);
    std::for_each(sound.right.begin(), sound.right.end(), shape);
}

void fadeEdges(Sound& sound, double in, double out) {
    const size_t frames = sound.left.size();
    const size_t inFrames = std::min(frames, framesFor(in));
    const size_t outFrames = std::min(frames, framesFor(out));
    auto fade = [&](std::vector<double>& samples) {
        for (size_t i = 0; i < inFrames; ++i) {
            samples[i] *= static_cast<double>(i) / static_cast<double>(inFrames);
        }
        for (size_t i = 0; i < outFrames; ++i) {
            samples[frames - 1 - i] *= static_cast<double>(i) / static_cast<double>(outFrames);
        }
    };
    fade(sound.left);
    if (sound.stereo()) {
        fade(sound.right);
    }
}

namespace {

void put16(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<uint8_t>& bytes, uint32_t value) {
    put16(bytes, value & 0xFFFF);
    put16(bytes, value >> 16);
}

void putTag(std::vector<uint8_t>& bytes, const char* tag) {
    bytes.insert(bytes.end(), tag, tag + 4);
}

int16_t quantise(double x) {
    const double scaled = std::clamp(x * 32767.0, -32767.0, 32767.0);
    return static_cast<int16_t>(std::floor(scaled + 0.5));
}

} // namespace

bool writeWave(const std::string& path, const Sound& sound) {
    const uint32_t channels = sound.stereo() ? 2 : 1;
    const size_t frames = sound.left.size();
    if (sound.stereo() && sound.right.size() != frames) {
        return false;
    }
    const uint32_t dataBytes = static_cast<uint32_t>(frames * channels * 2);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    putTag(bytes, "RIFF");
    put32(bytes, 36 + dataBytes);
    putTag(bytes, "WAVE");
    putTag(bytes, "fmt ");
    put32(bytes, 16);
    put16(bytes, 1); // PCM
    put16(bytes, channels);
    put32(bytes, kRate);
    put32(bytes, kRate * channels * 2); // bytes per second
    put16(bytes, channels * 2);         // bytes per frame
    put16(bytes, 16);                   // bits per sample
    putTag(bytes, "data");
    put32(bytes, dataBytes);
    for (size_t i = 0; i < frames; ++i) {
        put16(bytes, static_cast<uint16_t>(quantise(sound.left[i])));
        if (channels == 2) {
            put16(bytes, static_cast<uint16_t>(quantise(sound.right[i])));
        }
    }

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

} // namespace sounds
