// Writes the game's seven sound files: five effects played during the game
// and the two front-end sounds, the title music and the game-over jingle.
#include "assets.h"
#include "data_files.h"
#include "sounds_synth.h"

#include <filesystem>

bool writeSounds(const std::string& directory) {
    struct SoundFile {
        const char* name;
        sounds::Sound (*make)();
    };
    static const SoundFile files[] = {
        {dataFiles::kLaser, sounds::makeLaser},
        {dataFiles::kSporeExplosion, sounds::makeSporeBurst},
        {dataFiles::kPlantGrowth, sounds::makePlantGrowth},
        {dataFiles::kExplosion, sounds::makeExplosion},
        {dataFiles::kMetamorphosis, sounds::makeMetamorphosis},
        {dataFiles::kTitleMusic, sounds::makeTitleMusic},
        {dataFiles::kGameOverJingle, sounds::makeGameOver},
    };
    for (const SoundFile& file : files) {
        const std::filesystem::path path =
            std::filesystem::path(directory) / dataFiles::onDisk(file.name);
        if (!sounds::writeWave(path.string(), file.make())) {
            return false;
        }
    }
    return true;
}
