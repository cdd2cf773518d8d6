// Presenting through a renderer, where the window has no framebuffer of its
// own: one 640x480 streaming texture takes the frame through its palette;
// at a whole scale it is drawn in blocks onto the picture's place, and for
// the smooth picture it is first widened by the whole scale into a target
// texture, which is then drawn linearly onto the place.
#include "platform/sdl/sdl_present.h"

namespace plat::sdl {
namespace {

RendererPtr renderer;
TexturePtr texture;
// The widened picture for the smooth placement, and its scale: remade when
// the scale changes.
TexturePtr widened;
int widenedScale = 0;

TexturePtr makeTexture(SDL_Renderer* on) {
    TexturePtr made(SDL_CreateTexture(on, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                      kScreenWidth, kScreenHeight));
    if (made != nullptr) {
        SDL_SetTextureScaleMode(made.get(), SDL_ScaleModeNearest);
        SDL_SetTextureBlendMode(made.get(), SDL_BLENDMODE_NONE);
    }
    return made;
}

SDL_Texture* widenedTexture(int scale) {
    if (widened != nullptr && widenedScale == scale) {
        return widened.get();
    }
    widened.reset(SDL_CreateTexture(renderer.get(), SDL_PIXELFORMAT_ARGB8888,
                                    SDL_TEXTUREACCESS_TARGET, kScreenWidth * scale,
                                    kScreenHeight * scale));
    widenedScale = widened != nullptr ? scale : 0;
    if (widened != nullptr) {
        SDL_SetTextureScaleMode(widened.get(), SDL_ScaleModeLinear);
        SDL_SetTextureBlendMode(widened.get(), SDL_BLENDMODE_NONE);
    }
    return widened.get();
}

// Copies the kept frame into the texture through its palette.
bool uploadFrame() {
    const KeptFrame& kept = keptFrame();
    const FormatPtr argb(SDL_AllocFormat(SDL_PIXELFORMAT_ARGB8888));
    if (argb == nullptr) {
        return false;
    }
    const std::array<uint32_t, 256> colours = paletteAs(argb.get(), kept.palette.data());
    void* target = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture.get(), nullptr, &target, &pitch) != 0) {
        return false;
    }
    const uint8_t* source = kept.pixels.data();
    for (int y = 0; y < kScreenHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target) + size_t(y) * pitch);
        for (int x = 0; x < kScreenWidth; ++x) {
            row[x] = colours[source[x]];
        }
        source += kScreenWidth;
    }
    SDL_UnlockTexture(texture.get());
    return true;
}

void setColour(uint32_t rgb) {
    SDL_SetRenderDrawColor(renderer.get(), uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb),
                           255);
}

// Clears the whole drawable to black and draws the texture in its place,
// with the pause sign over it while the game is paused.
void drawFrame() {
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(renderer.get(), &width, &height);
    const FramePlacement placement = placeFrame(width, height);
    const SDL_Rect place = toSdl(placement.place);
    setColour(0);
    SDL_RenderClear(renderer.get());
    SDL_Texture* smooth = placement.smooth ? widenedTexture(placement.scale) : nullptr;
    if (smooth != nullptr && SDL_SetRenderTarget(renderer.get(), smooth) == 0) {
        SDL_RenderCopy(renderer.get(), texture.get(), nullptr, nullptr);
        SDL_SetRenderTarget(renderer.get(), nullptr);
        SDL_RenderCopy(renderer.get(), smooth, nullptr, &place);
    } else {
        SDL_RenderCopy(renderer.get(), texture.get(), nullptr, &place);
    }
    if (pauseSignWanted()) {
        const PauseSign sign = pauseSignIn(placement.place);
        const SDL_Rect box = toSdl(sign.box);
        const SDL_Rect bars[2] = {toSdl(sign.bars[0]), toSdl(sign.bars[1])};
        setColour(kPauseSignBoxColour);
        SDL_RenderFillRect(renderer.get(), &box);
        setColour(kPauseSignBarColour);
        SDL_RenderFillRects(renderer.get(), bars, 2);
    }
}

} // namespace

// The game sets its own pace, so presenting does not wait for the vertical
// blank; a machine without graphics acceleration still plays.
bool rendererOpen(SDL_Window* window) {
    RendererPtr made(SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED));
    if (made == nullptr) {
        made.reset(SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE));
    }
    if (made == nullptr) {
        return false;
    }
    TexturePtr frame = makeTexture(made.get());
    if (frame == nullptr) {
        return false;
    }
    SDL_SetRenderDrawColor(made.get(), 0, 0, 0, 255);
    SDL_RenderClear(made.get());
    SDL_RenderPresent(made.get());
    renderer = std::move(made);
    texture = std::move(frame);
    return true;
}

void rendererClose() {
    // Textures belong to their renderer and go first.
    widened.reset();
    widenedScale = 0;
    texture.reset();
    renderer.reset();
}

bool rendererPresent() {
    if (renderer == nullptr || texture == nullptr || !keptFrame().valid || !uploadFrame()) {
        return false;
    }
    drawFrame();
    SDL_RenderPresent(renderer.get());
    return true;
}

// The renderer lost its textures (device or target reset): make them again.
void rendererRemakeTextures() {
    if (renderer == nullptr) {
        return;
    }
    widened.reset();
    widenedScale = 0;
    texture.reset();
    texture = makeTexture(renderer.get());
}

bool rendererReadBack(std::vector<uint32_t>* pixels, int* width, int* height) {
    if (renderer == nullptr || texture == nullptr || !keptFrame().valid || !uploadFrame()) {
        return false;
    }
    drawFrame();
    SDL_GetRendererOutputSize(renderer.get(), width, height);
    pixels->assign(size_t(*width) * size_t(*height), 0);
    return SDL_RenderReadPixels(renderer.get(), nullptr, SDL_PIXELFORMAT_ARGB8888, pixels->data(),
                                *width * 4) == 0;
}

} // namespace plat::sdl
