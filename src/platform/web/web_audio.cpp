// Sound through the page's WebAudio. Every voice is timed on the tick
// counter, as a voice without a device is on the desktop: it plays from the
// tick it starts for its samples' duration, so the game's test for an idle
// voice reads the same whether the browser lets the page sound yet or not.
// The page plays the samples alongside, once the player's first key or click
// has let it.
#include "platform/backend.h"
#include "platform/voice_clock.h"
#include "platform/web/web_internal.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace plat {
namespace {

struct Voice {
    int id = 0;
    bool started = false;
    uint32_t startTick = 0;
};

// Samples as the page holds them: one copy for a buffer and its duplicates,
// made again when the game writes them anew.
struct PageSamples {
    std::weak_ptr<SoundSamples> source;
    uint32_t version = 0;
    int id = 0;
};

bool audioStarted = false;
int nextVoiceId = 1;
int nextSamplesId = 1;
std::map<const SoundSamples*, PageSamples> pageSamples;
std::vector<const void*> voiceStarts;

Voice* voiceOf(SoundBuffer* buffer) {
    if (buffer->voice == nullptr) {
        auto* voice = new Voice;
        voice->id = nextVoiceId++;
        buffer->voice = voice;
    }
    return static_cast<Voice*>(buffer->voice);
}

bool playing(const Voice& voice, const SoundSamples& samples) {
    return voice.started &&
           voicePlaysAt(voice.startTick, voiceLengthMs(samples), backend::tickCount());
}

// The page's copy of the buffer's samples at their present version.
int samplesOnPage(const std::shared_ptr<SoundSamples>& samples) {
    std::erase_if(pageSamples, [](const auto& entry) {
        if (entry.second.source.expired()) {
            qv_samples_forget(entry.second.id);
            return true;
        }
        return false;
    });
    PageSamples& known = pageSamples[samples.get()];
    if (known.id != 0 && known.source.lock() == samples && known.version == samples->version) {
        return known.id;
    }
    if (known.id != 0) {
        qv_samples_forget(known.id);
    }
    const WaveFormat& format = samples->format;
    known = PageSamples{samples, samples->version, nextSamplesId++};
    const uint32_t usable = uint32_t(
        samples->bytes.size() - samples->bytes.size() % std::max<uint16_t>(format.blockAlign, 1));
    qv_samples_define(known.id, samples->bytes.data(), usable, format.channels,
                      format.bitsPerSample, format.samplesPerSec);
    return known.id;
}

} // namespace

namespace web {

void pauseSound(bool paused) {
    if (audioStarted) {
        qv_audio_pause(paused ? 1 : 0);
    }
}

namespace testing {
const void* const* takeVoiceStarts(int* count) {
    static std::vector<const void*> taken;
    taken.swap(voiceStarts);
    voiceStarts.clear();
    *count = int(taken.size());
    return taken.data();
}
} // namespace testing
} // namespace web

namespace backend {

// The page always has a sound device; until the player's first key or click
// it is silent, and the game plays on meanwhile.
bool audioOpen() {
    if (!audioStarted) {
        audioStarted = qv_audio_open() != 0;
    }
    return true;
}

void audioClose() {
    if (!audioStarted) {
        return;
    }
    qv_player_stop();
    for (const auto& entry : pageSamples) {
        qv_samples_forget(entry.second.id);
    }
    pageSamples.clear();
    qv_audio_close();
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
    if (playing(*voice, *buffer->samples)) {
        return;
    }
    voice->started = true;
    voice->startTick = tickCount();
    voiceStarts.push_back(buffer);
    if (audioStarted) {
        qv_voice_start(voice->id, samplesOnPage(buffer->samples));
    }
}

// The time since the start in the buffer's own bytes: 0 in the tick the
// voice starts and once it has played out, at least 1 and short of the end
// in between.
uint32_t voicePosition(SoundBuffer* buffer) {
    if (buffer == nullptr || buffer->voice == nullptr || !buffer->samples) {
        return 0;
    }
    const Voice& voice = *static_cast<const Voice*>(buffer->voice);
    const SoundSamples& samples = *buffer->samples;
    if (!playing(voice, samples)) {
        return 0;
    }
    return voicePositionAt(samples, voice.startTick, tickCount());
}

void voiceRelease(SoundBuffer* buffer) {
    if (buffer == nullptr || buffer->voice == nullptr) {
        return;
    }
    auto* voice = static_cast<Voice*>(buffer->voice);
    if (audioStarted) {
        qv_voice_stop(voice->id);
    }
    delete voice;
    buffer->voice = nullptr;
}

// The player plays the checked samples the game read, as a voice does.
void playerPlay(const char* path, const std::shared_ptr<SoundSamples>& sound, bool loop) {
    (void)path;
    if (!audioStarted) {
        return;
    }
    qv_player_stop();
    if (sound != nullptr) {
        qv_player_start(samplesOnPage(sound), loop ? 1 : 0);
    }
}

} // namespace backend
} // namespace plat
