// Pixel sizes at a display's DPI, and the geometry of a dialog template, for laying a window out
// again at any DPI from its 96-dpi look. Portable (no <windows.h>): the maths of win/Dpi.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr unsigned kBaseDpi = 96;

// n pixels of the 96-dpi look at dpi, rounded to the nearest pixel (halves away from zero).
int ScaleToDpi(int n, unsigned dpi);

struct PixelSize
{
    int cx, cy;
};
// The largest DPI up to dpi at which a client area, client96 at 96 dpi, inside a frame that adds
// frame, fits work; never below half the base DPI, where no text would read any more.
unsigned FitDpi(unsigned dpi, PixelSize client96, PixelSize frame, PixelSize work);

// Of sizes (ascending), the one nearest to want; a tie takes the smaller, which fits wherever
// the larger would.
int NearestSize(int want, const int* sizes, std::size_t count);

// A control of a dialog template, its rectangle in dialog units.
struct DialogItemGeometry
{
    unsigned id;
    int x, y, cx, cy;
};
struct DialogGeometry
{
    int cx = 0, cy = 0;
    int pointSize = 0; // of the template's font; 0 without one
    std::vector<DialogItemGeometry> items;
};
// Reads an extended dialog template; false when the bytes are not a whole one.
bool ReadDialogGeometry(const std::uint8_t* p, std::size_t n, DialogGeometry& out);

// Dialog units to pixels, as the dialog manager maps them: x by the font's average character
// width over 4, y by its height over 8.
int DialogUnitsToPixels(int units, int baseUnit, int divisor);
