// The shaded faces, natively: the block layout, the palette ramps and tints, the row curve's
// bases, exact pixels against a model of the C runtime's generator, and every kind on sizes
// small enough to find a stray division or write (the sanitizers watch).
#include "controls/ShadePattern.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/CrtRand.h"

namespace
{
// A source that returns one value and counts its calls.
struct Constant
{
    int value;
    int* pCalls;
    int operator()() const
    {
        ++*pCalls;
        return value;
    }
};

constexpr DibColor Rgb(int r, int g, int b)
{
    return static_cast<DibColor>(r | (g << 8) | (b << 16));
}
// Channels that differ, so a swapped channel or colour shows.
const ShadeColors kColors = {Rgb(255, 250, 240), Rgb(212, 208, 200), Rgb(128, 120, 100)};

DibColor Mix(DibColor a, int wa, DibColor b, int wb, int d)
{
    auto ch = [&](int shift) { return ((a >> shift & 0xFF) * wa + (b >> shift & 0xFF) * wb) / d; };
    return Rgb(static_cast<int>(ch(0)), static_cast<int>(ch(8)), static_cast<int>(ch(16)));
}

// Pixel x of stored row r (0 = bottom row on screen).
int At(const CDibBlock& s, int x, int r)
{
    return s.Pixels()[static_cast<size_t>(r) * s.RowBytes() + static_cast<size_t>(x)];
}

std::vector<std::uint8_t> BlockBytes(const CDibBlock& s)
{
    return std::vector<std::uint8_t>(s.Block(), s.Block() + s.BlockSize());
}
} // namespace

TEST(DibBlock, LayoutStrideAndBlockSizeFollowTheBitCount)
{
    struct Case
    {
        int width, height;
        std::uint16_t bits;
        std::uint32_t rowBytes, colors;
    } cases[] = {{5, 3, 8, 8, 256}, {5, 3, 4, 4, 16},  {33, 2, 1, 8, 2},
                 {5, 3, 24, 16, 0}, {0, 7, 8, 0, 256}, {4, 1, 8, 4, 256}};
    for (const Case& c : cases)
    {
        CDibBlock s;
        ASSERT_NE(s.Allocate(c.width, c.height, c.bits), nullptr) << c.width << "x" << c.bits;
        EXPECT_EQ(s.RowBytes(), c.rowBytes) << c.width << " px at " << c.bits << " bits";
        EXPECT_EQ(s.PaletteBytes(), 4 * c.colors);
        EXPECT_EQ(s.BlockSize(), 40 + 4 * c.colors + c.rowBytes * c.height);
        EXPECT_EQ(s.Pixels(), s.Block() + 40 + 4 * c.colors);
        DibInfoHeader h;
        std::memcpy(&h, s.Block(), sizeof h);
        EXPECT_EQ(h.biHeight, c.height) << "positive: stored bottom-up";
        EXPECT_EQ(h.biSizeImage, c.rowBytes * c.height);
    }

    CDibBlock s;
    s.Allocate(5, 3, 8);
    EXPECT_EQ(s.Allocate(-1, 3, 8), nullptr);
    EXPECT_EQ(s.Allocate(70000, 70000, 8), nullptr) << "more than the header can describe";
    EXPECT_EQ(s.Pixels(), nullptr) << "a failed allocation leaves the surface empty";
    EXPECT_EQ(s.BlockSize(), 0u);
    EXPECT_EQ(s.Width(), 0);
}

TEST(DibBlock, OutOfRangeWritesAreIgnoredAndFillCoversThePadding)
{
    CDibBlock empty;
    empty.Fill(1);
    empty.SetColor(0, 1, 2, 3);
    empty.PutIndex(0, 0, 1);
    empty.TintPalette(0xFFFFFF, 50);
    EXPECT_EQ(empty.Pixels(), nullptr);

    CDibBlock s;
    s.Allocate(5, 3, 8);
    s.Fill(7);
    const std::vector<std::uint8_t> before = BlockBytes(s);
    EXPECT_EQ(before.back(), 7) << "the last row's padding is filled too";
    for (auto xy : {std::pair<int, int>{-1, 0}, {5, 0}, {0, -1}, {0, 3}, {-100, 1000}})
        s.PutIndex(xy.first, xy.second, 9);
    EXPECT_EQ(BlockBytes(s), before) << "PutIndex outside the surface";

    s.PutIndex(1, 0, 9); // top row on screen: the last stored row
    EXPECT_EQ(At(s, 1, 2), 9);
    s.PutIndex(4, 2, 8);
    EXPECT_EQ(At(s, 4, 0), 8);

    CDibBlock nibbles;
    nibbles.Allocate(5, 3, 4);
    const std::vector<std::uint8_t> pixelsBefore = BlockBytes(nibbles);
    nibbles.SetColor(16, 1, 2, 3); // would land in the pixel area
    nibbles.PutIndex(4, 0, 9);     // one byte per pixel would run past the row
    EXPECT_EQ(BlockBytes(nibbles), pixelsBefore);
    nibbles.SetColor(15, 1, 2, 3);
    EXPECT_EQ(nibbles.Color(15), Rgb(1, 2, 3));
}

