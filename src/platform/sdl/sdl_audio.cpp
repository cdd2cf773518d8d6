// Sound on SDL_mixer. Every effect voice owns one mixer channel and plays a
// chunk converted once to the device's format; voices that share their
// samples (duplicates) share the converted chunk too. The front-end player
// has a channel of its own and plays the samples the game read and checked,
// converted the same way: no file reaches the mixer's own decoders.
//
// Without an audio device everything still runs, silently: a voice counts
// as playing for its samples' duration on the tick counter, so a game that
// waits for idle voices behaves the same with or without sound.
//
// The mix never clips. Every voice and the player are mixed at a quarter of
// their level, where even all of them at their peaks together stay inside
// the sample range; the finished mix is then brought back up by the same
// factor through a limiter that holds it below full scale, so that one
// sound plays at its own level and a pile-up of them is pressed down
// instead of cut off. Holding and letting go of the sound fades it out and
// in over a few milliseconds, without a click.
#include "platform/backend.h"
#include "platform/report.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/sdl_testing.h"
#include "platform/voice_clock.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace plat {
namespace {

// The game's sounds are all 22050 Hz: a device at their rate mixes them as
// they are, with nothing to resample while the title music loops. A chunk
// of 512 frames is 23 ms, short enough for an effect to sound with its hit.
constexpr int kDeviceRate = 22050;
constexpr int kDeviceChannels = 2;
constexpr int kChunkFrames = 512;
constexpr int kInitialMixerChannels = 32;

// Samples in the device's format, with the chunk the mixer plays from them.
struct Converted {
    std::weak_ptr<SoundSamples> source;
    uint32_t version = 0;
    std::vector<uint8_t> data;
    Mix_Chunk chunk{};
};

struct Voice {
    int channel = -1;
    std::shared_ptr<Converted> converted;
    // The samples' version the voice was prepared for; never a real one
    // before the first preparation.
    uint64_t version = UINT64_MAX;
    uint32_t durationMs = 0;
    bool started = false;
    // The current play went to a mixer channel (rather than being timed
    // on the tick counter alone).
    bool onMixer = false;
    uint32_t startTick = 0;
};

int deviceRate = 0;
Uint16 deviceFormat = 0;
int deviceChannels = 0;

// The level every voice and the player are mixed at, and the gain that
// brings the mix back up: the game's sounds together (the three spore
// explosions, the laser, the explosion, the metamorphosis and the jingle)
// peak at about 3.4 times full scale, so a quarter leaves room.
constexpr int kMixVolume = MIX_MAX_VOLUME / 4;
constexpr float kMakeUpGain = float(MIX_MAX_VOLUME) / float(kMixVolume);
// The limiter's ceiling, 1 dB below full scale, and how fast it lets the
// level back up after a peak (the gain's time constant).
constexpr float kCeiling = 32767.0f * 0.891f;
constexpr float kReleaseMs = 80.0f;
// How long the sound takes to fade out when held and in when let go, and
// how long holding it waits at most for the fade to be played.
constexpr float kFadeMs = 8.0f;
constexpr Uint32 kFadeWaitMs = 200;

// What the audio thread's last pass over the mix left: the limiter's gain
// and the fade's gain. The fade's aim is set by the game's thread.
struct MixState {
    float limiterGain = 1.0f;
    float releaseStep = 0.0f;
    float fade = 1.0f;
    float fadeStep = 0.0f;
    std::atomic<bool> fadeIn{true};
    // The fade reached silence in a pass that began after it was asked for.
    std::atomic<bool> silent{false};
};
MixState mixState;
// Whether finishMix runs on the open device.
bool mixFinished = false;

// The finished mix, 16-bit samples of every channel of the device, brought
// up to level, limited (all channels by the loudest) and faded. Runs on the
// audio thread after SDL_mixer has mixed every voice.
void finishMix(void*, Uint8* stream, int length) {
    MixState& state = mixState;
    auto* samples = reinterpret_cast<Sint16*>(stream);
    const int channels = std::max(1, deviceChannels);
    const int frames = length / int(sizeof(Sint16)) / channels;
    const bool fadeIn = state.fadeIn.load();
    for (int i = 0; i < frames; ++i) {
        Sint16* frame = samples + size_t(i) * size_t(channels);
        float peak = 0.0f;
        for (int c = 0; c < channels; ++c) {
            peak = std::max(peak, std::fabs(float(frame[c]) * kMakeUpGain));
        }
        // At once down to what keeps this frame under the ceiling; slowly
        // back up to none.
        const float wanted = peak > kCeiling ? kCeiling / peak : 1.0f;
        state.limiterGain += (1.0f - state.limiterGain) * state.releaseStep;
        state.limiterGain = std::min(state.limiterGain, wanted);
        state.fade = fadeIn ? std::min(1.0f, state.fade + state.fadeStep)
                            : std::max(0.0f, state.fade - state.fadeStep);
        const float gain = kMakeUpGain * state.limiterGain * state.fade;
        for (int c = 0; c < channels; ++c) {
            frame[c] = Sint16(std::lrint(float(frame[c]) * gain));
        }
    }
    if (!fadeIn && state.fade == 0.0f) {
        state.silent = true;
    }
}

bool audioStarted = false;
bool mixerOpen = false;

std::unordered_set<Voice*> voices;
std::vector<int> freeChannels;
int mixerChannels = 0;
std::map<const SoundSamples*, std::weak_ptr<Converted>> conversions;

// The front-end player's channel and the sound it plays (kept while it
// plays, and so that a sound asked for again is not converted again).
int playerChannel = -1;
std::shared_ptr<Converted> playerSound;

// The samples in the device's format; an empty result when they cannot be
// converted (or there are none).
std::vector<uint8_t> convertSamples(const SoundSamples& samples) {
    std::vector<uint8_t> out;
    // The format was checked when the buffer was made: PCM, 8 or 16 bits,
    // one or two channels.
    const WaveFormat& format = samples.format;
    const uint32_t frame = format.blockAlign;
    const size_t usable = samples.bytes.size() - samples.bytes.size() % frame;
    if (usable == 0) {
        return out;
    }
    SDL_AudioCVT cvt;
    const int needed = SDL_BuildAudioCVT(&cvt, format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                                         Uint8(format.channels), int(format.samplesPerSec),
                                         deviceFormat, Uint8(deviceChannels), deviceRate);
    if (needed < 0) {
        return out;
    }
    if (needed == 0) {
        out.assign(samples.bytes.begin(), samples.bytes.begin() + usable);
        return out;
    }
    // The conversion works in place in a buffer len_mult times the input.
    out.resize(usable * size_t(cvt.len_mult));
    std::copy(samples.bytes.begin(), samples.bytes.begin() + usable, out.begin());
    cvt.buf = out.data();
    cvt.len = int(usable);
    if (SDL_ConvertAudio(&cvt) != 0) {
        out.clear();
        return out;
    }
    out.resize(size_t(cvt.len_cvt));
    out.shrink_to_fit();
    return out;
}

// The converted chunk of these samples at their present version, made once
// and shared by every voice that plays them.
std::shared_ptr<Converted> conversionFor(const std::shared_ptr<SoundSamples>& samples) {
    auto found = conversions.find(samples.get());
    if (found != conversions.end()) {
        std::shared_ptr<Converted> known = found->second.lock();
        if (known && known->source.lock() == samples && known->version == samples->version) {
            return known;
        }
    }
    std::erase_if(conversions, [](const auto& entry) { return entry.second.expired(); });

    auto converted = std::make_shared<Converted>();
    converted->source = samples;
    converted->version = samples->version;
    converted->data = convertSamples(*samples);
    converted->chunk.allocated = 0;
    converted->chunk.abuf = converted->data.data();
    converted->chunk.alen = Uint32(converted->data.size());
    converted->chunk.volume = MIX_MAX_VOLUME;
    conversions[samples.get()] = converted;
    return converted;
}

int takeChannel() {
    if (freeChannels.empty()) {
        const int grown = Mix_AllocateChannels(mixerChannels * 2);
        for (int channel = grown - 1; channel >= mixerChannels; --channel) {
            freeChannels.push_back(channel);
        }
        mixerChannels = grown;
        if (freeChannels.empty()) {
            return -1;
        }
    }
    const int channel = freeChannels.back();
    freeChannels.pop_back();
    return channel;
}

bool channelPlays(const Voice& voice) {
    return voice.channel >= 0 && voice.converted && Mix_Playing(voice.channel) != 0 &&
           Mix_GetChunk(voice.channel) == &voice.converted->chunk;
}

// Stops the voice's channel if it is still playing the voice's chunk, so
// that the chunk can be let go.
void silence(Voice& voice) {
    if (mixerOpen && channelPlays(voice)) {
        Mix_HaltChannel(voice.channel);
    }
}

// Brings the voice up to date with its samples: their size and rate, and
// on a working mixer a channel and the converted chunk.
void prepare(SoundBuffer* buffer, Voice& voice) {
    const SoundSamples& samples = *buffer->samples;
    voice.durationMs = voiceLengthMs(samples);
    silence(voice);
    voice.converted.reset();
    if (mixerOpen) {
        if (voice.channel < 0) {
            voice.channel = takeChannel();
        }
        voice.converted = conversionFor(buffer->samples);
    }
    voice.version = samples.version;
}

Voice* voiceOf(SoundBuffer* buffer) {
    if (buffer->voice == nullptr) {
        auto* voice = new Voice;
        voices.insert(voice);
        buffer->voice = voice;
    }
    auto* voice = static_cast<Voice*>(buffer->voice);
    if (voice->version != buffer->samples->version || (mixerOpen && voice->channel < 0)) {
        prepare(buffer, *voice);
    }
    return voice;
}

bool playing(const Voice& voice) {
    if (!voice.started) {
        return false;
    }
    if (voice.onMixer) {
        return channelPlays(voice);
    }
    return voicePlaysAt(voice.startTick, voice.durationMs, backend::tickCount());
}

} // namespace

