// What the SDL display's files share: the window, the frame kept to show
// again, and the two ways of presenting it (straight into the window's
// framebuffer, or through a renderer), each owning its SDL objects.
#pragma once

#include "platform/display.h"
#include "platform/placement.h"

#include <SDL.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace plat::sdl {

// Owns an SDL object and frees it with SDL's own call, so that a set-up
// failing half-way frees what it made on every early return.
template <auto destroy> struct SdlDeleter {
    template <typename T> void operator()(T* object) const {
        if (object != nullptr) {
            destroy(object);
        }
    }
};
using WindowPtr = std::unique_ptr<SDL_Window, SdlDeleter<SDL_DestroyWindow>>;
using RendererPtr = std::unique_ptr<SDL_Renderer, SdlDeleter<SDL_DestroyRenderer>>;
using TexturePtr = std::unique_ptr<SDL_Texture, SdlDeleter<SDL_DestroyTexture>>;
using FormatPtr = std::unique_ptr<SDL_PixelFormat, SdlDeleter<SDL_FreeFormat>>;

// The frame last handed to displayPresent, kept to show it again whenever
// the desktop asks for the window's contents.
struct KeptFrame {
    std::vector<uint8_t> pixels;
    std::array<PaletteColour, 256> palette{};
    bool valid = false;
};
const KeptFrame& keptFrame();
bool pauseSignWanted();

// A palette as pixels of the given format.
std::array<uint32_t, 256> paletteAs(const SDL_PixelFormat* format,
                                    const PaletteColour palette[256]);
SDL_Rect toSdl(const PixelRect& rect);

// Presenting straight into the window's framebuffer: open says whether the
// window has one of 32-bit pixels; present draws the kept frame into it,
// only what changed unless the framebuffer is fresh; forget makes the next
// present start afresh (a resize, an exposure, the sign taken away).
bool surfaceOpen(SDL_Window* window);
void surfaceClose();
bool surfacePresent(SDL_Window* window);
void surfaceForget();
bool surfaceReadBack(SDL_Window* window, std::vector<uint32_t>* pixels, int* width, int* height);

// Presenting through a renderer and a 640x480 streaming texture.
bool rendererOpen(SDL_Window* window);
void rendererClose();
bool rendererPresent();
void rendererRemakeTextures();
bool rendererReadBack(std::vector<uint32_t>* pixels, int* width, int* height);

} // namespace plat::sdl
