// kestrane-decode: the offline decoder for field engineers and for whoever reconciles a day's
// cash. Feeds a captured byte stream (raw, or hex text with --hex), or the monitor's daily logs
// (--log), through the program's own frame decoder and prints the frames it accepts.
// Portable: builds natively and as a Windows console program.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "frames/LogLine.h"
#include "tools/decode/FrameReport.h"
#include "tools/decode/HtmlReport.h"
#include "tools/decode/LogReader.h"

#ifdef __MINGW32__
// A wildcard is expanded below, in name order; the runtime's own expansion keeps whatever
// order the folder lists.
extern "C"
{
    int _dowildcard = 0;
}
#endif

namespace
{
const char kUsage[] =
    "usage: kestrane-decode [--hex] [--stats] [FILE]\n"
    "       kestrane-decode --log [--csv [--source] | --summary | --html OUT] [--from TIME]\n"
    "                       [--to TIME] FILE...\n"
    "\n"
    "Decodes a captured acceptor byte stream from FILE, or standard input when FILE is absent\n"
    "or \"-\", and prints one line per valid frame:\n"
    "  KIND HEXDUMP [channel=N value=V count=C]\n"
    "KIND is note-read, block, counterfeit or ok; note reads add their channel byte, value and\n"
    "the notes counted on that channel so far (channels outside 1..12 are never counted).\n"
    "  --hex      the input is hex text: bytes as pairs of hex digits, separated by white\n"
    "             space; lines that begin with '#' are skipped, so the virtual acceptor's\n"
    "             echo decodes as it is\n"
    "  --stats    end with totals per kind, of frames dropped for a bad checksum, and of an\n"
    "             unfinished frame at the end of the input\n"
    "\n"
    "  --log      reads the monitor's daily logs (Log\\YYYY-MM-DD.log, and its parts\n"
    "             YYYY-MM-DD.NNN.log): a frame a line, \"[YYYY-MM-DD HH:MM:SS]  \" then its hex\n"
    "             dump, lines ending in CR LF or LF. A line that holds anything but exactly\n"
    "             one valid frame is reported on standard error as FILE:LINE: why, counted\n"
    "             and passed over. The frames of all the files are taken in time order (of\n"
    "             the same second, in the order read), whatever the order of the files, and\n"
    "             counts run across them; on Windows the program itself expands a name with\n"
    "             * or ?, as cmd.exe does not, so Log\\2026-12-07*.log is the whole day, and a\n"
    "             * may also stand for folders: Fleet\\*\\Log\\*.log. Prints, by default, the\n"
    "             time and the frame's line as above:\n"
    "               2026-12-07 11:22:33 note-read 97 ... channel=5 value=20 count=3\n"
    "  --csv      with --log: a header time,kind,channel,value, then a row a frame; channel\n"
    "             (the frame's channel byte as it stands) and value for note reads only:\n"
    "               2026-12-07 11:22:33,note-read,5,20\n"
    "               2026-12-07 11:22:40,block,,\n"
    "  --source   with --csv: a last column, the folder of the frame's file as given, so the\n"
    "             rows of a fleet's logs (one folder per PC) tell the machines apart\n"
    "  --summary  with --log: the notes read per channel and value, in channel then value\n"
    "             order, the sum of value times notes over them, then the other kinds, the\n"
    "             bad lines and the first and last time:\n"
    "               channel 5  value 20  notes 3\n"
    "               total-value 60\n"
    "               block N, counterfeit N, ok N, bad-lines N (a line each)\n"
    "               from 2026-12-07 08:00:01 to 2026-12-07 18:42:10\n"
    "  --html OUT with --log: writes the same figures as one HTML page to OUT, to open in\n"
    "             a browser, print or mail: the period and files, the headline figures,\n"
    "             cash by value and by channel, a chart of the value taken per hour (per\n"
    "             day past two days), the counterfeits and blocks, the bad lines, and a\n"
    "             table by folder when the files come from more than one; nothing else is\n"
    "             printed. The page appears only whole: with status 2 there is none.\n"
    "  --from TIME, --to TIME\n"
    "             with --log, in any form: only the frames stamped from <= time < to, TIME\n"
    "             being \"YYYY-MM-DD HH:MM:SS\" and --from before --to (a shift, a day, a cash\n"
    "             collection period); lines outside are left out silently, though a bad one\n"
    "             is still reported\n"
    "\n"
    "  --         what follows is files, even a name that begins with '-'\n"
    "  --help     show this text\n"
    "\n"
    "Exit status of a stream: 0 done, 1 output could not be written, 2 bad usage or\n"
    "unreadable input. Of --log: 0 every line was a valid frame, 1 some were not (known after\n"
    "all output), 2 bad usage, a file that cannot be read or output that cannot be written.\n";

// Reads hex text a chunk at a time: pairs of digits make bytes, white space separates them,
// a line whose first mark is '#' is a comment. Lines end in LF, CR LF or CR alone.
class CHexReader
{
public:
    // Feeds the bytes of one chunk to the report; false and a message on bad text.
    bool Feed(const char* p, size_t n, CFrameReport& report, std::string& error)
    {
        for (size_t i = 0; i < n; ++i)
        {
            const int c = static_cast<unsigned char>(p[i]);
            const int previous = m_nPrevious;
            m_nPrevious = c;
            if (c == '\r' || c == '\n')
            {
                if (!Finish(error))
                    return false;
                if (c == '\r' || previous != '\r')
                    ++m_nLine;
                m_bComment = false;
                m_bLineStart = true;
                continue;
            }
            if (m_bComment)
                continue;
            if (c == '#' && m_bLineStart)
            {
                m_bComment = true;
                continue;
            }
            const int digit = HexDigitValue(c);
            if (digit >= 0)
            {
                m_bLineStart = false;
                if (m_nHigh < 0)
                    m_nHigh = digit;
                else
                {
                    const std::uint8_t b = static_cast<std::uint8_t>(m_nHigh * 16 + digit);
                    report.Feed(&b, 1);
                    m_nHigh = -1;
                }
                continue;
            }
            if (c != ' ' && c != '\t' && c != '\f' && c != '\v')
            {
                char buf[80];
                if (c > ' ' && c < 0x7f)
                    std::snprintf(buf, sizeof buf, "line %ld: not a hex digit: '%c'", m_nLine, c);
                else
                    std::snprintf(buf, sizeof buf, "line %ld: not a hex digit: byte 0x%02x",
                                  m_nLine, c);
                error = buf;
                return false;
            }
            if (!Finish(error))
                return false;
        }
        return true;
    }