namespace sdl {

// A voice timed on the tick counter alone needs nothing: the counter stands
// still while the game is stopped.
// Holding fades the sound out first and then stops the voices where they
// are; letting go starts them again and fades back in.
void pauseSound(bool paused) {
    if (!mixerOpen) {
        return;
    }
    if (paused) {
        mixState.silent = false;
        mixState.fadeIn = false;
        const Uint32 start = SDL_GetTicks();
        while (mixFinished && !mixState.silent && SDL_GetTicks() - start < kFadeWaitMs) {
            SDL_Delay(1);
        }
        Mix_Pause(-1);
    } else {
        Mix_Resume(-1);
        mixState.fadeIn = true;
    }
}

namespace testing {
bool audioDeviceOpen() {
    return mixerOpen;
}
bool playerPlaying() {
    return mixerOpen && playerChannel >= 0 && Mix_Playing(playerChannel) != 0;
}
} // namespace testing
} // namespace sdl

namespace backend {

bool audioOpen() {
    if (audioStarted) {
        return true;
    }
    audioStarted = true;
    // No sound device is no reason to stop the game: it then plays silently,
    // and says so once.
    const auto silent = [] {
        reportNotice(std::string("no sound device (") + SDL_GetError() +
                     "); the game plays without sound");
        return true;
    };
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return silent();
    }
    int frequency = 0;
    int channels = 0;
    if (Mix_OpenAudio(kDeviceRate, AUDIO_S16SYS, kDeviceChannels, kChunkFrames) != 0 ||
        Mix_QuerySpec(&frequency, &deviceFormat, &channels) == 0) {
        silent();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return true;
    }
    deviceRate = frequency;
    deviceChannels = channels;
    // The mix is finished in 16-bit samples; a device that took another
    // format gets the sounds at their own level, unlimited.
    if (deviceFormat == AUDIO_S16SYS) {
        mixState.limiterGain = 1.0f;
        mixState.releaseStep = 1.0f - std::exp(-1000.0f / (kReleaseMs * float(frequency)));
        mixState.fade = 1.0f;
        mixState.fadeStep = 1000.0f / (kFadeMs * float(frequency));
        mixState.fadeIn = true;
        mixState.silent = false;
        Mix_MasterVolume(kMixVolume);
        Mix_SetPostMix(finishMix, nullptr);
        mixFinished = true;
    }
    mixerChannels = Mix_AllocateChannels(kInitialMixerChannels);
    freeChannels.clear();
    for (int channel = mixerChannels - 1; channel >= 0; --channel) {
        freeChannels.push_back(channel);
    }
    mixerOpen = true;
    playerChannel = takeChannel();
    return true;
}

