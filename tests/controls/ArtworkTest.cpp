// The committed pictures in res/ are exactly what the artwork generator makes, and the sheet
// keeps its binding grid: key colour, rows and columns.
#include "Artwork.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace
{
Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Palette index of sheet pixel (x, y), y from the top.
int SheetPixel(const Bytes& bmp, int x, int y)
{
    const size_t row = 118 + static_cast<size_t>(127 - y) * 24;
    const std::uint8_t b = bmp[row + static_cast<size_t>(x / 2)];
    return x % 2 ? b & 0x0F : b >> 4;
}
} // namespace

TEST(Artwork, GeneratorReproducesTheCommittedFilesByteForByte)
{
    for (const ArtworkFile& file : MakeAllArtwork())
    {
        Bytes committed = ReadFile(std::string(KESTRANE_RES_DIR) + "/" + file.name);
        ASSERT_FALSE(committed.empty()) << file.name << " is missing: run kestrane-artwork";
        EXPECT_TRUE(committed == file.bytes)
            << file.name << " differs from the generator's output: regenerate and review it";
    }
}

TEST(Artwork, SheetCellsHaveMagentaCornersTheirColourInTheMiddleAndEmptyRows)
{
    const Bytes bmp = MakeLedSheet();
    ASSERT_EQ(bmp.size(), 118u + 24u * 128u);
    const int magenta = 13;
    const int centre[5][3] = {{9, 1, 8}, {10, 2, 8}, {11, 3, 8}, {12, 4, 8}, {0, 0, 8}};
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 3; ++col)
        {
            const int x0 = col * 16, y0 = row * 16;
            EXPECT_EQ(SheetPixel(bmp, x0, y0), magenta) << row << "," << col;
            EXPECT_EQ(SheetPixel(bmp, x0 + 15, y0 + 15), magenta) << row << "," << col;
            // Just below and right of the centre: the lamp's own colour, past the highlight.
            const int mid = SheetPixel(bmp, x0 + 9, y0 + 9);
            EXPECT_EQ(mid, row < 5 ? centre[row][col] : magenta) << row << "," << col;
        }
}
