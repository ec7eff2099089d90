// Drawing and file encoding of the program's pictures (BMP and ICO, little-endian by hand).
#include "Artwork.h"

#include <algorithm>
#include <cmath>

namespace
{
void Put16(Bytes& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER; for icons the height counts the colour image and the mask.
void PutInfoHeader(Bytes& out, int width, int height, int bitCount, std::uint32_t imageSize,
                   std::uint32_t colorsUsed)
{
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bitCount));
    Put32(out, 0); // BI_RGB
    Put32(out, imageSize);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, colorsUsed);
    Put32(out, 0);
}

void PutFileHeader(Bytes& out, std::uint32_t fileSize, std::uint32_t bitsOffset)
{
    out.push_back('B');
    out.push_back('M');
    Put32(out, fileSize);
    Put32(out, 0);
    Put32(out, bitsOffset);
}

struct Rgb
{
    std::uint8_t r, g, b;
};

// The standard 16-colour palette, in its usual index order.
const Rgb kPalette16[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
enum Pal : std::uint8_t
{
    kBlack = 0,
    kMaroon = 1,
    kGreen = 2,
    kOlive = 3,
    kNavy = 4,
    kSilver = 7,
    kGrey = 8,
    kRed = 9,
    kLime = 10,
    kYellow = 11,
    kBlue = 12,
    kMagenta = 13,
    kWhite = 15
};

// Rows that a disc of radius r (in half pixels) about the corner between four pixels covers.
int DiscRows(int r)
{
    int k = 1; // an odd distance from the centre, in half pixels, to a pixel's middle
    while ((k + 2) * (k + 2) + 1 <= r * r)
        k += 2;
    return k * k + 1 <= r * r ? k + 1 : 0;
}

// The radius for a larger cell that covers the 16-pixel disc's rows scaled, to the nearest even
// count: a disc of radius 2n half pixels covers exactly 2n rows. Scaling the radius itself would
// grow the discs more than the cell, as a disc's edge lies inside its radius.
int ScaledRadius(int r16, int cell)
{
    return cell == 16 ? r16 : 2 * ((DiscRows(r16) * cell + 16) / 32);
}

// One lamp of a sheet of cells of the given size. Distances are measured in half pixels from
// the cell centre so that the discs are exactly symmetric and the arithmetic stays integral.
std::uint8_t LampPixel(int x, int y, std::uint8_t fill, int diameter16, int cell)
{
    const int dx = 2 * x + 1 - cell, dy = 2 * y + 1 - cell;
    const int d2 = dx * dx + dy * dy;
    const int outer = ScaledRadius(diameter16, cell), inner = ScaledRadius(diameter16 - 3, cell);
    if (d2 > outer * outer)
        return kMagenta;
    if (d2 > inner * inner)
        return dx + dy < 0 ? kSilver : kGrey; // rim: lit from the upper left
    // Highlight: a small spot up and left of the centre, about 40 % of the radius out.
    const int h = -(outer * 2) / 5;
    const int hx = dx - h, hy = dy - h;
    if (hx * hx + hy * hy <= 5 * cell * cell / 256)
        return kWhite;
    return fill;
}
} // namespace

Bytes MakeLedSheet(int cell)
{
    // 3 x 8 cells at 4 bits a pixel, each row in whole DWORDs.
    const int width = 3 * cell, height = 8 * cell, stride = (width * 4 + 31) / 32 * 4;
    std::vector<std::uint8_t> pixels(width * height, kMagenta);
    const std::uint8_t lit[5] = {kRed, kLime, kYellow, kBlue, kBlack};
    const std::uint8_t unlit[5] = {kMaroon, kGreen, kOlive, kNavy, kBlack};
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
        {
            std::uint8_t fill = col == 0 ? lit[row] : col == 1 ? unlit[row] : std::uint8_t{kGrey};
            int diameter = col == 2 ? 15 : 13; // grey lamps are the largest
            if (row == 0 && col == 0)
                diameter = 12; // the red lit lamp is a little smaller
            if (row == 4 && col == 1)
                diameter = 10; // the black unlit lamp smaller still
            for (int y = 0; y < cell; ++y)
                for (int x = 0; x < cell; ++x)
                    pixels[(row * cell + y) * width + col * cell + x] =
                        LampPixel(x, y, fill, diameter, cell);
        }

    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * height),
                        bitsOffset = 14 + 40 + 16 * 4;
    Bytes out;
    PutFileHeader(out, bitsOffset + imageSize, bitsOffset);
    PutInfoHeader(out, width, height, 4, imageSize, 16);
    for (const Rgb& c : kPalette16)
    {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) // bottom-up
    {
        for (int x = 0; x < width; x += 2)
            out.push_back(
                static_cast<std::uint8_t>(pixels[y * width + x] << 4 | pixels[y * width + x + 1]));
        out.resize(out.size() + stride - width / 2, 0);
    }
    return out;
}

