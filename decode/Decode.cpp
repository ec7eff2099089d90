// kestrane-decode: the offline decoder for field engineers and for whoever reconciles a day's
// cash. Feeds a captured byte stream (raw, or hex text with --hex), or the monitor's daily logs
// (--log), through the program's own frame decoder and prints the frames it accepts.
// Builds natively and as a Windows console program, which takes its arguments as wide text.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "decode/Files.h"
#include "decode/HtmlReport.h"
#include "decode/LogReader.h"
#include "decode/Options.h"
#include "decode/StreamReader.h"

#ifdef __MINGW32__
// A wildcard is expanded by the program, in name order; the runtime's own expansion keeps
// whatever order the folder lists.
extern "C"
{
    int _dowildcard = 0;
}
#endif

namespace
{
int Fail(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "kestrane-decode: %s\n", ConsoleText(message).c_str());
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

int DecodeStream(const DecodeOptions& o)
{
    std::FILE* in = stdin;
    std::string name = "standard input";
    if (!o.files.empty() && o.files[0] != "-")
    {
        name = o.files[0];
        in = OpenFile(name, "rb");
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
    const std::string error = DecodeStream(in, o.hex, report);
    if (in != stdin)
        std::fclose(in);
    if (!error.empty())
        return Fail(name + ": " + error);
    if (o.stats)
        report.PrintStats();
    return OutputWritten() ? 0 : 1;
}

std::string LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    char text[32] = "-";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}

int DecodeLogs(const DecodeOptions& o)
{
    // Every file is tried before anything is printed: a report that silently lacks a day
    // would pass for a whole one. A file named twice (a wildcard and its name) is read once.
    bool allOpen = true;
    std::vector<std::string> paths;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    for (const std::string& path : o.files)
    {
        std::FILE* in = OpenFile(path, "rb");
        if (!in)
        {
            Fail("cannot open " + path + ": " + std::strerror(errno));
            allOpen = false;
            continue;
        }
        std::pair<std::uint64_t, std::uint64_t> id;
        if (!FileIdentity(in, id) || seen.insert(id).second)
            paths.push_back(path);
        std::fclose(in);
    }
    if (!allOpen)
        return 2;

    // The page is written beside OUT and put in its place only when whole, so a failed run
    // leaves no half page and an earlier page stays as it was.
    const std::string part = o.html + ".part";
    std::FILE* page = nullptr;
    if (!o.html.empty() && !(page = OpenFile(part, "wb")))
        return Fail("cannot write " + part + ": " + std::strerror(errno));
    const auto failPage = [&](const std::string& message)
    {
        if (page)
        {
            std::fclose(page);
            RemoveFile(part);
        }
        return Fail(message);
    };

    CFrameReport report(stdout, o.form, o.source);
    CLogReader reader(report, stderr);
    reader.SetWindow(o.from, o.to);
    std::string error;
    if (!reader.ReadFiles(paths, error))
        return failPage(error);
    if (page)
    {
        const bool written = WriteHtmlReport(page, report.Totals(), o.from, o.to, LocalTimeNow()) &&
                             !std::ferror(page);
        if (std::fclose(page) != 0 || !written)
        {
            RemoveFile(part);
            return Fail("cannot write " + part);
        }
        const std::string why = PutInPlace(part, o.html);
        if (!why.empty())
        {
            RemoveFile(part);
            return Fail("cannot write " + o.html + ": " + why);
        }
    }
    else if (o.form == CFrameReport::Form::Summary)
        report.PrintSummary();
    if (!OutputWritten())
        return 2;
    return report.BadLines() > 0 ? 1 : 0;
}

int Run(const std::vector<std::string>& args)
{
    DecodeOptions o;
    const std::string why = ParseOptions(args, o, AddExpanded);
    if (!why.empty())
        return Fail(why);
    if (o.help)
    {
        std::fputs(kUsage, stdout);
        return OutputWritten() ? 0 : 2;
    }
    return o.log ? DecodeLogs(o) : DecodeStream(o);
}
} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8Of(argv[i]));
    return Run(args);
}
#else
int main(int argc, char** argv)
{
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
