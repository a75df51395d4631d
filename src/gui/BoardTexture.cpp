#include "gui/BoardTexture.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace velmorak::gui {
namespace {

constexpr int kDefaultTexture = 137;
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
// The largest square whose sheet is sampled pixel by pixel.
constexpr int kSampledSquare = 96;

enum class Grain { Fine, Marble, Wood, Slate };

struct Look {
    Grain grain;
    QRgb base;
    QRgb vein; // veins of marble, rings and streaks of wood, layers of slate
    std::uint32_t seed;
};

struct TextureSpec {
    BoardTextureInfo info;
    Look light, dark;
    bool frameFromDark;
};

// Light and dark bases are at least 60 grey levels apart so that both the outlined white
// pieces and the haloed black pieces of every set read on either square.
constexpr std::array<TextureSpec, 11> kTextures { {
    { { 137, "Brown" }, { Grain::Fine, qRgb(226, 190, 142), qRgb(196, 154, 104), 11 },
        { Grain::Fine, qRgb(158, 100, 56), qRgb(120, 72, 38), 12 }, true },
    { { 141, "Red marble" }, { Grain::Marble, qRgb(236, 212, 204), qRgb(176, 72, 64), 21 },
        { Grain::Marble, qRgb(150, 44, 40), qRgb(226, 150, 130), 22 }, false },
    { { 140, "Slate" }, { Grain::Slate, qRgb(178, 184, 180), qRgb(150, 156, 154), 31 },
        { Grain::Slate, qRgb(86, 94, 102), qRgb(66, 72, 80), 32 }, false },
    { { 139, "Green marble" }, { Grain::Marble, qRgb(212, 232, 210), qRgb(96, 150, 104), 41 },
        { Grain::Marble, qRgb(38, 112, 72), qRgb(150, 210, 160), 42 }, false },
    { { 138, "Blue marble" }, { Grain::Marble, qRgb(210, 220, 240), qRgb(100, 124, 180), 51 },
        { Grain::Marble, qRgb(62, 90, 152), qRgb(170, 190, 230), 52 }, true },
    { { 154, "Maple" }, { Grain::Wood, qRgb(242, 220, 172), qRgb(214, 176, 120), 61 },
        { Grain::Wood, qRgb(184, 128, 68), qRgb(144, 92, 44), 62 }, true },
    { { 155, "Cherry" }, { Grain::Wood, qRgb(230, 178, 136), qRgb(196, 130, 92), 71 },
        { Grain::Wood, qRgb(146, 66, 42), qRgb(104, 40, 26), 72 }, true },
    { { 156, "Oak" }, { Grain::Wood, qRgb(220, 186, 128), qRgb(180, 140, 84), 81 },
        { Grain::Wood, qRgb(132, 92, 52), qRgb(92, 62, 32), 82 }, false },
    { { 165, "Black marble" }, { Grain::Marble, qRgb(230, 230, 226), qRgb(140, 140, 146), 91 },
        { Grain::Marble, qRgb(74, 74, 80), qRgb(190, 190, 196), 92 }, false },
    { { 166, "Light blue marble" },
        { Grain::Marble, qRgb(224, 238, 248), qRgb(140, 180, 214), 101 },
        { Grain::Marble, qRgb(122, 164, 206), qRgb(220, 236, 250), 102 }, true },
    { { 167, "Dark blue marble" }, { Grain::Marble, qRgb(168, 188, 222), qRgb(90, 110, 170), 111 },
        { Grain::Marble, qRgb(40, 62, 116), qRgb(140, 164, 220), 112 }, false },
} };

const TextureSpec& specOf(int settingValue)
{
    const int id = boardTextureId(settingValue);
    return *std::find_if(kTextures.begin(), kTextures.end(),
        [id](const TextureSpec& spec) { return spec.info.id == id; });
}

// Value noise on a lattice that repeats every `periodX` by `periodY` cells over the unit
// square, so a tile sampled at u, v in [0, 1) wraps without a seam at any pixel size.
class TileNoise {
public:
    // Octaves finer than `finestPeriod` cells per tile (a cell smaller than a pixel) are left
    // out: they would only add aliasing and time.
    TileNoise(std::uint32_t seed, int finestPeriod)
        : m_seed(seed)
        , m_finestPeriod(finestPeriod)
    {
    }

