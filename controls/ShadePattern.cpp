// The palette ramps and the nine patterns of the shaded faces. All divisions truncate toward
// zero, as the terms can be negative; pixels are bytes and wrap modulo 256.
#include "controls/ShadePattern.h"

#include <algorithm>

namespace
{
int Channel(DibColor color, int shift)
{
    return static_cast<int>((color >> shift) & 0xFF);
}

int Cube(int d)
{
    return d * d * d / 16384;
}

// One surface being patterned: the terms every kind shares and the pixel at (x, stored row r).
struct CShader
{
    CShader(CDibBlock& surface, std::uint8_t grain, const ShadeRandom& random)
        : pixels(surface.Pixels()), rowBytes(surface.RowBytes()), W(surface.Width()),
          H(surface.Height()), g(grain), t(255 - grain), v(32767 / std::max(2 * g, 1)),
          random(random)
    {
    }

    int Random() { return random(); }
    int Noise() { return Random() / v - g; }
    std::uint8_t& Pixel(int x, int r)
    {
        return pixels[static_cast<size_t>(r) * rowBytes + static_cast<size_t>(x)];
    }
    // The low 8 bits of the value, then the grain added modulo 256.
    void Set(int x, int r, int value)
    {
        Pixel(x, r) = static_cast<std::uint8_t>(value);
        AddNoise(x, r);
    }
    void AddNoise(int x, int r) { Pixel(x, r) = static_cast<std::uint8_t>(Pixel(x, r) + Noise()); }

    template <class F> void RowMajor(F f)
    {
        for (int r = 0; r < H; ++r)
            for (int x = 0; x < W; ++x)
                f(x, r);
    }
    template <class F> void ColumnMajor(F f)
    {
        for (int x = 0; x < W; ++x)
            for (int r = 0; r < H; ++r)
                f(x, r);
    }

    std::uint8_t* const pixels;
    const std::uint32_t rowBytes;
    const int W, H, g, t;
    const int v; // rand() / v is 0 to 2g
    const ShadeRandom& random;
};

void Lozenge(CShader& s)
{
    const int W = s.W, H = s.H, g = s.g, t = s.t;
    // The band's curve divides by H * H / 4: one row has no band to draw.
    if (H < 2)
        return;
    s.RowMajor(
        [&](int x, int r)
        {
            const int d = 255 * r / H - 127;
            s.Set(x, r, 128 + Cube(d) * (64 - g) * 2 / 128);
        });
    const int side = std::min(W / 6, 16);
    const long long q = static_cast<long long>(H) * H / 4;
    const int hH = H / 2, hW = W / 2;
    for (int i = 0; i < H; ++i)
    {
        const long long di = i - hH;
        const int G = static_cast<int>(side * di * di / q) - side + hW;
        for (int x = 0; x < W; ++x)
        {
            // With side 0 neither test can hold, so neither ramp divides by it.
            if (x - hW > G)
                s.Pixel(x, i) = static_cast<std::uint8_t>(128 * (W - x) / side + g);
            if (G + x - hW < 0)
                s.Pixel(x, i) = static_cast<std::uint8_t>(t - 128 * x / side);
            s.AddNoise(x, i);
        }
    }
}

void Scratched(CDibBlock& surface, CShader& s)
{
    const int W = s.W, H = s.H, g = s.g;
    // The scratches divide by the surface's size: an empty one has nothing to scratch.
    if (W <= 0 || H <= 0)
        return;
    surface.Fill(0);
    // At least 1, for a surface wider than the generator's range.
    const int perX = std::max(32767 / W, 1), perY = std::max(32767 / H, 1);
    const int perLen = std::max(32767 / std::min(W, H), 1);
    for (int n = 0; n < 200; ++n)
    {
        const int xs = s.Random() / perX;
        const int ys = s.Random() / perY;
        const int len = s.Random() / perLen;
        const auto c = static_cast<std::uint8_t>(s.Random() / 819);
        for (int i = 0; i < len / 2; ++i)
        {
            if (xs - i > 0 && ys + i < H)
                surface.PutIndex(xs - i, ys + i, c);
            if (xs + i < W && ys - i > 0)
                surface.PutIndex(W - xs + i, ys - i, c);
        }
    }
    const int a = (215 - 2 * g) / 2;
    s.RowMajor(
        [&](int x, int r)
        {
            std::uint8_t& p = s.Pixel(x, r);
            p = static_cast<std::uint8_t>(p + a * (W - x) / W + a * r / H);
            p = static_cast<std::uint8_t>(p + s.Random() / s.v);
        });
}
} // namespace

