// Presenting one frame on the SDL display path: the 640x480 frame of palette
// indices turned into the window's 32-bit pixels at 1x, 2x and 3x, as the
// game does for every frame it shows. The target is a plain surface of the
// window's size and pixel format, so that only the game's own work is
// timed, not the window system's.
#include "platform/display.h"
#include "platform/placement.h"
#include "platform/sdl/sdl_present.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

void presentFrame(benchmark::State& state) {
    const int scale = int(state.range(0));
    const int width = plat::kScreenWidth * scale;
    const int height = plat::kScreenHeight * scale;
    // X servers at 24 bits of colour give windows 32-bit pixels in this
    // format.
    SDL_Surface* target =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
    if (target == nullptr) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    // Every palette entry in use and neighbouring pixels different, as in a
    // busy frame.
    std::vector<uint8_t> frame(size_t(plat::kScreenWidth) * plat::kScreenHeight);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = uint8_t(i * 7 + i / plat::kScreenWidth);
    }
    plat::PaletteColour palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0};
    }
    const plat::PixelTarget pixels{static_cast<uint8_t*>(target->pixels), size_t(target->pitch),
                                   target->w, target->h};
    for (auto _ : state) {
        const std::array<uint32_t, 256> colours = plat::sdl::paletteAs(target->format, palette);
        plat::drawPlacedFrame(pixels, frame.data(), colours.data());
        benchmark::DoNotOptimize(target->pixels);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * width * height * 4);
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height));
    SDL_FreeSurface(target);
}

} // namespace

BENCHMARK(presentFrame)->Name("present_frame/scale")->Arg(1)->Arg(2)->Arg(3);
