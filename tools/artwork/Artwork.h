// The program's pictures, drawn by code so anyone can regenerate and review them. Portable
// (no <windows.h>): each function returns the bytes of one file, the same on every machine.
//
//  leds.bmp (bitmap 129), the lamp sprite sheet: 48 x 128 pixels, 4 bits per pixel with the
//      standard 16-colour palette, a grid of 16 x 16 cells, 3 columns by 8 rows. Columns: lit,
//      unlit, grey. Rows from the top: red, green, yellow, blue, black, then three empty rows.
//      Lit lamps are red (255,0,0), lime (0,255,0), yellow (255,255,0), blue (0,0,255), black;
//      unlit ones maroon (128,0,0), green (0,128,0), olive (128,128,0), navy (0,0,128), black;
//      every grey lamp is grey (128,128,128) and the largest disc of the sheet. Each lamp is a
//      filled disc with a rim of light grey (192,192,192) on its upper left and grey
//      (128,128,128) on its lower right and a small white highlight at its upper left; the red
//      lit lamp is a little smaller, the black unlit one smaller still. Everything else is
//      magenta (255,0,255): the control lets the background through there.
//  leds_20.bmp, leds_24.bmp, leds_32.bmp (bitmaps 136, 137, 138), the same sheet for 125, 150
//      and 200 % display scaling: cells of 20, 24 and 32 pixels, discs and rims scaled to them.
//  lamp_dark.bmp (bitmap 130) and lamp_lit.bmp (bitmap 131), a channel lamp dark and lit:
//      20 x 40 pixels, 24 bits per pixel, solid (62,109,46) and (51,236,55).
//  Kestrane.ico (icon 128), the application icon, with alpha: a banknote
//      behind a gold coin, over a blue pulse train of the serial line the program listens to.
//  start.ico, close.ico, setting.ico (icons 133, 134, 135), the command buttons' icons, with
//      alpha, drawn to read at a glance beside a caption:
//      Start/Stop, a green triangle pointing right with a small red square over its lower
//      right corner; Close, a wooden door with a brass knob and a red arrow leaving it to the
//      right; Setting, three grey slider tracks with blue knobs at different places.
//  Every icon holds images of 32, 16, 20, 24, 40, 48 and 64 pixels, in that order: the default
//      size first, then the small one and those of 125 to 200 % scaling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The sprite sheet with cells of cell pixels (16 at 96 dpi).
Bytes MakeLedSheet(int cell = 16);
Bytes MakeSolidLamp(std::uint8_t r, std::uint8_t g, std::uint8_t b);
Bytes MakeAppIcon();
Bytes MakeStartIcon();
Bytes MakeCloseIcon();
Bytes MakeSettingIcon();

struct ArtworkFile
{
    std::string name; // file name in res/
    Bytes bytes;
};
// Every picture above, with its file name.
std::vector<ArtworkFile> MakeAllArtwork();
