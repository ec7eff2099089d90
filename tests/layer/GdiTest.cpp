// Device contexts and GDI owners: nothing outlives its owner, selections are put back, and the
// fill helpers paint exactly their pixels.
#include "win/Dc.h"
#include "win/GdiObject.h"
#include "win/Text.h"

#include <utility>

#include <gtest/gtest.h>

TEST(Gdi, OwnersDeleteTheirObjectsAndMovesTransferOwnership)
{
    HBRUSH hBrush = nullptr;
    HPEN hPen = nullptr;
    HBITMAP hMoved = nullptr;
    HDC hMemDC = nullptr;
    {
        CBrush brush(RGB(1, 2, 3));
        CPen pen(PS_SOLID, 1, RGB(4, 5, 6));
        hBrush = brush;
        hPen = pen;
        ASSERT_EQ(::GetObjectType(hBrush), static_cast<DWORD>(OBJ_BRUSH));
        ASSERT_EQ(::GetObjectType(hPen), static_cast<DWORD>(OBJ_PEN));

        CBitmap first;
        ASSERT_TRUE(first.CreateBitmap(8, 8, 1, 1, nullptr));
        EXPECT_FALSE(first.CreateBitmap(8, 8, 1, 1, nullptr)) << "one object per owner";
        hMoved = first;
        CBitmap second(std::move(first));
        EXPECT_EQ(first.Get(), nullptr);
        EXPECT_EQ(second.Get(), hMoved);

        CMemoryDC memDC(nullptr);
        hMemDC = memDC;
        ASSERT_EQ(::GetObjectType(hMemDC), static_cast<DWORD>(OBJ_MEMDC));
    }
    EXPECT_EQ(::GetObjectType(hBrush), 0u);
    EXPECT_EQ(::GetObjectType(hPen), 0u);
    EXPECT_EQ(::GetObjectType(hMoved), 0u) << "the moved-to owner deletes, once";
    EXPECT_EQ(::GetObjectType(hMemDC), 0u);

    CBitmap detached;
    detached.CreateBitmap(4, 4, 1, 1, nullptr);
    HBITMAP hKept = detached.Detach();
    EXPECT_EQ(::GetObjectType(hKept), static_cast<DWORD>(OBJ_BITMAP));
    ::DeleteObject(hKept);
}

TEST(Gdi, SelectionGuardPutsBackTheDisplacedObjectSoTheOwnerCanDeleteIt)
{
    CMemoryDC dc(nullptr);
    HGDIOBJ hOriginal = ::GetCurrentObject(dc, OBJ_BITMAP);
    HBITMAP hBitmap = nullptr;
    {
        CBitmap bmp;
        bmp.CreateBitmap(4, 4, 1, 1, nullptr);
        hBitmap = bmp;
        CSelectObject select(dc, bmp);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), hBitmap);
    } // guard first, then the bitmap: a selected bitmap could not be deleted
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), hOriginal);
    EXPECT_EQ(::GetObjectType(hBitmap), 0u);
}

TEST(Gdi, FillSolidRectAndDraw3dRectPaintExactlyTheirPixels)
{
    CMemoryDC dc(nullptr);
    CBitmap bmp;
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 6, -6, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pBits = nullptr;
    bmp.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    ASSERT_NE(bmp.Get(), nullptr);
    CSelectObject select(dc, bmp);

    const COLORREF white = RGB(255, 255, 255), tl = RGB(255, 0, 0), br = RGB(0, 0, 255);
    dc.SetBkColor(RGB(9, 9, 9));
    dc.FillSolidRect(0, 0, 6, 6, white);
    EXPECT_EQ(dc.GetBkColor(), RGB(9, 9, 9)) << "the background colour is left alone";
    RECT rc = {1, 1, 5, 5};
    dc.Draw3dRect(&rc, tl, br);
    const char* expected[6] = {"......", ".TTTB.", ".T..B.", ".T..B.", ".BBBB.", "......"};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
        {
            COLORREF c = dc.GetPixel(x, y);
            char got = c == tl ? 'T' : c == br ? 'B' : c == white ? '.' : '?';
            EXPECT_EQ(got, expected[y][x]) << "pixel " << x << "," << y;
        }
}

TEST(Text, FormatGrowsToAnyLengthAndTimesFormatInLocalTime)
{
    EXPECT_EQ(Format(" COM%d", 12), " COM12");
    EXPECT_EQ(Format("%s", std::string(1000, 'x').c_str()).size(), 1000u);
    EXPECT_EQ(Format("%s", ""), "");

    std::tm tm = {};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 5;
    tm.tm_hour = 7;
    tm.tm_min = 4;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm); // local time, as FormatLocalTime reads it back
    EXPECT_EQ(FormatLocalTime(t, "[%Y-%m-%d %H:%M:%S]  "), "[2024-03-05 07:04:09]  ");
    EXPECT_EQ(FormatLocalTime(t, " %H:%M  %B %d  %Y"), " 07:04  March 05  2024");
    EXPECT_EQ(FormatLocalTime(t, ""), "");
}