void audioClose() {
    if (!audioStarted) {
        return;
    }
    if (mixerOpen) {
        Mix_SetPostMix(nullptr, nullptr);
        mixFinished = false;
        Mix_HaltChannel(-1);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // Voices that outlive the device start over on the next one.
    for (Voice* voice : voices) {
        voice->converted.reset();
        voice->channel = -1;
        voice->started = false;
        voice->version = UINT64_MAX;
    }
    conversions.clear();
    playerSound.reset();
    playerChannel = -1;
    freeChannels.clear();
    mixerChannels = 0;
    mixerOpen = false;
    audioStarted = false;
}

void voiceReady(SoundBuffer* buffer) {
    if (buffer != nullptr && buffer->samples) {
        voiceOf(buffer);
    }
}

void voicePlay(SoundBuffer* buffer) {
    if (buffer == nullptr || !buffer->samples) {
        return;
    }
    Voice* voice = voiceOf(buffer);
    if (playing(*voice)) {
        return;
    }
    voice->started = true;
    voice->startTick = tickCount();
    voice->onMixer = mixerOpen && voice->channel >= 0 && voice->converted &&
                     !voice->converted->data.empty() &&
                     Mix_PlayChannel(voice->channel, &voice->converted->chunk, 0) >= 0;
}

uint32_t voicePosition(SoundBuffer* buffer) {
    if (buffer == nullptr || buffer->voice == nullptr) {
        return 0;
    }
    const auto* voice = static_cast<const Voice*>(buffer->voice);
    if (!buffer->samples || !playing(*voice)) {
        return 0;
    }
    // The mixer does not tell how far a chunk has got; the time since the
    // start, in the buffer's own bytes, is as close as a game can tell. In
    // the tick it started the voice has not moved yet and reads 0, idle,
    // whatever the mixer has begun. Once it has moved it reads at least 1,
    // and while the mixer still plays it past its length on the tick
    // counter, its last byte: a voice that sounds is never taken for idle.
    return voicePositionAt(*buffer->samples, voice->startTick, tickCount());
}

void voiceRelease(SoundBuffer* buffer) {
    if (buffer == nullptr || buffer->voice == nullptr) {
        return;
    }
    auto* voice = static_cast<Voice*>(buffer->voice);
    silence(*voice);
    if (mixerOpen && voice->channel >= 0) {
        freeChannels.push_back(voice->channel);
    }
    voices.erase(voice);
    delete voice;
    buffer->voice = nullptr;
}

void playerPlay(const char* path, const std::shared_ptr<SoundSamples>& sound, bool loop) {
    (void)path;
    if (!mixerOpen || playerChannel < 0) {
        return;
    }
    Mix_HaltChannel(playerChannel);
    if (!sound) {
        playerSound.reset();
        return;
    }
    playerSound = conversionFor(sound);
    if (!playerSound->data.empty()) {
        // -1 repeats the chunk until the channel is halted; 0 plays it once.
        Mix_PlayChannel(playerChannel, &playerSound->chunk, loop ? -1 : 0);
    }
}

} // namespace backend
} // namespace plat