Bytes MakeSolidLamp(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    const int width = 20, height = 40, stride = 60; // 20 x 3 bytes is already whole DWORDs
    const std::uint32_t imageSize = stride * height, bitsOffset = 14 + 40;
    Bytes out;
    PutFileHeader(out, bitsOffset + imageSize, bitsOffset);
    PutInfoHeader(out, width, height, 24, imageSize, 0);
    for (int i = 0; i < width * height; ++i)
    {
        out.push_back(b);
        out.push_back(g);
        out.push_back(r);
    }
    return out;
}

namespace
{
// The icon is drawn as shapes in a 32 x 32 unit square and sampled 4 x 4 per pixel, so that
// both sizes come from one drawing with smooth edges.
struct Rgba
{
    double r, g, b, a;
};

// A drawing in the 32 x 32 unit square: the colour at a point for an image of the given size.
using IconDrawing = Rgba (*)(double x, double y, int size);

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double vx = bx - ax, vy = by - ay;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((px - ax) * vx + (py - ay) * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double qx = ax + t * vx - px, qy = ay + t * vy - py;
    return std::sqrt(qx * qx + qy * qy);
}

bool InRoundRect(double x, double y, double l, double t, double r, double b, double radius)
{
    const double cx = std::clamp(x, l + radius, r - radius);
    const double cy = std::clamp(y, t + radius, b - radius);
    return x >= l && x <= r && y >= t && y <= b &&
           (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool InCircle(double x, double y, double cx, double cy, double radius)
{
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// The application icon's colour at one point of the drawing, or nothing (alpha 0). Topmost
// shape first.
Rgba AppIconPoint(double x, double y, int size)
{
    const double traceWidth = size >= 32 ? 1.8 : 2.6; // stays at least a pixel wide when small
    // The serial line: a pulse train along the bottom.
    static const double trace[][2] = {
        {1, 28.5},    {6, 28.5},    {6, 24.5},  {10, 24.5}, {10, 28.5}, {13, 28.5}, {13, 24.5},
        {15.5, 24.5}, {15.5, 28.5}, {20, 28.5}, {20, 24.5}, {26, 24.5}, {26, 28.5}, {31, 28.5}};
    for (size_t i = 0; i + 1 < sizeof trace / sizeof trace[0]; ++i)
        if (SegmentDistance(x, y, trace[i][0], trace[i][1], trace[i + 1][0], trace[i + 1][1]) <=
            traceWidth / 2)
            return {25, 85, 210, 1};
    // The coin: rim, face and an engraved ring.
    if (InCircle(x, y, 21.5, 17, 8.5))
    {
        if (!InCircle(x, y, 21.5, 17, 7.3))
            return {150, 100, 10, 1};
        if (InCircle(x, y, 21.5, 17, 5.6) && !InCircle(x, y, 21.5, 17, 4.6))
            return {195, 140, 20, 1};
        if (InCircle(x, y, 19, 14.5, 1.6))
            return {255, 240, 170, 1}; // glint
        return {238, 190, 50, 1};
    }
    // The banknote: border, paper and an oval portrait frame.
    if (InRoundRect(x, y, 1.5, 4, 24.5, 20, 2))
    {
        if (!InRoundRect(x, y, 2.7, 5.2, 23.3, 18.8, 1.2))
            return {35, 105, 45, 1};
        const double ex = (x - 11) / 4.2, ey = (y - 12) / 4.6;
        const double e = ex * ex + ey * ey;
        if (e <= 1 && e >= 0.62)
            return {70, 150, 70, 1};
        return {150, 210, 135, 1};
    }
    return {0, 0, 0, 0};
}

// Inside the triangle a, b, c (either winding), and the distance to its nearest edge.
bool InTriangle(double x, double y, const double (&p)[3][2], double* pEdge)
{
    auto side = [&](int i, int j)
    { return (p[j][0] - p[i][0]) * (y - p[i][1]) - (p[j][1] - p[i][1]) * (x - p[i][0]); };
    const double s0 = side(0, 1), s1 = side(1, 2), s2 = side(2, 0);
    const bool inside = (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
    *pEdge = 1e9;
    for (int i = 0; i < 3; ++i)
        *pEdge = std::min(
            *pEdge, SegmentDistance(x, y, p[i][0], p[i][1], p[(i + 1) % 3][0], p[(i + 1) % 3][1]));
    return inside;
}

// Start/Stop (icon 133): a green "go" triangle pointing right, and over its lower right corner
// a small red square for stop; both with a darker rim.
Rgba StartIconPoint(double x, double y, int size)
{
    const double rim = size >= 32 ? 1.4 : 2.2;
    if (InRoundRect(x, y, 18, 18, 29.5, 29.5, 1.8))
    {
        if (!InRoundRect(x, y, 18 + rim, 18 + rim, 29.5 - rim, 29.5 - rim, 1))
            return {135, 22, 22, 1};
        return {218, 52, 44, 1};
    }
    static const double go[3][2] = {{3.5, 3.5}, {3.5, 28.5}, {26, 16}};
    double edge = 0;
    if (InTriangle(x, y, go, &edge))
    {
        if (edge < rim)
            return {22, 112, 42, 1};
        if (InCircle(x, y, 8.5, 11, 1.6))
            return {185, 240, 185, 1}; // glint
        return {62, 188, 78, 1};
    }
    return {0, 0, 0, 0};
}

// Close (icon 134): a wooden door with a brass knob, and a red arrow leaving it to the right.
Rgba CloseIconPoint(double x, double y, int size)
{
    const double rim = size >= 32 ? 1.4 : 2.2;
    static const double head[3][2] = {{22, 14.5}, {22, 29.5}, {31, 22}};
    double edge = 0;
    const bool inHead = InTriangle(x, y, head, &edge);
    const bool inShaft = x >= 12 && x <= 23 && y >= 19 && y <= 25;
    if (inHead || inShaft)
    {
        const bool onRim = inHead ? edge < rim && !(x < 22.5 && y > 19 + rim && y < 25 - rim)
                                  : (y < 19 + rim || y > 25 - rim || x < 12 + rim);
        return onRim ? Rgba{125, 20, 20, 1} : Rgba{214, 50, 42, 1};
    }
    if (InRoundRect(x, y, 5, 2, 21, 30, 1.2))
    {
        if (!InRoundRect(x, y, 5 + rim, 2 + rim, 21 - rim, 30 - rim, 0.6))
            return {92, 56, 24, 1};
        if (InCircle(x, y, 17.5, 16, 1.5))
            return {240, 200, 64, 1};
        // Two sunk panels, as a door has.
        const bool upper = InRoundRect(x, y, 8.5, 5.5, 17.5, 13, 0.5) &&
                           !InRoundRect(x, y, 9.5, 6.5, 16.5, 12, 0.3);
        if (upper)
            return {128, 80, 36, 1};
        return {176, 116, 58, 1};
    }
    return {0, 0, 0, 0};
}

// Setting (icon 135): three slider tracks with their knobs at different places, the line
// settings one adjusts before listening.
Rgba SettingIconPoint(double x, double y, int size)
{
    const double rim = size >= 32 ? 1.2 : 2.0;
    const double rows[3] = {7, 16, 25};
    const double knobs[3] = {10, 22, 15};
    for (int i = 0; i < 3; ++i)
    {
        const double l = knobs[i] - 3, r = knobs[i] + 3, t = rows[i] - 4.5, b = rows[i] + 4.5;
        if (InRoundRect(x, y, l, t, r, b, 1.2))
        {
            if (!InRoundRect(x, y, l + rim, t + rim, r - rim, b - rim, 0.6))
                return {26, 56, 124, 1};
            return y < rows[i] - 1 ? Rgba{120, 170, 236, 1} : Rgba{60, 120, 212, 1};
        }
    }
    for (double row : rows)
        if (InRoundRect(x, y, 2, row - 1.2, 30, row + 1.2, 1.2))
            return {104, 106, 118, 1};
    return {0, 0, 0, 0};
}

// One icon image: BITMAPINFOHEADER, BGRA bottom-up, then the AND mask (1 where transparent).
Bytes IconImage(int size, IconDrawing draw)
{
    const double scale = 32.0 / size;
    std::vector<Rgba> px(static_cast<size_t>(size * size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            Rgba sum = {0, 0, 0, 0};
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                {
                    Rgba c = draw((x + (sx + 0.5) / 4) * scale, (y + (sy + 0.5) / 4) * scale, size);
                    sum = {sum.r + c.r * c.a, sum.g + c.g * c.a, sum.b + c.b * c.a, sum.a + c.a};
                }
            Rgba& p = px[static_cast<size_t>(y * size + x)];
            p = sum.a > 0 ? Rgba{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / 16}
                          : Rgba{0, 0, 0, 0};
        }
    auto byte = [](double v)
    { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); };

    const int maskStride = ((size + 31) / 32) * 4;
    Bytes out;
    PutInfoHeader(out, size, size * 2, 32,
                  static_cast<std::uint32_t>(size * size * 4 + maskStride * size), 0);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x)
        {
            const Rgba& p = px[static_cast<size_t>(y * size + x)];
            out.push_back(byte(p.b));
            out.push_back(byte(p.g));
            out.push_back(byte(p.r));
            out.push_back(byte(p.a * 255));
        }
    for (int y = size - 1; y >= 0; --y)
    {
        Bytes row(static_cast<size_t>(maskStride), 0);
        for (int x = 0; x < size; ++x)
            if (byte(px[static_cast<size_t>(y * size + x)].a * 255) == 0)
                row[static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
} // namespace

namespace
{
// An icon file of seven images: 32 x 32 first, as the system's default size is taken from
// there, then 16 x 16 and the sizes of 125 to 200 % scaling.
Bytes MakeIcon(IconDrawing draw)
{
    const int sizes[] = {32, 16, 20, 24, 40, 48, 64};
    std::vector<Bytes> images;
    for (int s : sizes)
        images.push_back(IconImage(s, draw));
    Bytes out;
    Put16(out, 0);
    Put16(out, 1); // icon
    Put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i)
    {
        out.push_back(static_cast<std::uint8_t>(sizes[i]));
        out.push_back(static_cast<std::uint8_t>(sizes[i]));
        out.push_back(0); // no palette
        out.push_back(0);
        Put16(out, 1);  // planes
        Put16(out, 32); // bits per pixel
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}
} // namespace

Bytes MakeAppIcon()
{
    return MakeIcon(AppIconPoint);
}

Bytes MakeStartIcon()
{
    return MakeIcon(StartIconPoint);
}

Bytes MakeCloseIcon()
{
    return MakeIcon(CloseIconPoint);
}

Bytes MakeSettingIcon()
{
    return MakeIcon(SettingIconPoint);
}

std::vector<ArtworkFile> MakeAllArtwork()
{
    return {{"leds.bmp", MakeLedSheet(16)},
            {"leds_20.bmp", MakeLedSheet(20)},
            {"leds_24.bmp", MakeLedSheet(24)},
            {"leds_32.bmp", MakeLedSheet(32)},
            {"lamp_dark.bmp", MakeSolidLamp(62, 109, 46)},
            {"lamp_lit.bmp", MakeSolidLamp(51, 236, 55)},
            {"Kestrane.ico", MakeAppIcon()},
            {"start.ico", MakeStartIcon()},
            {"close.ico", MakeCloseIcon()},
            {"setting.ico", MakeSettingIcon()}};
}