    // The end of a token or of the input: a lone digit there is an odd count.
    bool Finish(std::string& error)
    {
        if (m_nHigh < 0)
            return true;
        error = "line " + std::to_string(m_nLine) + ": odd number of hex digits";
        return false;
    }

private:
    int m_nHigh = -1; // first digit of a byte, -1 for none
    long m_nLine = 1;
    int m_nPrevious = -1;     // the character before, for CR LF
    bool m_bLineStart = true; // only blanks so far on this line
    bool m_bComment = false;
};

int Fail(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "kestrane-decode: %s\n", message.c_str());
    return 2;
}

// Flushes the output; false, with the message printed, when it could not be written.
bool OutputWritten()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::fputs("kestrane-decode: cannot write the output\n", stderr);
    return false;
}

int DecodeStream(const char* path, bool hex, bool stats)
{
    std::FILE* in = stdin;
    std::string name = "standard input";
    if (path && std::strcmp(path, "-") != 0)
    {
        in = std::fopen(path, "rb");
        name = path;
        if (!in)
            return Fail("cannot open " + name + ": " + std::strerror(errno));
    }
#ifdef _WIN32
    else
    {
        // A text-mode stdin would end a capture at its first 0x1a byte and eat CRs.
        _setmode(_fileno(stdin), _O_BINARY);
    }
#endif

    CFrameReport report(stdout, CFrameReport::Form::Lines);
    CHexReader hexReader;
    std::string error;
    static char buf[1 << 16];
    size_t n;
    while (error.empty() && (n = std::fread(buf, 1, sizeof buf, in)) > 0)
    {
        if (hex)
            hexReader.Feed(buf, n, report, error);
        else
            report.Feed(reinterpret_cast<const std::uint8_t*>(buf), n);
    }
    if (error.empty() && std::ferror(in))
        error = std::string("cannot read: ") + std::strerror(errno);
    if (error.empty() && hex)
        hexReader.Finish(error);
    if (in != stdin)
        std::fclose(in);
    if (!error.empty())
        return Fail(name + ": " + error);

    if (stats)
        report.PrintStats();
    return OutputWritten() ? 0 : 1;
}

