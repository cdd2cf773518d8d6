#include "platform/voice_clock.h"

#include <algorithm>

namespace plat {

uint32_t voiceLengthMs(const SoundSamples& samples) {
    const uint32_t rate = samples.format.avgBytesPerSec;
    if (rate == 0) {
        return 1;
    }
    const uint64_t ms = uint64_t(samples.bytes.size()) * 1000u / rate;
    return uint32_t(std::clamp<uint64_t>(ms, 1, UINT32_MAX));
}

bool voicePlaysAt(uint32_t startTick, uint32_t lengthMs, uint32_t now) {
    return uint32_t(now - startTick) <= lengthMs;
}

uint32_t voicePositionAt(const SoundSamples& samples, uint32_t startTick, uint32_t now) {
    const uint32_t played = now - startTick;
    if (played == 0) {
        return 0;
    }
    const uint64_t bytes = uint64_t(played) * samples.format.avgBytesPerSec / 1000u;
    const uint64_t last = samples.bytes.empty() ? 0 : samples.bytes.size() - 1;
    return uint32_t(std::clamp<uint64_t>(bytes, 1, std::max<uint64_t>(last, 1)));
}

} // namespace plat
