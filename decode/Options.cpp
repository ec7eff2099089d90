// Reading kestrane-decode's command line.
#include "decode/Options.h"

#include "frames/LogLine.h"

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

namespace
{
bool EndsWithLog(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".log";
}
} // namespace

std::string ParseOptions(const std::vector<std::string>& args, DecodeOptions& o, ExpandName expand)
{
    bool csv = false, summary = false, html = false, window = false;
    bool options = true; // until "--"
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (options && (arg == "--help" || arg == "-h"))
        {
            o.help = true;
            return {};
        }
        if (options && arg == "--")
            options = false;
        else if (options && arg == "--hex")
            o.hex = true;
        else if (options && arg == "--stats")
            o.stats = true;
        else if (options && arg == "--log")
            o.log = true;
        else if (options && arg == "--csv")
            csv = true;
        else if (options && arg == "--summary")
            summary = true;
        else if (options && arg == "--source")
            o.source = true;
        else if (options && arg == "--html")
        {
            if (i + 1 == args.size())
                return "--html wants the page's file name";
            o.html = args[++i];
            html = true;
        }
        else if (options && (arg == "--from" || arg == "--to"))
        {
            if (i + 1 == args.size())
                return arg + " wants a time \"YYYY-MM-DD HH:MM:SS\"";
            const std::string why = ParseLogTime(args[++i], arg == "--from" ? o.from : o.to);
            if (!why.empty())
                return arg + ": " + why;
            window = true;
        }
        else if (options && arg.size() > 1 && arg[0] == '-')
            return "unknown option " + arg + "\n" + kUsage;
        else if (expand)
            expand(arg, o.files);
        else
            o.files.push_back(arg);
    }

    if (!o.log)
    {
        if (csv || summary || html || o.source)
            return "--csv, --source, --summary and --html are forms of --log";
        if (window)
            return "--from and --to are for --log";
        if (o.files.size() > 1)
            return "only one input file, not also " + o.files[1];
        return {};
    }
    if (o.hex || o.stats)
        return "--hex and --stats are for streams, not for --log";
    if (csv + summary + html > 1)
        return "--csv, --summary and --html exclude each other";
    if (o.source && !csv)
        return "--source is a column of --csv";
    // A forgotten OUT would take the first log's name, and the page would replace that log.
    if (html && (o.html.empty() || EndsWithLog(o.html)))
        return "--html wants the page's file name, not a log's: \"" + o.html + "\"";
    // An empty window would pass for a period without a frame.
    if (o.from >= o.to)
        return "--from must come before --to";
    if (o.files.empty())
        return "--log wants at least one FILE";
    o.form = csv               ? CFrameReport::Form::Csv
             : summary || html ? CFrameReport::Form::Summary
                               : CFrameReport::Form::Lines;
    return {};
}