    // u and v in [0, 1).
    float at(float u, float v, int periodX, int periodY) const
    {
        const float x = u * static_cast<float>(periodX);
        const float y = v * static_cast<float>(periodY);
        const int x0 = std::min(static_cast<int>(x), periodX - 1);
        const int y0 = std::min(static_cast<int>(y), periodY - 1);
        const int x1 = x0 + 1 == periodX ? 0 : x0 + 1;
        const int y1 = y0 + 1 == periodY ? 0 : y0 + 1;
        const float fx = smooth(x - static_cast<float>(x0));
        const float fy = smooth(y - static_cast<float>(y0));
        const float a = lattice(x0, y0, periodX), b = lattice(x1, y0, periodX);
        const float c = lattice(x0, y1, periodX), d = lattice(x1, y1, periodX);
        const float top = a + (b - a) * fx;
        const float bottom = c + (d - c) * fx;
        return top + (bottom - top) * fy;
    }

    // Octaves of noise with halving weight, in [0, 1).
    float fractal(float u, float v, int periodX, int periodY, int octaves) const
    {
        float sum = 0.0f;
        float weight = 0.5f;
        float total = 0.0f;
        for (int octave = 0; octave < octaves; ++octave) {
            if (octave > 0 && std::max(periodX, periodY) << octave > m_finestPeriod)
                break;
            sum += weight * at(u, v, periodX << octave, periodY << octave);
            total += weight;
            weight *= 0.5f;
        }
        return sum / total;
    }

private:
    static float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

    float lattice(int x, int y, int period) const
    {
        std::uint32_t h = m_seed * 0x9E3779B1u ^ static_cast<std::uint32_t>(x) * 0x85EBCA77u ^
            static_cast<std::uint32_t>(y) * 0xC2B2AE3Du ^ static_cast<std::uint32_t>(period);
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
        h *= 0x297A2D39u;
        h ^= h >> 15;
        return static_cast<float>(h >> 8) / static_cast<float>(1u << 24);
    }

    std::uint32_t m_seed;
    int m_finestPeriod;
};

QRgb blend(QRgb from, QRgb to, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    const auto channel = [t](int a, int b) {
        return static_cast<int>(std::lround(static_cast<float>(a) + (b - a) * t));
    };
    return qRgb(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)),
        channel(qBlue(from), qBlue(to)));
}

QRgb shade(QRgb colour, float factor)
{
    const auto channel = [factor](int c) {
        return std::clamp(static_cast<int>(std::lround(static_cast<float>(c) * factor)), 0, 255);
    };
    return qRgb(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)));
}

// The colour of one point of a sheet `n` squares wide and high; u and v run over [0, 1) of
// the sheet. Every period is a whole number across the sheet, so it wraps without a seam, and
// each square's share of it has the same grain as a single tile would.
QRgb sample(const Look& look, const TileNoise& noise, float u, float v, int n)
{
    const float squares = static_cast<float>(n);
    switch (look.grain) {
    case Grain::Fine: {
        // Stained board: a soft mottle and a faint straight grain.
        const float mottle = noise.fractal(u, v, 3 * n, 3 * n, 3) - 0.5f;
        const float streak = noise.at(u, v, 2 * n, 40 * n) - 0.5f;
        return blend(shade(look.base, 1.0f + 0.10f * mottle), look.vein, 0.25f + 0.5f * streak);
    }
    case Grain::Marble: {
        // Veins are where a turbulent sine band crosses zero, each in a soft glow; a
        // cloud shades the stone between them.
        const float turbulence = noise.fractal(u, v, 3 * n, 3 * n, 5);
        // Whole numbers of bands across the sheet keep it seamless; the seed picks their way.
        const float acrossU = static_cast<float>(1 + look.seed % 2) * squares;
        const float acrossV = (look.seed / 2 % 2 != 0 ? 2.0f : -1.0f) * squares;
        const float band = std::sin(kTwoPi * (acrossU * u + acrossV * v) + 6.0f * turbulence);
        const float edge = 1.0f - std::abs(band);
        const float edge2 = edge * edge, edge8 = edge2 * edge2 * edge2 * edge2;
        const float vein = 0.75f * edge8 * edge2 + 0.25f * edge2 * edge;
        const float cloud = noise.fractal(u, v, 2 * n, 2 * n, 4) - 0.5f;
        return blend(shade(look.base, 1.0f + 0.2f * cloud), look.vein, vein);
    }
    case Grain::Wood: {
        // Flat-sawn plank: growth rings run along the board, bent by noise, over fine fibres.
        // A slow swell, about a square across, crowds the rings in one square and spreads
        // them in the next and tilts them a little, as in squares cut from different planks.
        const float bend = 0.25f * std::sin(kTwoPi * u) +
            0.9f * noise.fractal(u, v, 2 * n, 2 * n, 3) + 2.5f * noise.at(u, v, n, n);
        const float ring = 3.0f * squares * v + bend;
        const float phase = ring - std::floor(ring);
        const float late = phase * phase * phase * phase; // late wood darkens to each ring's end
        const float fibre = noise.at(u, v, 3 * n, 64 * n);
        return blend(look.base, look.vein, 0.65f * late + 0.35f * fibre);
    }
    case Grain::Slate: {
        // Matte cleft stone: low-contrast speckle over faint layers.
        const float speckle = noise.fractal(u, v, 8 * n, 8 * n, 4) - 0.5f;
        const float layer = noise.fractal(u, v, n, 6 * n, 2);
        return blend(shade(look.base, 1.0f + 0.22f * speckle), look.vein, 0.6f * layer);
    }
    }
    return look.base;
}