TEST(DibBlock, CopyFromTakesTheWholeBlockAndAnEmptySourceEmptiesTheCopy)
{
    CDibBlock source, copy;
    source.Allocate(7, 2, 8);
    source.SetColor(3, 10, 20, 30);
    source.PutIndex(6, 1, 3);
    EXPECT_EQ(copy.CopyFrom(source), source.BlockSize());
    EXPECT_EQ(BlockBytes(copy), BlockBytes(source));
    EXPECT_NE(copy.Block(), source.Block());

    CDibBlock empty;
    EXPECT_EQ(copy.CopyFrom(empty), 0u);
    EXPECT_EQ(copy.Pixels(), nullptr);
}

TEST(ShadePattern, PaletteRampsTintsAndHoverPalette)
{
    int calls = 0;
    const Constant quiet{8 * 2047, &calls};
    CDibBlock normal, hover;
    GenerateShadeFaces(normal, hover, 6, 4, ShadeRowCurve, 8, 0, 0, Rgb(1, 2, 3), kColors, quiet);
    const DibColor hl = kColors.highlight, face = kColors.face, shadow = kColors.shadow;
    EXPECT_EQ(normal.Color(0), shadow);
    EXPECT_EQ(normal.Color(64), Mix(shadow, 1, face, 1, 2));
    EXPECT_EQ(normal.Color(127), Mix(shadow, 1, face, 127, 128));
    EXPECT_EQ(normal.Color(128), Mix(face, 127, hl, 1, 128)) << "not the face colour itself";
    EXPECT_EQ(normal.Color(255), hl);
    EXPECT_EQ(BlockBytes(hover), BlockBytes(normal)) << "hover 0 looks the same";

    CDibBlock tinted, hover100;
    GenerateShadeFaces(tinted, hover100, 6, 4, ShadeRowCurve, 8, 100, 40, Rgb(0, 0, 255), kColors,
                       quiet);
    for (int i : {0, 64, 128, 255})
        EXPECT_EQ(tinted.Color(static_cast<std::uint8_t>(i)),
                  Mix(normal.Color(static_cast<std::uint8_t>(i)), 60, Rgb(0, 0, 255), 40, 100))
            << "entry " << i;
    CDibBlock over100, hoverOver;
    GenerateShadeFaces(over100, hoverOver, 6, 4, ShadeRowCurve, 8, 255, 0, 0, kColors, quiet);
    for (int i = 0; i < 256; ++i)
    {
        EXPECT_EQ(hover100.Color(static_cast<std::uint8_t>(i)), hl) << "entry " << i;
        EXPECT_EQ(hoverOver.Color(static_cast<std::uint8_t>(i)), hl) << "entry " << i;
    }
    EXPECT_EQ(std::memcmp(hover100.Pixels(), tinted.Pixels(), tinted.RowBytes() * 4), 0)
        << "the hover face has the same pixels";
}

TEST(ShadePattern, RowCurveBasesFromTheBottomRowUpWithTheGrainAroundThem)
{
    const std::vector<int> h32 = {11,  30,  49,  65,  78,  90,  99,  108, 113, 119, 123,
                                  126, 127, 128, 128, 128, 128, 128, 128, 128, 129, 130,
                                  133, 137, 143, 148, 157, 166, 178, 191, 207, 226};
    const std::vector<int> h20 = {11,  42,  68,  88,  104, 113, 121, 126, 128, 128,
                                  128, 128, 128, 130, 135, 143, 153, 168, 188, 214};
    for (const std::vector<int>& bases : {h32, h20, std::vector<int>{11}})
    {
        const int H = static_cast<int>(bases.size()), W = 9;
        int calls = 0;
        CDibBlock quiet, noisy, unused;
        GenerateShadeFaces(quiet, unused, W, H, ShadeRowCurve, 8, 10, 0, 0, kColors,
                           Constant{8 * 2047, &calls});
        EXPECT_EQ(calls, W * H) << "one number a pixel";
        CrtRand crt;
        GenerateShadeFaces(noisy, unused, W, H, ShadeRowCurve, 8, 10, 0, 0, kColors, crt);
        for (int r = 0; r < H; ++r)
            for (int x = 0; x < W; ++x)
            {
                ASSERT_EQ(At(quiet, x, r), bases[static_cast<size_t>(r)])
                    << "H " << H << " row " << r;
                ASSERT_GE(At(noisy, x, r), bases[static_cast<size_t>(r)] - 8);
                ASSERT_LE(At(noisy, x, r), bases[static_cast<size_t>(r)] + 8);
            }
    }
}