#ifdef _WIN32
// Name order, case aside: a day's parts sort before its current file, days by date.
bool NameOrder(const std::string& a, const std::string& b)
{
    const auto lower = [](std::string s)
    {
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string la = lower(a), lb = lower(b);
    return la != lb ? la < lb : a < b;
}

// The entries of one folder that a part with * or ? matches, folders or files, in name order.
std::vector<std::string> Matches(const std::string& pattern, bool folders)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const HANDLE hFind = ::FindFirstFileA(pattern.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        const std::string name = data.cFileName;
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder == folders && name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileA(hFind, &data));
    ::FindClose(hFind);
    std::sort(names.begin(), names.end(), NameOrder);
    return names;
}

// The files that prefix + rest names, a wildcard allowed in any part: Fleet\*\Log\*.log
// gives each machine's logs, machine by machine.
void Expand(const std::string& prefix, const std::string& rest, std::vector<std::string>& files)
{
    const std::size_t sep = rest.find_first_of("\\/");
    const bool last = sep == std::string::npos;
    const std::string part = rest.substr(0, sep);
    const std::vector<std::string> names = part.find_first_of("*?") == std::string::npos
                                               ? std::vector<std::string>{part}
                                               : Matches(prefix + part, !last);
    for (const std::string& name : names)
        if (last)
            files.push_back(prefix + name);
        else
            Expand(prefix + name + rest[sep], rest.substr(sep + 1), files);
}

// cmd.exe hands "Log\*.log" over as typed. The files it matches, or the name itself when it
// has no wildcard or matches none, so that it is reported as given.
void AddExpanded(const std::string& arg, std::vector<std::string>& files)
{
    std::vector<std::string> found;
    if (arg.find_first_of("*?") != std::string::npos)
        Expand("", arg, found);
    if (found.empty())
        found.push_back(arg);
    files.insert(files.end(), found.begin(), found.end());
}
#else
// The shell has expanded the names already.
void AddExpanded(const std::string& arg, std::vector<std::string>& files)
{
    files.push_back(arg);
}
#endif

bool EndsWithLog(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".log";
}

struct LogOptions
{
    CFrameReport::Form form = CFrameReport::Form::Lines;
    bool source = false; // --source
    std::string html;    // --html OUT
    long long from = std::numeric_limits<long long>::min();
    long long to = std::numeric_limits<long long>::max();
};

std::string LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    char text[32] = "-";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}

#ifdef _WIN32
// The names arrive in the ANSI code page, the page is UTF-8: a folder named in another
// script would otherwise show as replacement marks.
std::string AnsiToUtf8(const std::string& text)
{
    const int size = static_cast<int>(text.size());
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (size == 0 || wide <= 0)
        return text;
    std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &utf16[0], wide);
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}
const TextToUtf8 kNamesToUtf8 = AnsiToUtf8;
#else
const TextToUtf8 kNamesToUtf8 = nullptr;
#endif

// Puts the finished page in place of whatever OUT held; the reason when it could not.
std::string ReplaceFile(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    // The C library's rename refuses an existing target there.
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return {};
    return "Windows error " + std::to_string(::GetLastError());
#else
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::string() : std::strerror(errno);
#endif
}