void BuildShadePalette(CDibBlock& surface, const ShadeColors& colors)
{
    auto entry = [&](int index, DibColor from, DibColor to, int step)
    {
        int c[3];
        for (int k = 0; k < 3; ++k)
            c[k] = (Channel(from, 8 * k) * (128 - step) + Channel(to, 8 * k) * step) / 128;
        surface.SetColor(static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(c[0]),
                         static_cast<std::uint8_t>(c[1]), static_cast<std::uint8_t>(c[2]));
    };
    for (int k = 0; k <= 128; ++k)
        entry(k, colors.shadow, colors.face, k);
    for (int j = 1; j <= 128; ++j)
        entry(127 + j, colors.face, colors.highlight, j);
}

void WriteShadePattern(CDibBlock& surface, unsigned kind, std::uint8_t grain,
                       const ShadeRandom& random)
{
    if (surface.Pixels() == nullptr || surface.BitCount() != 8)
        return;
    CShader s(surface, grain, random);
    const int W = s.W, H = s.H, g = s.g, t = s.t;
    switch (kind)
    {
    case ShadeDiagonal:
    {
        const int a = (255 - 2 * g) / 2;
        s.RowMajor([&](int x, int r) { s.Set(x, r, a * (W - x) / W + a * r / H + g); });
        break;
    }
    case ShadeRowRamp:
    {
        const int b = 255 - 2 * g;
        s.RowMajor([&](int x, int r) { s.Set(x, r, b * r / H + g); });
        break;
    }
    case ShadeColumnRamp:
    {
        const int b = 255 - 2 * g;
        s.ColumnMajor([&](int x, int r) { s.Set(x, r, b * (W - x) / W + g); });
        break;
    }
    case ShadeRowCurve:
    {
        const int a = 128 - g;
        s.RowMajor([&](int x, int r) { s.Set(x, r, 128 + Cube(255 * r / H - 127) * a / 128); });
        break;
    }
    case ShadeColumnCurve:
    {
        const int a = 128 - g;
        s.ColumnMajor([&](int x, int r)
                      { s.Set(x, r, 128 + Cube(255 * (W - x) / W - 127) * a / 128); });
        break;
    }
    case ShadeCushion:
    {
        const int a = 128 - g;
        s.RowMajor(
            [&](int x, int r)
            {
                const int dr = 255 * r / H - 127, dx = 255 * (W - x) / W - 127;
                int value = 128 + (Cube(dr) + Cube(dx)) * a / 128;
                // Two tests rather than a clamp: a grain above 127 puts t below g.
                if (value < g)
                    value = g;
                if (value > t)
                    value = t;
                s.Set(x, r, value);
            });
        break;
    }
    case ShadeLozenge:
        Lozenge(s);
        break;
    case ShadeScratched:
        Scratched(surface, s);
        break;
    default: // ShadeNoise and every kind beyond the last
        s.RowMajor([&](int x, int r)
                   { s.Pixel(x, r) = static_cast<std::uint8_t>(s.Random() / s.v - g + 128); });
        break;
    }
}

void GenerateShadeFaces(CDibBlock& normal, CDibBlock& hover, int width, int height, unsigned kind,
                        std::uint8_t grain, std::uint8_t hoverPercent, std::uint8_t tintPercent,
                        DibColor tintColor, const ShadeColors& colors, const ShadeRandom& random)
{
    if (normal.Allocate(width, height, 8) == nullptr)
    {
        // No face at all rather than pixels written through a missing block.
        hover.Release();
        return;
    }
    BuildShadePalette(normal, colors);
    normal.TintPalette(tintColor, tintPercent);
    WriteShadePattern(normal, kind, grain, random);
    hover.CopyFrom(normal);
    hover.TintPalette(colors.highlight, hoverPercent);
}
