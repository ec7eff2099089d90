// CDibBlock: a device-independent bitmap kept in one heap block (header, palette, pixel rows),
// the part of a shaded button's surface that needs no window system. Portable (no <windows.h>):
// the header has the layout of BITMAPINFOHEADER, so the block is a packed DIB as it stands.
#pragma once

#include <cstdint>
#include <memory>

// The 40-byte header at the start of a packed DIB, field for field.
struct DibInfoHeader
{
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight; // positive: the first stored row is the bottom row on screen
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(DibInfoHeader) == 40, "a packed DIB starts with exactly 40 header bytes");

// A colour as COLORREF holds it: red in the low byte, then green, then blue.
using DibColor = std::uint32_t;

class CDibBlock
{
public:
    CDibBlock() = default;
    virtual ~CDibBlock() = default;
    CDibBlock(const CDibBlock&) = delete;
    CDibBlock& operator=(const CDibBlock&) = delete;

    // A block for width x height pixels of bitCount bits, palette and pixels zeroed; the old
    // block goes first. Null, with the surface left empty, when the block cannot be had.
    std::uint8_t* Allocate(int width, int height, std::uint16_t bitCount);
    // A copy of source's whole block (header, palette, pixels); the bytes copied, or 0.
    std::uint32_t CopyFrom(const CDibBlock& source);
    void Release();

    // Every byte of the pixel area, row padding included.
    void Fill(std::uint8_t index);
    void SetColor(std::uint8_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Moves every palette entry percent of the way (at most 100) toward color.
    void TintPalette(DibColor color, unsigned percent);
    // Pixel (x, y), y counted from the top, of an 8-bit surface; elsewhere nothing happens.
    void PutIndex(int x, int y, std::uint8_t index);

    const std::uint8_t* Block() const { return m_pBlock.get(); }
    std::uint8_t* Pixels();
    const std::uint8_t* Pixels() const;
    // Palette entry index as a COLORREF, or 0 when there is none.
    DibColor Color(std::uint8_t index) const;
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    std::uint32_t RowBytes() const { return m_nRowBytes; }
    std::uint16_t BitCount() const { return m_header.biBitCount; }
    std::uint32_t BlockSize() const
    {
        return m_pBlock ? 40 + PaletteBytes() + m_header.biSizeImage : 0;
    }
    std::uint32_t ImageBytes() const { return m_header.biSizeImage; }
    std::uint32_t PaletteBytes() const { return 4u * m_nColors; }
    std::uint16_t Colors() const { return m_nColors; }

protected:
    // Called before the block goes, so that whatever was made from it can go first.
    virtual void ReleaseDerived() {}

private:
    std::uint8_t* PaletteEntry(std::uint8_t index);

    std::unique_ptr<std::uint8_t[]> m_pBlock;
    DibInfoHeader m_header = {};
    std::uint32_t m_nRowBytes = 0;
    std::uint16_t m_nColors = 0;
};
