// The game's icon, drawn from its own art: the ship climbing over the domed
// base at night, with a spore falling, on a rounded tile of the title's
// sky. The desktop gets it at the usual sizes as PNG files, and the game's
// window gets the 64-pixel one compiled in.
#include "assets.h"
#include "sheet_draw.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

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

// The PNG format's checksums: CRC-32 over each chunk, Adler-32 over the
// image data.
uint32_t crc32(const uint8_t* bytes, size_t count, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

void putBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    putBig32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(&out[start], out.size() - start));
}

// The icon as a PNG file in memory: 8-bit RGBA, every row unfiltered, the
// image data in stored deflate blocks. The icons are small and the packages
// that carry them are compressed as a whole, so no compressor is needed
// here and the generator depends on nothing but the standard library.
std::vector<uint8_t> encodePng(const Canvas& canvas) {
    const size_t rowBytes = static_cast<size_t>(canvas.width()) * 4 + 1;
    std::vector<uint8_t> raw;
    raw.reserve(rowBytes * static_cast<size_t>(canvas.height()));
    for (int y = 0; y < canvas.height(); ++y) {
        raw.push_back(0);
        for (int x = 0; x < canvas.width(); ++x) {
            const Paint p = canvas.get(x, y);
            raw.push_back(channel8(p.colour.r));
            raw.push_back(channel8(p.colour.g));
            raw.push_back(channel8(p.colour.b));
            raw.push_back(channel8(p.alpha));
        }
    }
    std::vector<uint8_t> zlib = {0x78, 0x01};
    constexpr size_t kStoredBlock = 65535;
    size_t at = 0;
    do {
        const size_t count = std::min(kStoredBlock, raw.size() - at);
        const bool last = at + count == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(count));
        zlib.push_back(static_cast<uint8_t>(count >> 8));
        zlib.push_back(static_cast<uint8_t>(~count));
        zlib.push_back(static_cast<uint8_t>(~count >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + count));
        at += count;
    } while (at < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (const uint8_t byte : raw) {
        a = (a + byte) % 65521U;
        b = (b + a) % 65521U;
    }
    putBig32(zlib, b << 16 | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(canvas.width()));
    putBig32(header, static_cast<uint32_t>(canvas.height()));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

bool writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
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

void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A Windows icon file holding each size as a PNG image, as Windows reads
// them since Vista: the directory of sizes, then the images.
std::vector<uint8_t> encodeIco(const std::vector<std::vector<uint8_t>>& pngs,
                               const std::vector<int>& sizes) {
    std::vector<uint8_t> ico;
    putLittle(ico, 0, 2);
    putLittle(ico, 1, 2); // an icon, not a cursor
    putLittle(ico, static_cast<uint32_t>(pngs.size()), 2);
    uint32_t offset = static_cast<uint32_t>(6 + 16 * pngs.size());
    for (size_t i = 0; i < pngs.size(); ++i) {
        const uint32_t side = sizes[i] >= 256 ? 0 : static_cast<uint32_t>(sizes[i]); // 0 is 256
        putLittle(ico, side, 1);
        putLittle(ico, side, 1);
        putLittle(ico, 0, 2); // no palette
        putLittle(ico, 1, 2); // one plane
        putLittle(ico, 32, 2);
        putLittle(ico, static_cast<uint32_t>(pngs[i].size()), 4);
        putLittle(ico, offset, 4);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const auto& png : pngs) {
        ico.insert(ico.end(), png.begin(), png.end());
    }
    return ico;
}

} // namespace

bool writeIcons(const std::string& directory, const std::string& name) {
    namespace fs = std::filesystem;
    const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
    std::vector<std::vector<uint8_t>> pngs;
    for (const int pixels : sizes) {
        const std::string size = std::to_string(pixels) + "x" + std::to_string(pixels);
        const fs::path folder = fs::path(directory) / "hicolor" / size / "apps";
        std::error_code error;
        fs::create_directories(folder, error);
        const Canvas icon = drawIcon(pixels);
        pngs.push_back(encodePng(icon));
        if (error || !writeBytes(folder / (name + ".png"), pngs.back())) {
            return false;
        }
        if (pixels == kWindowIconSize &&
            !writeWindowIconSource((fs::path(directory) / "window_icon.inc").string(), icon)) {
            return false;
        }
    }
    return writeBytes(fs::path(directory) / (name + ".ico"), encodeIco(pngs, sizes));
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
        if (!writeBytes(std::filesystem::path(directory) / icon.name,
                        encodePng(drawIcon(icon.pixels)))) {
            return false;
        }
    }
    return true;
}
