// kestrane-acceptor: plays a coin and banknote acceptor on a serial line, so the monitor can be
// run and tested without one on the desk.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <getopt.h>
#include <iostream>
#include <random>
#include <string>
#include <sys/stat.h>

#include "tools/acceptor/AcceptorRun.h"
#include "tools/acceptor/SerialDevice.h"

namespace
{
volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int)
{
    g_stop = 1;
}

const char kUsage[] = R"(Usage: kestrane-acceptor --device PATH [options]

Plays a coin and banknote acceptor: sends its frames on a serial line and never reads.

Line:
  --device PATH       the device to send on: a pty end, a serial port such as /dev/ttyUSB0,
                      or a file, which is made when missing and emptied first (a device
                      never is); "-" is standard output (the echo then goes to stderr).
                      Required.
  --baud N            line speed for a terminal device, 8 data bits, no parity, 1 stop bit,
                      raw (default 9600; 110 to 230400)

Traffic (random by default):
  --rate F            frames per second, above 0 and at most 1000000 (default 5); paces
                      random traffic and --frames
  --count N           send N frames, then end (default: until the source ends, or for
                      random traffic until Ctrl-C)
  --seed S            seed of the random traffic and of the faults, for a run that can be
                      repeated exactly (default: a fresh one, printed at the start)
  --frames FILE       send the frames of FILE, one a line in hex ("92 01 02 03 98" or
                      "9201020398"); blank lines and lines starting with '#' are skipped, so
                      an echo can be sent again
  --replay LOG        send the frames of a daily log of the monitor, lines
                      "[YYYY-MM-DD HH:MM:SS]  " + hex dump, in order, paced by their time stamps
  --fast              no pacing at all: send as fast as the line takes the bytes

Faults (each a probability from 0 to 1, default 0):
  --bad-checksum P    a frame's checksum byte (byte 4) is wrong; the monitor drops the frame
  --noise P           1 to 4 bytes that start no frame (never 92, 93, 97 or 98) come before a
                      frame; the monitor ignores them between frames
  --cut P             a frame stops short and the next frame follows whole. The monitor
                      fills the short frame up with the bytes that follow (noise, if any, then
                      the next frame), so the next frame is lost too. It accepts the joined frame when its first
                      five bytes carry a good checksum (always so when the cut fell after byte
                      4 of a good frame), and hunts for a lead byte in what is left of the next
                      frame, where a data byte of value 92, 93, 97 or 98 starts a false frame
                      that may in turn swallow the frames after it. The echo follows all this.

Output:
  --echo              print one line for every piece sent, on stdout: a frame the monitor
                      will accept as its plain hex dump (exactly as its log records it), in the
                      order the monitor accepts them; everything else behind "# ":
                        # bad-checksum HEX   sent whole, dropped for its checksum
                        # invalid HEX        a file's frame that fails its checksum as it is
                        # noise HEX          bytes between frames
                        # cut HEX            the first bytes of a cut frame
                        # lost HEX           a frame the monitor did not take as sent
                        # rejected HEX       a frame the monitor assembled, checksum wrong
                        # open HEX (...)     at the end: bytes of a frame still unfinished
                      so `grep -v '^#'` of the echo is exactly what the monitor logs.
  --help              this text

Exit status: 0 when all was sent or Ctrl-C (SIGINT, SIGTERM) ended the run, 2 on a bad option,
a device that cannot be opened or set, a malformed file, or a write that failed, to the
device or of the echo.
)";

int Fail(const std::string& message)
{
    std::cerr << "kestrane-acceptor: " << message << '\n';
    return 2;
}

// Frames per second; any faster and the pacing is no pacing at all (use --fast).
constexpr double kMaxRate = 1e6;

bool ParseNumber(const char* text, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0';
}

bool ParseUnsigned(const char* text, unsigned long long& value)
{
    char* end = nullptr;
    errno = 0;
    if (*text == '-')
        return false;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && end != text && *end == '\0';
}

struct Options
{
    std::string device, framesFile, replayFile;
    unsigned long long baud = 9600, count = 0, seed = 0;
    bool haveSeed = false, fast = false, echo = false;
    double rate = 5;
    FaultRates faults;
};

enum OptionId
{
    kDevice = 256,
    kBaud,
    kRate,
    kCount,
    kSeed,
    kFrames,
    kReplay,
    kFast,
    kBadChecksum,
    kNoise,
    kCut,
    kEcho,
    kHelp
};

