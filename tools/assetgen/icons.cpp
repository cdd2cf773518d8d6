// The game's icon, drawn from its own art: the ship climbing over the domed
// base at night, with a spore falling, on a rounded tile of the title's
// sky. The desktop gets it at the usual sizes as PNG files, and the game's
// window gets the 64-pixel one compiled in.
#include "assets.h"
#include "sheet_draw.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using namespace sheet;

constexpr int kWindowIconSize = 64;

// Inside the tile, by its signed distance: a rounded square with a little
// margin, as desktop icons have.
float tileDistance(float u, float v) {
    constexpr float margin = 0.03f;
    constexpr float radius = 0.19f;
    const float half = 0.5f - margin - radius;
    const float dx = std::max(std::fabs(u - 0.5f) - half, 0.0f);
    const float dy = std::max(std::fabs(v - 0.5f) - half, 0.0f);
    return vectorLength(dx, dy) - radius;
}

// The scene at (u, v), both 0..1 across the icon; pixels is the icon's size,
// which sets how much detail is worth drawing.
Paint iconPaint(float u, float v, int pixels) {
    const float size = static_cast<float>(pixels);
    const float edge = tileDistance(u, v) * size;
    if (edge > 0.5f) {
        return clear();
    }
    // The title's sky, violet above and a magenta glow low down.
    Colour sky =
        ramp({rgb8(40, 14, 70), rgb8(18, 16, 56), rgb8(10, 28, 50), rgb8(70, 22, 92)}, clamp01(v));
    // A thin light rim lifts the tile off dark panels.
    if (edge > -std::max(1.0f, size / 48.0f)) {
        sky = mix(sky, rgb8(150, 120, 210), 0.55f);
    }
    Paint paint = solid(sky);

    // Stars only where there are pixels enough to show them apart.
    if (pixels >= 48) {
        const int gx = static_cast<int>(u * 14.0f);
        const int gy = static_cast<int>(v * 14.0f);
        const float cx = (static_cast<float>(gx) + hashUnit(gx, gy, 11U)) / 14.0f;
        const float cy = (static_cast<float>(gy) + hashUnit(gx, gy, 12U)) / 14.0f;
        if (hashUnit(gx, gy, 13U) < 0.35f && cy < 0.62f) {
            const float d = vectorLength(u - cx, v - cy) * size;
            const float glow = clamp01(1.2f - d / std::max(0.6f, size / 110.0f));
            paint = over({rgb8(230, 230, 255), glow * 0.9f}, paint);
        }
    }

    // The domed base along the bottom, as the game draws it; at the
    // smallest size it would only blur into the ship, which then takes the
    // whole tile.
    const bool tiny = pixels < 32;
    if (!tiny) {
        constexpr float baseWidth = 0.84f;
        constexpr float baseBottom = 0.93f;
        const float baseScale = 303.0f / baseWidth;
        const float bx = (u - 0.5f) * baseScale + 151.5f;
        const float by = (v - baseBottom) * baseScale + 103.0f;
        if (bx >= 0.0f && bx < 303.0f && by >= 0.0f && by < 103.0f) {
            paint = over(basePaint(bx, by, false), paint);
        }
    }

    // A spore coming down at the upper right.
    paint =
        over(tiny ? sporePaint(u, v, 0.78f, 0.3f, 0.12f) : sporePaint(u, v, 0.77f, 0.22f, 0.085f),
             paint);

    // The ship, large, climbing to the right toward it.
    const float shipSpan = tiny ? 0.8f : 0.64f;
    const float shipScale = 34.0f / shipSpan;
    const float sx = (u - (tiny ? 0.4f : 0.44f)) * shipScale + 23.5f;
    const float sy = (v - (tiny ? 0.56f : 0.45f)) * shipScale + 23.5f;
    if (sx >= 0.0f && sx < 47.0f && sy >= 0.0f && sy < 47.0f) {
        paint = over(shipPaint(sx, sy, tiny ? 105.0f : 120.0f), paint);
    }
    paint.alpha *= clamp01(0.5f - edge);
    return paint;
}

Canvas drawIcon(int pixels) {
    Canvas canvas(pixels, pixels);
    const float size = static_cast<float>(pixels);
    render(canvas, pixels <= 64 ? 8 : 4,
           [pixels, size](float x, float y) { return iconPaint(x / size, y / size, pixels); });
    return canvas;
}

uint8_t channel8(float value) {
    return static_cast<uint8_t>(std::lround(clamp01(value) * 255.0f));
}

bool writePng(const std::string& path, const Canvas& canvas) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()),
                 static_cast<png_uint_32>(canvas.height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(canvas.width()) * 4);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Paint p = canvas.get(x, y);
            uint8_t* out = &row[static_cast<size_t>(x) * 4];
            out[0] = channel8(p.colour.r);
            out[1] = channel8(p.colour.g);
            out[2] = channel8(p.colour.b);
            out[3] = channel8(p.alpha);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// The window's icon as C++ source: one 0xAARRGGBB value a pixel, row by row.
bool writeWindowIconSource(const std::string& path, const Canvas& canvas) {
    std::ofstream out(path, std::ios::trunc);
    out << "// Drawn by quorvelindaxtor-assetgen: the game's icon for its window.\n"
        << "constexpr int kWindowIconSize = " << canvas.width() << ";\n"
        << "constexpr unsigned kWindowIconPixels[] = {\n";
    char value[16];
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Paint p = canvas.get(x, y);
            const unsigned argb = unsigned(channel8(p.alpha)) << 24 |
                                  unsigned(channel8(p.colour.r)) << 16 |
                                  unsigned(channel8(p.colour.g)) << 8 | channel8(p.colour.b);
            std::snprintf(value, sizeof value, "0x%08X,", argb);
            out << value << (x % 8 == 7 ? '\n' : ' ');
        }
    }
    out << "};\n";
    return static_cast<bool>(out);
}

} // namespace

bool writeIcons(const std::string& directory, const std::string& name) {
    namespace fs = std::filesystem;
    for (const int pixels : {16, 32, 48, 64, 128, 256}) {
        const std::string size = std::to_string(pixels) + "x" + std::to_string(pixels);
        const fs::path folder = fs::path(directory) / "hicolor" / size / "apps";
        std::error_code error;
        fs::create_directories(folder, error);
        const Canvas icon = drawIcon(pixels);
        if (error || !writePng((folder / (name + ".png")).string(), icon)) {
            return false;
        }
        if (pixels == kWindowIconSize &&
            !writeWindowIconSource((fs::path(directory) / "window_icon.inc").string(), icon)) {
            return false;
        }
    }
    return true;
}

// The web page's icons: the installed app's at 192 and 512 pixels, and the
// browser tab's at 32.
bool writeWebIcons(const std::string& directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        return false;
    }
    const struct {
        int pixels;
        const char* name;
    } icons[] = {{32, "favicon.png"}, {192, "icon-192.png"}, {512, "icon-512.png"}};
    for (const auto& icon : icons) {
        const std::string path = (std::filesystem::path(directory) / icon.name).string();
        if (!writePng(path, drawIcon(icon.pixels))) {
            return false;
        }
    }
    return true;
}
