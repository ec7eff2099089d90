// DPI scaling maths and the reading of an extended dialog template (DLGTEMPLATEEX).
#include "win/DpiScale.h"

namespace
{
int MulDivRound(int n, int num, int den)
{
    const long long p = static_cast<long long>(n) * num;
    return static_cast<int>(p >= 0 ? (p + den / 2) / den : -((-p + den / 2) / den));
}

// Little-endian reads within [0, n); each fails (false) rather than read past the end.
class CTemplateReader
{
public:
    CTemplateReader(const std::uint8_t* p, std::size_t n) : m_p(p), m_n(n) {}
    bool Word(unsigned& v)
    {
        if (m_i + 2 > m_n)
            return false;
        v = m_p[m_i] | m_p[m_i + 1] << 8;
        m_i += 2;
        return true;
    }
    bool Dword(unsigned& v)
    {
        unsigned lo = 0, hi = 0;
        return Word(lo) && Word(hi) && ((v = lo | hi << 16), true);
    }
    bool Short(int& v)
    {
        unsigned w = 0;
        return Word(w) && ((v = static_cast<std::int16_t>(w)), true);
    }
    bool Skip(std::size_t n) { return (m_i += n) <= m_n; }
    // A name or an ordinal: nothing (0), 0xFFFF and a number, or a zero-ended string.
    bool SkipNameOrOrdinal()
    {
        unsigned w = 0;
        if (!Word(w))
            return false;
        if (w == 0xFFFF)
            return Skip(2);
        return SkipToZero(w);
    }
    bool SkipString()
    {
        unsigned w = 0;
        return Word(w) && SkipToZero(w);
    }
    void AlignToDword() { m_i = (m_i + 3) & ~std::size_t{3}; }

private:
    bool SkipToZero(unsigned w)
    {
        while (w != 0)
            if (!Word(w))
                return false;
        return true;
    }

    const std::uint8_t* m_p;
    std::size_t m_n;
    std::size_t m_i = 0;
};
} // namespace

int ScaleToDpi(int n, unsigned dpi)
{
    return MulDivRound(n, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

unsigned FitDpi(unsigned dpi, PixelSize client96, PixelSize frame, PixelSize work)
{
    auto fits = [&](unsigned d)
    {
        return frame.cx + ScaleToDpi(client96.cx, d) <= work.cx &&
               frame.cy + ScaleToDpi(client96.cy, d) <= work.cy;
    };
    while (dpi > kBaseDpi / 2 && !fits(dpi))
        --dpi;
    return dpi;
}

int NearestSize(int want, const int* sizes, std::size_t count)
{
    int best = count > 0 ? sizes[0] : want;
    for (std::size_t i = 1; i < count; ++i)
        if ((sizes[i] > want ? sizes[i] - want : want - sizes[i]) <
            (best > want ? best - want : want - best))
            best = sizes[i];
    return best;
}

int DialogUnitsToPixels(int units, int baseUnit, int divisor)
{
    return MulDivRound(units, baseUnit, divisor);
}

bool ReadDialogGeometry(const std::uint8_t* p, std::size_t n, DialogGeometry& out)
{
    const unsigned kSetFont = 0x40;
    CTemplateReader r(p, n);
    unsigned version = 0, signature = 0, style = 0, count = 0;
    int x = 0, y = 0;
    out = DialogGeometry();
    if (!r.Word(version) || !r.Word(signature) || version != 1 || signature != 0xFFFF ||
        !r.Skip(8) || !r.Dword(style) || !r.Word(count) || !r.Short(x) || !r.Short(y) ||
        !r.Short(out.cx) || !r.Short(out.cy) || !r.SkipNameOrOrdinal() || !r.SkipNameOrOrdinal() ||
        !r.SkipString())
        return false;
    if (style & kSetFont)
    {
        unsigned points = 0;
        if (!r.Word(points) || !r.Skip(4) || !r.SkipString())
            return false;
        out.pointSize = static_cast<int>(points);
    }
    for (unsigned i = 0; i < count; ++i)
    {
        DialogItemGeometry item = {};
        unsigned extra = 0;
        r.AlignToDword();
        if (!r.Skip(12) || !r.Short(item.x) || !r.Short(item.y) || !r.Short(item.cx) ||
            !r.Short(item.cy) || !r.Dword(item.id) || !r.SkipNameOrOrdinal() ||
            !r.SkipNameOrOrdinal() || !r.Word(extra) || !r.Skip(extra))
            return false;
        out.items.push_back(item);
    }
    return true;
}
