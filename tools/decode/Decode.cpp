// kestrane-decode: the offline decoder for field engineers and for whoever reconciles a day's
// cash. Feeds a captured byte stream (raw, or hex text with --hex), or the monitor's daily logs
// (--log), through the program's own frame decoder and prints the frames it accepts.
// Portable: builds natively and as a Windows console program.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
    "       kestrane-decode --log [--csv | --summary] [--from TIME] [--to TIME] FILE...\n"
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
    "             * or ?, as cmd.exe does not, so Log\\2026-12-07*.log is the whole day.\n"
    "             Prints, by default, the time and the frame's line as above:\n"
    "               2026-12-07 11:22:33 note-read 97 ... channel=5 value=20 count=3\n"
    "  --csv      with --log: a header time,kind,channel,value, then a row a frame; channel\n"
    "             (the frame's channel byte as it stands) and value for note reads only:\n"
    "               2026-12-07 11:22:33,note-read,5,20\n"
    "               2026-12-07 11:22:40,block,,\n"
    "  --summary  with --log: the notes read per channel and value, in channel then value\n"
    "             order, the sum of value times notes over them, then the other kinds, the\n"
    "             bad lines and the first and last time:\n"
    "               channel 5  value 20  notes 3\n"
    "               total-value 60\n"
    "               block N, counterfeit N, ok N, bad-lines N (a line each)\n"
    "               from 2026-12-07 08:00:01 to 2026-12-07 18:42:10\n"
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

// cmd.exe hands "Log\*.log" over as typed. The files a name with * or ? matches in its last
// part, in name order; the name itself when it matches none, so that it is reported as given.
void AddExpanded(const std::string& arg, std::vector<std::string>& files)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const HANDLE hFind = arg.find_first_of("*?") == std::string::npos
                             ? INVALID_HANDLE_VALUE
                             : ::FindFirstFileA(arg.c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(data.cFileName);
        while (::FindNextFileA(hFind, &data));
        ::FindClose(hFind);
    }
    if (names.empty())
    {
        files.push_back(arg);
        return;
    }
    std::sort(names.begin(), names.end(), NameOrder);
    const std::string folder = arg.substr(0, arg.find_last_of("\\/:") + 1);
    for (const std::string& name : names)
        files.push_back(folder + name);
}
#else
// The shell has expanded the names already.
void AddExpanded(const std::string& arg, std::vector<std::string>& files)
{
    files.push_back(arg);
}
#endif

int DecodeLogs(const std::vector<std::string>& paths, CFrameReport::Form form, long long from,
               long long to)
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

    CFrameReport report(stdout, form);
    CLogReader reader(report, stderr);
    reader.SetWindow(from, to);
    for (const std::string& path : paths)
    {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (!in)
            return Fail("cannot open " + path + ": " + std::strerror(errno));
        std::string error;
        const bool read = reader.Read(in, path, error);
        std::fclose(in);
        if (!read)
            return Fail(error);
    }
    reader.Finish();
    if (form == CFrameReport::Form::Summary)
        report.PrintSummary();
    if (!OutputWritten())
        return 2;
    return report.BadLines() > 0 ? 1 : 0;
}
} // namespace

int main(int argc, char** argv)
{
    bool hex = false, stats = false, log = false, csv = false, summary = false;
    bool options = true; // until "--"
    std::vector<std::string> files;
    long long from = std::numeric_limits<long long>::min();
    long long to = std::numeric_limits<long long>::max();
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
        else if (options && (arg == "--from" || arg == "--to"))
        {
            if (i + 1 == argc)
                return Fail(arg + " wants a time \"YYYY-MM-DD HH:MM:SS\"");
            const std::string why = ParseLogTime(argv[++i], arg == "--from" ? from : to);
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
        if (csv || summary)
            return Fail("--csv and --summary are forms of --log");
        if (window)
            return Fail("--from and --to are for --log");
        if (files.size() > 1)
            return Fail("only one input file, not also " + files[1]);
        return DecodeStream(files.empty() ? nullptr : files[0].c_str(), hex, stats);
    }
    if (hex || stats)
        return Fail("--hex and --stats are for streams, not for --log");
    if (csv && summary)
        return Fail("--csv and --summary exclude each other");
    // An empty window would pass for a period without a frame.
    if (from >= to)
        return Fail("--from must come before --to");
    if (files.empty())
        return Fail("--log wants at least one FILE");
    return DecodeLogs(files,
                      csv       ? CFrameReport::Form::Csv
                      : summary ? CFrameReport::Form::Summary
                                : CFrameReport::Form::Lines,
                      from, to);
}