// Returns -1 to go on, else the exit status.
int ParseOptions(int argc, char** argv, Options& o)
{
    static const option kOptions[] = {
        {"device", required_argument, nullptr, kDevice},
        {"baud", required_argument, nullptr, kBaud},
        {"rate", required_argument, nullptr, kRate},
        {"count", required_argument, nullptr, kCount},
        {"seed", required_argument, nullptr, kSeed},
        {"frames", required_argument, nullptr, kFrames},
        {"replay", required_argument, nullptr, kReplay},
        {"fast", no_argument, nullptr, kFast},
        {"bad-checksum", required_argument, nullptr, kBadChecksum},
        {"noise", required_argument, nullptr, kNoise},
        {"cut", required_argument, nullptr, kCut},
        {"echo", no_argument, nullptr, kEcho},
        {"help", no_argument, nullptr, kHelp},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0;
    int id;
    while ((id = getopt_long(argc, argv, "", kOptions, nullptr)) != -1)
    {
        const std::string name = optind > 0 && optind <= argc ? argv[optind - 1] : "";
        double* probability = nullptr;
        switch (id)
        {
        case kDevice:
            o.device = optarg;
            break;
        case kBaud:
            if (!ParseUnsigned(optarg, o.baud) || o.baud > 1000000 ||
                !CSerialDevice::IsSupportedBaud(static_cast<int>(o.baud)))
                return Fail(std::string("unsupported --baud ") + optarg);
            break;
        case kRate:
            if (!ParseNumber(optarg, o.rate) || !(o.rate > 0 && o.rate <= kMaxRate))
                return Fail(std::string("--rate wants frames per second above 0 and at most "
                                        "1000000, not ") +
                            optarg);
            break;
        case kCount:
            if (!ParseUnsigned(optarg, o.count) || o.count == 0)
                return Fail(std::string("--count wants a number above 0, not ") + optarg);
            break;
        case kSeed:
            if (!ParseUnsigned(optarg, o.seed))
                return Fail(std::string("--seed wants an unsigned number, not ") + optarg);
            o.haveSeed = true;
            break;
        case kFrames:
            o.framesFile = optarg;
            break;
        case kReplay:
            o.replayFile = optarg;
            break;
        case kFast:
            o.fast = true;
            break;
        case kBadChecksum:
            probability = &o.faults.badChecksum;
            break;
        case kNoise:
            probability = &o.faults.noise;
            break;
        case kCut:
            probability = &o.faults.cut;
            break;
        case kEcho:
            o.echo = true;
            break;
        case kHelp:
            std::cout << kUsage;
            return 0;
        default:
            return Fail("unknown option or missing value: " + name + " (see --help)");
        }
        // Asked as "inside", not "outside", so that NaN is refused too.
        if (probability &&
            (!ParseNumber(optarg, *probability) || !(*probability >= 0 && *probability <= 1)))
            return Fail("a fault probability is a number from 0 to 1, not " + std::string(optarg));
    }
    if (optind < argc)
        return Fail(std::string("unexpected argument ") + argv[optind] + " (see --help)");
    if (o.device.empty())
        return Fail("--device PATH is required (see --help)");
    if (!o.framesFile.empty() && !o.replayFile.empty())
        return Fail("--frames and --replay exclude each other");
    return -1;
}

// Loads the frames of --frames or --replay. False with the message printed.
bool LoadFrames(const Options& o, std::vector<SourceFrame>& frames)
{
    const bool replay = !o.replayFile.empty();
    const std::string& path = replay ? o.replayFile : o.framesFile;
    // A folder opens for reading on Linux and only its first read fails, so ask first.
    struct stat st
    {
    };
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    {
        Fail(path + ": is a directory, not a file of frames");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        Fail("cannot open " + path + ": " + std::strerror(errno));
        return false;
    }
    std::string error;
    const bool ok = replay ? ParseLogFrames(in, frames, error) : ParseHexFrames(in, frames, error);
    if (!ok)
        Fail(path + ": " + error);
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    Options o;
    const int status = ParseOptions(argc, argv, o);
    if (status >= 0)
        return status;
    if (!o.haveSeed)
        o.seed = std::random_device{}();

    std::vector<SourceFrame> fileFrames;
    const bool fromFile = !o.framesFile.empty() || !o.replayFile.empty();
    if (fromFile && !LoadFrames(o, fileFrames))
        return 2;

    // The stop signals stay blocked except inside the device's waits, which open them.
    struct sigaction sa
    {
    };
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a closed reader shows as EPIPE on the write
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);

    CSerialDevice device(g_stop, waitMask);
    if (!device.Open(o.device, static_cast<int>(o.baud)))
        return Fail(device.Error());

    std::ostream* echo = nullptr;
    if (o.echo)
        echo = o.device == "-" ? &std::cerr : &std::cout;
    // The echo's first line carries the seed; without an echo, stderr does.
    if (echo)
        *echo << "# kestrane-acceptor seed=" << o.seed << '\n';
    else
        std::cerr << "kestrane-acceptor: sending on " << o.device << " at " << o.baud
                  << " baud, seed " << o.seed << '\n';

    // The faults draw from their own stream, so a seed gives the same traffic with or without.
    CAcceptorRun run(device, echo, o.seed ^ 0x9e3779b97f4a7c15ULL, o.faults);
    run.Run(PacedSource(std::move(fileFrames), fromFile, o.seed, o.count, o.rate, o.fast));
    if (!device.Error().empty())
        return Fail(device.Error());
    // The echo is the record a test compares the monitor against: one that was lost is a
    // failed run, not a finished one.
    if (echo && !echo->flush())
        return Fail(std::string("cannot write the echo to ") +
                    (echo == &std::cout ? "standard output" : "standard error"));
    return 0;
}
