// The summary's lines, and drawing the cash report page: the figures, the tables and an SVG
// chart of the day.
#include "decode/HtmlReport.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <map>
#include <vector>

#include "frames/LogLine.h"

namespace
{
// Print keeps tables and charts whole on A4; the screen gets a comfortable column.
const char kStyle[] =
    "body{font:14px/1.45 sans-serif;color:#222;max-width:62em;margin:1.5em auto;padding:0 1em}\n"
    "h1{font-size:1.7em;margin:0}h2{font-size:1.15em;margin:1.6em 0 .5em;"
    "border-bottom:2px solid #2e7d32}\n"
    ".meta{color:#555;margin:.3em 0 1em}.meta b{color:#222}\n"
    ".figures{display:flex;flex-wrap:wrap;gap:.6em}\n"
    ".figures div{border:1px solid #ccc;border-radius:4px;padding:.4em .9em;min-width:7em}\n"
    ".figures b{display:block;font-size:1.6em}.figures .total{background:#e8f5e9}\n"
    ".figures .alert{background:#fdecea}\n"
    "table{border-collapse:collapse;margin:.3em 0}th,td{padding:.2em .8em;text-align:left;"
    "border-bottom:1px solid #e4e4e4}\n"
    "th{background:#f3f3f3}.n{text-align:right;font-variant-numeric:tabular-nums}\n"
    "tfoot td{font-weight:bold;border-top:2px solid #888}\n"
    "svg{max-width:100%;height:auto}.bar{fill:#2e7d32}.grid{stroke:#ddd}.axis{stroke:#555}\n"
    "svg text{font:11px sans-serif;fill:#444}.share rect{fill:#81c784}\n"
    ".pair{display:flex;flex-wrap:wrap;column-gap:3em}\n"
    ".counterfeit{color:#b71c1c}ul.bad{font-family:monospace;padding-left:1.2em;"
    "overflow-wrap:break-word}\n"
    "@media print{@page{size:A4;margin:14mm}body{max-width:none;margin:0;font-size:10pt}\n"
    "h2{break-after:avoid}tr,svg,.figures,.meta{break-inside:avoid}\n"
    "thead{display:table-header-group}.figures div{border-color:#888;min-width:5em;"
    "padding:.3em .6em}}\n";

std::string Num(long long n)
{
    return std::to_string(n);
}

long long FloorDiv(long long a, long long b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The length of a UTF-8 sequence at p[0..n), or 0 when it is none (overlong forms and
// surrogates included).
std::size_t Utf8Length(const unsigned char* p, std::size_t n)
{
    const unsigned c = p[0];
    std::size_t len = c >= 0xc2 && c <= 0xdf   ? 2
                      : c >= 0xe0 && c <= 0xef ? 3
                      : c >= 0xf0 && c <= 0xf4 ? 4
                                               : 0;
    if (len == 0 || len > n)
        return 0;
    for (std::size_t i = 1; i < len; ++i)
        if ((p[i] & 0xc0) != 0x80)
            return 0;
    if ((c == 0xe0 && p[1] < 0xa0) || (c == 0xed && p[1] > 0x9f) || (c == 0xf0 && p[1] < 0x90) ||
        (c == 0xf4 && p[1] > 0x8f))
        return 0;
    return len;
}

// A small chart of share in a table row, part of whole.
std::string ShareBar(long long part, long long whole)
{
    const double width =
        whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0;
    char svg[160];
    std::snprintf(svg, sizeof svg,
                  "<svg class=\"share\" width=\"100\" height=\"9\" viewBox=\"0 0 100 9\">"
                  "<rect width=\"%.1f\" height=\"9\"/></svg>",
                  width);
    return svg;
}

// The least of 1, 2 or 5 times a power of ten that is at least n.
long long NiceCeiling(long long n)
{
    for (long long p = 1;; p *= 10)
        for (const long long m : {1, 2, 5})
            if (m * p >= n)
                return m * p;
}

class CPage
{
public:
    CPage(const CLogTotals& totals, long long from, long long to, TextToUtf8 toUtf8)
        : m_totals(totals), m_from(from), m_to(to), m_toUtf8(toUtf8)
    {
    }

    std::string Build(const std::string& madeAt)
    {
        Head();
        Period(madeAt);
        Figures();
        if (m_totals.Sources().size() > 1)
            Fleet();
        // Side by side on a wide page, one under the other on a narrow one.
        m_html += "<div class=\"pair\">\n<section>\n";
        ByValue();
        m_html += "</section>\n<section>\n";
        ByChannel();
        m_html += "</section>\n</div>\n";
        Activity();
        Events();
        BadLines();
        m_html += "</body>\n</html>\n";
        return m_html;
    }

private:
    void Head()
    {
        m_html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                  "<title>Cash report " +
                  Text(PeriodStart()) + " to " + Text(PeriodEnd()) + "</title>\n<style>\n" +
                  kStyle + "</style>\n</head>\n<body>\n<h1>Cash report</h1>\n";
    }

    // The window asked for, or else the first and last frame.
    std::string PeriodStart() const
    {
        return m_from != LLONG_MIN ? FormatLogTime(m_from) : Or(m_totals.FirstTime(), "no frame");
    }
    std::string PeriodEnd() const
    {
        return m_to != LLONG_MAX ? FormatLogTime(m_to) : Or(m_totals.LastTime(), "no frame");
    }
    static std::string Or(const std::string& text, const char* otherwise)
    {
        return text.empty() ? otherwise : text;
    }

    void Period(const std::string& madeAt)
    {
        const bool window = m_from != LLONG_MIN || m_to != LLONG_MAX;
        m_html += "<p class=\"meta\">Period <b id=\"from\">" + Text(PeriodStart()) +
                  "</b> to <b id=\"to\">" + Text(PeriodEnd()) + "</b> (" +
                  (window ? "the window asked for, up to but not including its end"
                          : "the first and the last frame") +
                  ")<br>\n";
        const auto& sources = m_totals.Sources();
        m_html +=
            Num(m_totals.Files()) + (m_totals.Files() == 1 ? " file" : " files") + " read from " +
            (sources.size() == 1 ? "the folder "
                                 : Num(static_cast<long long>(sources.size())) + " folders: ");
        bool first = true;
        for (const auto& source : sources)
        {
            m_html += (first ? "<b>" : ", <b>") + Text(source.first) + "</b>";
            first = false;
        }
        m_html += "<br>\nMade " + Text(madeAt) + " by kestrane-decode</p>\n";
    }

    void Figure(const char* id, const char* label, long long n, const char* cls = "")
    {
        m_html += std::string("<div class=\"") + cls + "\"><b id=\"" + id + "\">" + Num(n) +
                  "</b> " + label + "</div>\n";
    }

    void Figures()
    {
        m_html += "<div class=\"figures\">\n";
        Figure("total-value", "total value", m_totals.TotalValue(), "total");
        Figure("notes", "notes", m_totals.Notes());
        const long counterfeits = m_totals.Frames(kKindCounterfeit);
        Figure("counterfeit", "counterfeit attempts", counterfeits, counterfeits ? "alert" : "");
        Figure("block", "blocks", m_totals.Frames(kKindBlock));
        Figure("ok", "OK frames", m_totals.Frames(kKindOk));
        Figure("bad-lines", "bad lines", m_totals.BadLines(), m_totals.BadLines() ? "alert" : "");
        m_html += "</div>\n";
    }

    static std::string Cell(const std::string& text, bool number = false)
    {
        return (number ? "<td class=\"n\">" : "<td>") + text + "</td>";
    }
    static std::string Cell(long long n) { return Cell(Num(n), true); }

    // Starts a table: its id, then the headings, a leading '#' marking a column of numbers.
    void Table(const char* id, std::initializer_list<const char*> headings)
    {
        m_html += std::string("<table id=\"") + id + "\">\n<thead><tr>";
        for (const char* h : headings)
            m_html += h[0] == '#' ? std::string("<th class=\"n\">") + (h + 1) + "</th>"
                                  : std::string("<th>") + h + "</th>";
        m_html += "</tr></thead>\n<tbody>\n";
    }

    void Fleet()
    {
        m_html += "<h2>By machine</h2>\n";
        Table("fleet", {"folder", "#value", "#notes", "#counterfeits", "#blocks", "first frame",
                        "last frame"});
        for (const auto& s : m_totals.Sources())
        {
            const CLogTotals::Source& t = s.second;
            m_html += "<tr>" + Cell(Text(s.first)) + Cell(t.value) + Cell(t.notes) +
                      Cell(t.counterfeits) + Cell(t.blocks) + Cell(Text(Or(t.firstTime, "-"))) +
                      Cell(Text(Or(t.lastTime, "-"))) + "</tr>\n";
        }
        m_html += "</tbody>\n</table>\n";
    }

    void ByValue()
    {
        std::map<int, long> notes;
        for (const auto& n : m_totals.NotesByChannel())
            notes[n.first.second] += n.second;
        const long long total = m_totals.TotalValue();
        m_html += "<h2>Cash by value</h2>\n";
        Table("by-value", {"#value", "#notes", "#subtotal", "share"});
        for (const auto& n : notes)
        {
            const long long subtotal = static_cast<long long>(n.first) * n.second;
            m_html += "<tr>" + Cell(n.first) + Cell(n.second) + Cell(subtotal) + "<td>" +
                      ShareBar(subtotal, total) + "</td></tr>\n";
        }
        m_html += "</tbody>\n<tfoot><tr><td>total</td>" + Cell(m_totals.Notes()) + Cell(total) +
                  "<td></td></tr></tfoot>\n</table>\n";
    }

    void ByChannel()
    {
        struct Channel
        {
            std::string values;
            long notes = 0;
            long long subtotal = 0;
        };
        std::map<int, Channel> channels;
        for (const auto& n : m_totals.NotesByChannel())
        {
            Channel& c = channels[n.first.first];
            c.values += (c.values.empty() ? "" : ", ") + Num(n.first.second);
            c.notes += n.second;
            c.subtotal += static_cast<long long>(n.first.second) * n.second;
        }
        m_html += "<h2>By channel</h2>\n";
        Table("by-channel", {"#channel", "values seen", "#notes", "#subtotal"});
        for (const auto& c : channels)
            m_html += "<tr>" + Cell(c.first) + Cell(c.second.values) + Cell(c.second.notes) +
                      Cell(c.second.subtotal) + "</tr>\n";
        m_html += "</tbody>\n</table>\n";
    }

    void Activity()
    {
        m_html += "<h2>Activity</h2>\n";
        const auto& byHour = m_totals.ValueByHour();
        if (byHour.empty())
        {
            m_html += "<p>No note was read in this period.</p>\n";
            return;
        }
        // The period's whole span, empty hours too; per day past two days, and per several
        // days past 400, so that a bar stays visible on paper.
        // The hours of the notes widen it, so that files given out of time order lose no bar.
        const long long start = std::min(m_from != LLONG_MIN ? m_from : m_totals.FirstSeconds(),
                                         byHour.begin()->first * 3600);
        const long long end = std::max(m_to != LLONG_MAX ? m_to : m_totals.LastSeconds() + 1,
                                       byHour.rbegin()->first * 3600 + 1);
        long long bucket = 3600;
        if (end - start > 2 * 86400)
            bucket = 86400 * std::max(1LL, ((end - start) / 86400 + 399) / 400);
        const long long first = FloorDiv(start, bucket);
        const std::size_t count = static_cast<std::size_t>(FloorDiv(end - 1, bucket) - first + 1);
        std::vector<long long> values(count);
        for (const auto& h : byHour)
        {
            const long long i = FloorDiv(h.first * 3600, bucket) - first;
            if (i >= 0 && i < static_cast<long long>(count))
                values[static_cast<std::size_t>(i)] += h.second;
        }
        const std::string unit = bucket == 3600    ? "hour"
                                 : bucket == 86400 ? "day"
                                                   : Num(bucket / 86400) + " days";
        m_html += "<p>Value taken per " + unit + "; each bar's title gives its figure.</p>\n";
        Chart(values, first, bucket);
    }

    void Chart(const std::vector<long long>& values, long long first, long long bucket)
    {
        const double left = 64, top = 12, width = 646, height = 200, bottom = top + height;
        const long long most =
            NiceCeiling(std::max(1LL, *std::max_element(values.begin(), values.end())));
        const std::size_t count = values.size();
        const double step = width / static_cast<double>(count);
        char buf[400];
        m_html += "<svg id=\"activity\" viewBox=\"0 0 720 262\" width=\"720\" height=\"262\" "
                  "role=\"img\" aria-label=\"value taken over the period\">\n";
        for (int k = 0; k <= 4; ++k)
        {
            const double y = bottom - height * k / 4;
            std::snprintf(buf, sizeof buf,
                          "<line class=\"grid\" x1=\"%.0f\" y1=\"%.1f\" x2=\"%.0f\" y2=\"%.1f\"/>"
                          "<text x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">%lld</text>\n",
                          left, y, left + width, y, left - 6, y + 4, most * k / 4);
            m_html += buf;
        }
        const std::size_t labelEvery = (count + 11) / 12;
        std::string labelledDay;
        for (std::size_t i = 0; i < count; ++i)
        {
            const long long at = (first + static_cast<long long>(i)) * bucket;
            const std::string from = FormatLogTime(at), to = FormatLogTime(at + bucket);
            const std::string title =
                bucket == 3600 ? from.substr(0, 16) + " to " + to.substr(11, 5)
                : bucket == 86400
                    ? from.substr(0, 10)
                    : from.substr(0, 10) + " to " + FormatLogTime(at + bucket - 1).substr(0, 10);
            const double h = height * static_cast<double>(values[i]) / static_cast<double>(most);
            std::snprintf(buf, sizeof buf,
                          "<rect class=\"bar\" x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" "
                          "height=\"%.2f\"><title>%s: %lld</title></rect>\n",
                          left + step * static_cast<double>(i) + step * 0.1, bottom - h,
                          std::max(step * 0.8, 0.5), h, title.c_str(), values[i]);
            m_html += buf;
            if (i % labelEvery != 0)
                continue;
            const double x = left + step * (static_cast<double>(i) + 0.5);
            std::string label = bucket == 3600 ? from.substr(11, 5) : from.substr(5, 5);
            // Hours carry the date under the first label of each day.
            if (bucket == 3600 && from.compare(0, 10, labelledDay) != 0)
            {
                labelledDay = from.substr(0, 10);
                char tspan[80];
                std::snprintf(tspan, sizeof tspan, "<tspan x=\"%.1f\" dy=\"13\">%s</tspan>", x,
                              from.substr(5, 5).c_str());
                label += tspan;
            }
            std::snprintf(buf, sizeof buf,
                          "<text x=\"%.1f\" y=\"%.0f\" text-anchor=\"middle\">%s</text>\n", x,
                          bottom + 16, label.c_str());
            m_html += buf;
        }
        std::snprintf(buf, sizeof buf,
                      "<line class=\"axis\" x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\"/>"
                      "<line class=\"axis\" x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\"/>\n"
                      "<text x=\"14\" y=\"%.0f\" text-anchor=\"middle\" transform=\"rotate(-90 14 "
                      "%.0f)\">value</text><text x=\"%.0f\" y=\"258\" text-anchor=\"middle\">%s"
                      "</text>\n</svg>\n",
                      left, top, left, bottom, left, bottom, left + width, bottom, top + height / 2,
                      top + height / 2, left + width / 2,
                      bucket == 3600    ? "hour (month-day under each new day)"
                      : bucket == 86400 ? "day (month-day)"
                                        : "days (month-day of each bar's first)");
        m_html += buf;
    }

    void Events()
    {
        const long total = m_totals.Frames(kKindCounterfeit) + m_totals.Frames(kKindBlock);
        const bool fleet = m_totals.Sources().size() > 1;
        m_html += "<h2>Events: " + Num(total) + " counterfeit attempts and blocks</h2>\n";
        if (total == 0)
            return;
        if (fleet)
            Table("events", {"time", "event", "folder"});
        else
            Table("events", {"time", "event"});
        for (const CLogTotals::Event& e : m_totals.FirstEvents())
        {
            m_html += "<tr>" + Cell(Text(e.time)) +
                      (e.kind == kKindCounterfeit ? "<td class=\"counterfeit\">counterfeit</td>"
                                                  : "<td>block</td>");
            if (fleet)
                m_html += Cell(e.source ? Text(*e.source) : "");
            m_html += "</tr>\n";
        }
        m_html += "</tbody>\n</table>\n";
        const long shown = static_cast<long>(m_totals.FirstEvents().size());
        if (total > shown)
            m_html += "<p>The first " + Num(shown) + " are listed; " + Num(total - shown) +
                      " more follow in the logs.</p>\n";
    }

    void BadLines()
    {
        const long total = m_totals.BadLines();
        m_html += "<h2>Bad lines: " + Num(total) + "</h2>\n";
        if (total == 0)
        {
            m_html += "<p>Every line read was one valid frame.</p>\n";
            return;
        }
        m_html += "<ul class=\"bad\">\n";
        for (const std::string& where : m_totals.FirstBadLines())
            m_html += "<li>" + Text(where) + "</li>\n";
        m_html += "</ul>\n";
        const long shown = static_cast<long>(m_totals.FirstBadLines().size());
        if (total > shown)
            m_html += "<p>The first " + Num(shown) + " are listed; the decoder names all " +
                      Num(total) + " on its error output.</p>\n";
    }

    std::string Text(const std::string& text) const
    {
        return HtmlText(m_toUtf8 ? m_toUtf8(text) : text);
    }

    const CLogTotals& m_totals;
    const long long m_from, m_to;
    const TextToUtf8 m_toUtf8;
    std::string m_html;
};
} // namespace

std::string HtmlText(const std::string& text)
{
    static const char kReplacement[] = "\xef\xbf\xbd";
    std::string out;
    out.reserve(text.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;)
    {
        const unsigned c = p[i];
        if (c >= 0x80)
        {
            const std::size_t len = Utf8Length(p + i, n - i);
            if (len == 0)
                out += kReplacement;
            else
                out.append(text, i, len);
            i += len == 0 ? 1 : len;
            continue;
        }
        ++i;
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            if ((c < 0x20 && c != '\t') || c == 0x7f)
                out += kReplacement;
            else
                out += static_cast<char>(c);
        }
    }
    return out;
}

bool WriteHtmlReport(std::FILE* out, const CLogTotals& totals, long long from, long long to,
                     const std::string& madeAt, TextToUtf8 toUtf8)
{
    const std::string html = CPage(totals, from, to, toUtf8).Build(madeAt);
    return std::fwrite(html.data(), 1, html.size(), out) == html.size() && std::fflush(out) == 0;
}

void WriteSummary(std::FILE* out, const CLogTotals& totals)
{
    for (const auto& note : totals.NotesByChannel())
        std::fprintf(out, "channel %d  value %d  notes %ld\n", note.first.first, note.first.second,
                     note.second);
    // The cash the lines above account for, to set beside what the cash box holds.
    std::fprintf(out, "total-value %lld\n", totals.TotalValue());
    for (int k = kKindBlock; k < kKinds; ++k)
        std::fprintf(out, "%s %ld\n", kKindNames[k], totals.Frames(static_cast<FrameKind>(k)));
    std::fprintf(out, "bad-lines %ld\n", totals.BadLines());
    const std::string& first = totals.FirstTime();
    const std::string& last = totals.LastTime();
    std::fprintf(out, "from %s to %s\n", first.empty() ? "-" : first.c_str(),
                 last.empty() ? "-" : last.c_str());
}