// `n` by `n` squares of `squarePx` pixels.
QImage makeSheet(const Look& look, std::uint32_t seed, int squarePx, int n)
{
    const int size = squarePx * n;
    QImage sheet(size, size, QImage::Format_RGB32);
    const TileNoise noise(seed, size);
    const float step = 1.0f / static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(sheet.scanLine(y));
        const float v = (static_cast<float>(y) + 0.5f) * step;
        for (int x = 0; x < size; ++x)
            line[x] = sample(look, noise, (static_cast<float>(x) + 0.5f) * step, v, n);
    }
    return sheet;
}

// A small hash of our own: the standard shuffles may differ between libraries, and a board
// must look the same wherever it is built.
std::uint32_t mix(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

} // namespace

std::span<const BoardTextureInfo> boardTextures()
{
    static const auto infos = [] {
        std::array<BoardTextureInfo, kTextures.size()> list {};
        std::transform(kTextures.begin(), kTextures.end(), list.begin(),
            [](const TextureSpec& spec) { return spec.info; });
        return list;
    }();
    return infos;
}

int boardTextureId(int settingValue)
{
    const bool known = std::any_of(kTextures.begin(), kTextures.end(),
        [settingValue](const TextureSpec& spec) { return spec.info.id == settingValue; });
    return known ? settingValue : kDefaultTexture;
}

BoardTexture makeBoardTexture(int settingValue, int tilePx)
{
    const TextureSpec& spec = specOf(settingValue);
    tilePx = std::max(tilePx, 1);
    const Look& frameLook = spec.frameFromDark ? spec.dark : spec.light;
    // The frame takes its own seed so it does not repeat the squares' pattern.
    return { makeSheet(spec.light, spec.light.seed, tilePx, 1),
        makeSheet(spec.dark, spec.dark.seed, tilePx, 1),
        makeSheet(frameLook, frameLook.seed + 1000u, tilePx, 1) };
}

BoardSheets makeBoardSheets(int settingValue, int squarePx)
{
    const TextureSpec& spec = specOf(settingValue);
    squarePx = std::max(squarePx, 1);
    // Sampling costs by the pixel, and a large board would take a noticeable part of a
    // second: beyond kSampledSquare pixels a square's grain is sampled at that size and
    // smoothly enlarged, which the eye does not tell from finer sampling.
    const int sampled = std::min(squarePx, kSampledSquare);
    const auto sheet = [&](const Look& look) {
        // Seeds of their own: the squares do not show the frame's or the tiles' pattern.
        QImage made = makeSheet(look, look.seed + 2000u, sampled, kSheetSquares);
        if (sampled == squarePx)
            return made;
        QImage enlarged(squarePx * kSheetSquares, squarePx * kSheetSquares, made.format());
        QPainter painter(&enlarged);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(enlarged.rect(), made);
        return enlarged;
    };
    return { sheet(spec.light), sheet(spec.dark) };
}

SquareCut squareCut(int settingValue, int file, int rank)
{
    // The 32 squares of a colour take 32 of the sheet's 64 cuts (16 places, each upright,
    // mirrored, upside down or both), every square a different one, shuffled by the seed.
    constexpr int kPlaces = kSheetSquares * kSheetSquares;
    constexpr int kCuts = 4 * kPlaces;
    const bool light = (file + rank) % 2 == 1;
    const TextureSpec& spec = specOf(settingValue);
    const std::uint32_t seed = (light ? spec.light : spec.dark).seed;
    std::array<int, kCuts> cuts {};
    for (int i = 0; i < kCuts; ++i)
        cuts[i] = i;
    for (int i = kCuts - 1; i > 0; --i)
        std::swap(cuts[i], cuts[mix(seed * 0x9E3779B9u + static_cast<std::uint32_t>(i)) % (i + 1)]);
    const int cut = cuts[(rank * 8 + file) / 2];
    const int place = cut % kPlaces;
    return { place % kSheetSquares, place / kSheetSquares, (cut / kPlaces & 1) != 0,
        (cut / kPlaces & 2) != 0 };
}

} // namespace velmorak::gui
