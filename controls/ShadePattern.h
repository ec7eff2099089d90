// The shaded faces of a command button: a 256-entry palette ramping from the 3-D shadow colour
// through the face colour to the highlight colour, and nine patterns of palette indices with a
// grain of noise on every pixel. Portable (no <windows.h>): the random source is passed in, so
// the program can feed it the C runtime's rand and tests a model of it.
#pragma once

#include <cstdint>
#include <functional>

#include "controls/DibBlock.h"

enum ShadeKind : unsigned
{
    ShadeNoise = 0, // also every kind above ShadeScratched
    ShadeDiagonal = 1,
    ShadeRowRamp = 2,
    ShadeColumnRamp = 3,
    ShadeRowCurve = 4, // the main window's
    ShadeColumnCurve = 5,
    ShadeCushion = 6,
    ShadeLozenge = 7,
    ShadeScratched = 8
};

// One number from 0 to 32767 a call. Which number lands on which pixel follows the patterns'
// traversal order, so a given sequence always gives the same faces.
using ShadeRandom = std::function<int()>;

struct ShadeColors
{
    DibColor highlight;
    DibColor face;
    DibColor shadow;
};

// Entries 0 to 128 ramp from shadow to face, 128 to 255 from face to highlight (entry 128 ends
// one step above the face colour, as the second ramp writes it last).
void BuildShadePalette(CDibBlock& surface, const ShadeColors& colors);

// Writes the pattern of kind into the pixels of an 8-bit surface; nothing on an empty one.
void WriteShadePattern(CDibBlock& surface, unsigned kind, std::uint8_t grain,
                       const ShadeRandom& random);

// Both faces of a button of width x height pixels: normal gets the palette (tinted tintPercent
// toward tintColor) and the pattern, hover the same pixels with its palette moved hoverPercent
// toward the highlight colour. When normal cannot be allocated, both are left empty.
void GenerateShadeFaces(CDibBlock& normal, CDibBlock& hover, int width, int height, unsigned kind,
                        std::uint8_t grain, std::uint8_t hoverPercent, std::uint8_t tintPercent,
                        DibColor tintColor, const ShadeColors& colors, const ShadeRandom& random);