int DecodeLogs(const std::vector<std::string>& paths, const LogOptions& o)
{
    // Every file is tried before anything is printed: a report that silently lacks a day
    // would pass for a whole one.
    bool allOpen = true;
    for (const std::string& path : paths)
    {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (!in)
        {
            Fail("cannot open " + path + ": " + std::strerror(errno));
            allOpen = false;
        }
        else
            std::fclose(in);
    }
    if (!allOpen)
        return 2;

    // The page is written beside OUT and put in its place only when whole, so a failed run
    // leaves no half page and an earlier page stays as it was.
    const std::string part = o.html + ".part";
    std::FILE* page = nullptr;
    if (!o.html.empty() && !(page = std::fopen(part.c_str(), "wb")))
        return Fail("cannot write " + part + ": " + std::strerror(errno));
    const auto failPage = [&](const std::string& message)
    {
        if (page)
        {
            std::fclose(page);
            std::remove(part.c_str());
        }
        return Fail(message);
    };

    CFrameReport report(stdout, o.form, o.source);
    CLogReader reader(report, stderr);
    reader.SetWindow(o.from, o.to);
    for (const std::string& path : paths)
    {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (!in)
            return failPage("cannot open " + path + ": " + std::strerror(errno));
        std::string error;
        const bool read = reader.Read(in, path, error);
        std::fclose(in);
        if (!read)
            return failPage(error);
    }
    reader.Finish();
    if (page)
    {
        const bool written =
            WriteHtmlReport(page, report.Totals(), o.from, o.to, LocalTimeNow(), kNamesToUtf8) &&
            !std::ferror(page);
        if (std::fclose(page) != 0 || !written)
        {
            page = nullptr;
            std::remove(part.c_str());
            return Fail("cannot write " + part);
        }
        const std::string why = ReplaceFile(part, o.html);
        if (!why.empty())
        {
            std::remove(part.c_str());
            return Fail("cannot write " + o.html + ": " + why);
        }
    }
    else if (o.form == CFrameReport::Form::Summary)
        report.PrintSummary();
    if (!OutputWritten())
        return 2;
    return report.BadLines() > 0 ? 1 : 0;
}
} // namespace

int main(int argc, char** argv)
{
    bool hex = false, stats = false, log = false, csv = false, summary = false, html = false;
    bool options = true; // until "--"
    std::vector<std::string> files;
    LogOptions o;
    bool window = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (options && (arg == "--help" || arg == "-h"))
        {
            std::fputs(kUsage, stdout);
            return OutputWritten() ? 0 : 2;
        }
        if (options && arg == "--")
            options = false;
        else if (options && arg == "--hex")
            hex = true;
        else if (options && arg == "--stats")
            stats = true;
        else if (options && arg == "--log")
            log = true;
        else if (options && arg == "--csv")
            csv = true;
        else if (options && arg == "--summary")
            summary = true;
        else if (options && arg == "--source")
            o.source = true;
        else if (options && arg == "--html")
        {
            if (i + 1 == argc)
                return Fail("--html wants the page's file name");
            o.html = argv[++i];
            html = true;
        }
        else if (options && (arg == "--from" || arg == "--to"))
        {
            if (i + 1 == argc)
                return Fail(arg + " wants a time \"YYYY-MM-DD HH:MM:SS\"");
            const std::string why = ParseLogTime(argv[++i], arg == "--from" ? o.from : o.to);
            if (!why.empty())
                return Fail(arg + ": " + why);
            window = true;
        }
        else if (options && arg.size() > 1 && arg[0] == '-')
            return Fail("unknown option " + arg + "\n" + kUsage);
        else
            AddExpanded(arg, files);
    }

    if (!log)
    {
        if (csv || summary || html || o.source)
            return Fail("--csv, --source, --summary and --html are forms of --log");
        if (window)
            return Fail("--from and --to are for --log");
        if (files.size() > 1)
            return Fail("only one input file, not also " + files[1]);
        return DecodeStream(files.empty() ? nullptr : files[0].c_str(), hex, stats);
    }
    if (hex || stats)
        return Fail("--hex and --stats are for streams, not for --log");
    if (csv + summary + html > 1)
        return Fail("--csv, --summary and --html exclude each other");
    if (o.source && !csv)
        return Fail("--source is a column of --csv");
    // A forgotten OUT would take the first log's name, and the page would replace that log.
    if (html && (o.html.empty() || EndsWithLog(o.html)))
        return Fail("--html wants the page's file name, not a log's: \"" + o.html + "\"");
    // An empty window would pass for a period without a frame.
    if (o.from >= o.to)
        return Fail("--from must come before --to");
    if (files.empty())
        return Fail("--log wants at least one FILE");
    o.form = csv               ? CFrameReport::Form::Csv
             : summary || html ? CFrameReport::Form::Summary
                               : CFrameReport::Form::Lines;
    return DecodeLogs(files, o);
}
