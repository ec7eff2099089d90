// CDibBlock: block layout, palette and pixel access.
#include "controls/DibBlock.h"

#include <cstring>
#include <new>

std::uint8_t* CDibBlock::Allocate(int width, int height, std::uint16_t bitCount)
{
    Release();
    if (width < 0 || height < 0)
        return nullptr;
    const std::uint16_t colors = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height);
    // The header holds the pixel area's size in 32 bits: a larger surface cannot be described.
    if (imageBytes > 0xFFFFFFFFull - 40 - 4 * 256)
        return nullptr;
    const std::uint64_t blockBytes = 40 + 4ull * colors + imageBytes;
    // Zeroed, so that a pattern that writes nothing never shows stale heap bytes.
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow)
                                              std::uint8_t[static_cast<size_t>(blockBytes)]());
    if (!block)
        return nullptr;

    m_nColors = colors;
    m_nRowBytes = static_cast<std::uint32_t>(rowBytes);
    m_header = {};
    m_header.biSize = 40;
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = bitCount;
    m_header.biSizeImage = static_cast<std::uint32_t>(imageBytes);
    std::memcpy(block.get(), &m_header, sizeof m_header);
    m_pBlock = std::move(block);
    return m_pBlock.get();
}

std::uint32_t CDibBlock::CopyFrom(const CDibBlock& source)
{
    if (&source == this)
        return BlockSize();
    // An empty source has no block to copy from: the copy is empty too.
    if (!source.m_pBlock)
    {
        Release();
        return 0;
    }
    if (Allocate(source.Width(), source.Height(), source.BitCount()) == nullptr)
        return 0;
    std::memcpy(m_pBlock.get(), source.m_pBlock.get(), BlockSize());
    return BlockSize();
}

void CDibBlock::Release()
{
    ReleaseDerived();
    m_pBlock.reset();
    m_header = {};
    m_nRowBytes = 0;
    m_nColors = 0;
}

std::uint8_t* CDibBlock::Pixels()
{
    return m_pBlock ? m_pBlock.get() + 40 + PaletteBytes() : nullptr;
}

const std::uint8_t* CDibBlock::Pixels() const
{
    return m_pBlock ? m_pBlock.get() + 40 + PaletteBytes() : nullptr;
}

std::uint8_t* CDibBlock::PaletteEntry(std::uint8_t index)
{
    return m_pBlock && index < m_nColors ? m_pBlock.get() + 40 + 4u * index : nullptr;
}

DibColor CDibBlock::Color(std::uint8_t index) const
{
    if (!m_pBlock || index >= m_nColors)
        return 0;
    const std::uint8_t* e = m_pBlock.get() + 40 + 4u * index; // blue, green, red, 0
    return e[2] | (e[1] << 8) | (static_cast<DibColor>(e[0]) << 16);
}

void CDibBlock::Fill(std::uint8_t index)
{
    if (m_pBlock)
        std::memset(Pixels(), index, m_header.biSizeImage);
}

void CDibBlock::SetColor(std::uint8_t index, std::uint8_t red, std::uint8_t green,
                         std::uint8_t blue)
{
    if (std::uint8_t* e = PaletteEntry(index))
    {
        e[0] = blue;
        e[1] = green;
        e[2] = red;
        e[3] = 0;
    }
}

void CDibBlock::TintPalette(DibColor color, unsigned percent)
{
    if (!m_pBlock || m_nColors == 0)
        return;
    if (percent > 100)
        percent = 100;
    const unsigned c[3] = {(color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF}; // b, g, r
    for (unsigned i = 0; i < m_nColors; ++i)
    {
        std::uint8_t* e = m_pBlock.get() + 40 + 4 * i;
        for (int k = 0; k < 3; ++k)
            e[k] = static_cast<std::uint8_t>((e[k] * (100 - percent) + c[k] * percent) / 100);
    }
}

void CDibBlock::PutIndex(int x, int y, std::uint8_t index)
{
    // Only an 8-bit row holds one pixel per byte; deeper or shallower rows would be addressed
    // past their end.
    if (!m_pBlock || m_nColors == 0 || m_header.biBitCount != 8)
        return;
    if (x < 0 || x >= Width() || y < 0 || y >= Height())
        return;
    Pixels()[static_cast<size_t>(Height() - 1 - y) * m_nRowBytes + static_cast<size_t>(x)] = index;
}
