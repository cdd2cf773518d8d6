// Writes the game's seven sound files: five effects played during the game
// and the two front-end sounds, the title music and the game-over jingle.
#include "assets.h"
#include "sounds_synth.h"

#include <filesystem>

bool writeSounds(const std::string& directory) {
    struct SoundFile {
        const char* name;
        sounds::Sound (*make)();
    };
    static const SoundFile files[] = {
        {"Laser.wav", sounds::makeLaser},
        {"explosion_spore.wav", sounds::makeSporeBurst},
        {"Plante_pousse.wav", sounds::makePlantGrowth},
        {"explosion2.wav", sounds::makeExplosion},
        {"metamorphose2.wav", sounds::makeMetamorphosis},
        {"alien.wav", sounds::makeTitleMusic},
        {"GameOver_bis.wav", sounds::makeGameOver},
    };
    for (const SoundFile& file : files) {
        const std::filesystem::path path = std::filesystem::path(directory) / file.name;
        if (!sounds::writeWave(path.string(), file.make())) {
            return false;
        }
    }
    return true;
}