TEST(ShadePattern, ExactPixelsFollowTheGeneratorInTraversalOrder)
{
    CrtRand model;
    const int first[5] = {41, 18467, 6334, 26500, 19169};
    for (int v : first)
        ASSERT_EQ(model(), v) << "the model is the runtime's generator from seed 1";

    struct Case
    {
        const char* what;
        unsigned kind;
        int W, H;
        bool columnMajor;
        std::vector<int> base; // by stored row, or by column when column-major
    } cases[] = {
        {"row curve", ShadeRowCurve, 5, 3, false, {11, 125, 131}},
        {"column ramp", ShadeColumnRamp, 3, 2, true, {247, 167, 87}},
    };
    for (const Case& c : cases)
    {
        CDibBlock s, hover;
        GenerateShadeFaces(s, hover, c.W, c.H, c.kind, 8, 10, 0, 0, kColors, CrtRand());
        CrtRand crt;
        const int outer = c.columnMajor ? c.W : c.H, inner = c.columnMajor ? c.H : c.W;
        for (int o = 0; o < outer; ++o)
            for (int i = 0; i < inner; ++i)
            {
                const int x = c.columnMajor ? o : i, r = c.columnMajor ? i : o;
                const int expected = c.base[static_cast<size_t>(o)] + crt() / 2047 - 8;
                EXPECT_EQ(At(s, x, r), expected) << c.what << " at x " << x << " row " << r;
            }
        EXPECT_EQ(At(s, c.W, 0), 0) << c.what << ": row padding untouched";
    }
}

TEST(ShadePattern, GrainZeroAndNoiseKindsBeyondEight)
{
    int calls = 0;
    CDibBlock a, b, unused;
    GenerateShadeFaces(a, unused, 8, 6, ShadeRowCurve, 0, 0, 0, 0, kColors,
                       Constant{32766, &calls});
    GenerateShadeFaces(b, unused, 8, 6, ShadeRowCurve, 0, 0, 0, 0, kColors,
                       Constant{32767, &calls});
    for (int r = 0; r < 6; ++r)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(At(b, x, r), At(a, x, r) + 1) << "grain 0: +1 only for 32767";

    CDibBlock noise0, noise9, noise200;
    GenerateShadeFaces(noise0, unused, 7, 5, ShadeNoise, 8, 0, 0, 0, kColors, CrtRand());
    GenerateShadeFaces(noise9, unused, 7, 5, 9, 8, 0, 0, 0, kColors, CrtRand());
    GenerateShadeFaces(noise200, unused, 7, 5, 200, 8, 0, 0, 0, kColors, CrtRand());
    EXPECT_EQ(BlockBytes(noise9), BlockBytes(noise0));
    EXPECT_EQ(BlockBytes(noise200), BlockBytes(noise0));
    for (int r = 0; r < 5; ++r)
        for (int x = 0; x < 7; ++x)
            EXPECT_NEAR(At(noise0, x, r), 128, 8);
}

TEST(ShadePattern, EveryKindOnEmptyThinAndTinySurfacesStaysInsideAndDividesSafely)
{
    const std::pair<int, int> sizes[] = {{0, 0}, {0, 5}, {5, 0}, {1, 1},   {1, 7},
                                         {7, 1}, {2, 2}, {5, 9}, {40, 13}, {117, 33}};
    for (unsigned kind = 0; kind <= 9; ++kind)
        for (auto [W, H] : sizes)
        {
            CDibBlock s, hover;
            int calls = 0;
            CrtRand crt;
            GenerateShadeFaces(s, hover, W, H, kind, 8, 10, 0, 0, kColors,
                               [&]
                               {
                                   ++calls;
                                   return crt();
                               });
            ASSERT_NE(s.Pixels(), nullptr) << "kind " << kind << " " << W << "x" << H;
            const bool empty = W == 0 || H == 0;
            if (empty || (kind == ShadeLozenge && H == 1))
            {
                EXPECT_EQ(calls, 0) << "kind " << kind << " " << W << "x" << H;
                const std::vector<std::uint8_t> none(s.Pixels(), s.Pixels() + s.RowBytes() * H);
                EXPECT_EQ(std::count(none.begin(), none.end(), 0), static_cast<long>(none.size()))
                    << "no pixel written: kind " << kind << " " << W << "x" << H;
            }
            else
            {
                EXPECT_GT(calls, 0) << "kind " << kind << " " << W << "x" << H;
            }
        }
}

TEST(ShadePattern, AFailedAllocationLeavesBothFacesEmpty)
{
    CDibBlock normal, hover;
    GenerateShadeFaces(normal, hover, 20, 10, ShadeRowCurve, 8, 10, 0, 0, kColors, CrtRand());
    ASSERT_NE(hover.Pixels(), nullptr);
    int calls = 0;
    GenerateShadeFaces(normal, hover, 70000, 70000, ShadeRowCurve, 8, 10, 0, 0, kColors,
                       Constant{0, &calls});
    EXPECT_EQ(normal.Pixels(), nullptr);
    EXPECT_EQ(hover.Pixels(), nullptr);
    EXPECT_EQ(calls, 0);
}
