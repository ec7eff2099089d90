// kestrane-decode: the offline decoder for field engineers. Feeds a captured byte stream (raw,
// or hex text with --hex) through the program's own frame decoder and prints one line per valid
// frame. Portable: builds natively and as a Windows console program.

// fopen and strerror are the portable calls here; MSVC's secure variants are not.
#ifndef _CRT_SECURE_NO_WARNINGS
#define _CRT_SECURE_NO_WARNINGS
#endif
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "app/FrameDecoder.h"

namespace
{
const char kUsage[] =
    "usage: kestrane-decode [--hex] [--stats] [FILE]\n"
    "Decodes a captured acceptor byte stream from FILE, or standard input when FILE is absent\n"
    "or \"-\", and prints one line per valid frame:\n"
    "  KIND HEXDUMP [channel=N value=V count=C]\n"
    "KIND is note-read, block, counterfeit or ok; note reads add their channel byte, value and\n"
    "the notes counted on that channel so far (channels outside 1..12 are never counted).\n"
    "  --hex    the input is hex text: bytes as pairs of hex digits, separated by white space\n"
    "  --stats  end with totals per kind, of frames dropped for a bad checksum, and of an\n"
    "           unfinished frame at the end of the input\n"
    "  --help   show this text\n"
    "Exit status: 0 done, 1 output could not be written, 2 bad usage or unreadable input.\n";

enum Kind
{
    kNoteRead,
    kBlock,
    kCounterfeit,
    kOk,
    kKinds
};
const char* const kKindNames[kKinds] = {"note-read", "block", "counterfeit", "ok"};

int KindOf(unsigned char lead)
{
    switch (lead)
    {
    case CFrameDecoder::LEAD_NOTE_READ:
        return kNoteRead;
    case CFrameDecoder::LEAD_BLOCK:
        return kBlock;
    case CFrameDecoder::LEAD_COUNTERFEIT:
        return kCounterfeit;
    case CFrameDecoder::LEAD_OK:
        return kOk;
    default:
        return -1;
    }
}

// Byte i of a hex dump ("xx xx ..."), whose layout HexDump fixes.
unsigned char DumpByte(const char* dump, int i)
{
    return static_cast<unsigned char>(HexDigitValue(dump[3 * i]) * 16 +
                                      HexDigitValue(dump[3 * i + 1]));
}

// Prints each frame the decoder hands over. The log line is the last thing every handler
// produces, and it carries the whole frame, so it is where a frame is printed.
class CPrintingOwner : public CFrameOwner
{
public:
    explicit CPrintingOwner(std::FILE* out) : m_out(out) {}
    void Attach(const CFrameDecoder& decoder) { m_pDecoder = &decoder; }

    void SetEventText(const std::string&) override {}
    void SetChannelText(int, int, const std::string&) override {}
    void FlashLamp(int, unsigned) override {}
    void FlashSlaver(unsigned) override { ++m_nFramesStarted; }
    bool IsLogEnabled() const override { return true; }
    void WriteLogLine(const char* text) override
    {
        const int kind = KindOf(DumpByte(text, 0));
        if (kind < 0)
            return;
        ++m_anFrames[kind];
        if (kind == kNoteRead)
        {
            const int channel = DumpByte(text, 13);
            std::fprintf(m_out, "%s %s channel=%d value=%d count=%d\n", kKindNames[kind], text,
                         channel, DumpByte(text, 3), m_pDecoder->NoteCount(channel - 1));
        }
        else
            std::fprintf(m_out, "%s %s\n", kKindNames[kind], text);
    }

    void PrintStats() const
    {
        int valid = 0;
        for (int k = 0; k < kKinds; ++k)
        {
            std::fprintf(m_out, "total %s %d\n", kKindNames[k], m_anFrames[k]);
            valid += m_anFrames[k];
        }
        // Every accepted lead byte starts a frame; those neither valid nor still open failed
        // their checksum.
        const int unfinished = m_pDecoder->InFrame() ? 1 : 0;
        std::fprintf(m_out, "total bad-checksum %ld\n", m_nFramesStarted - valid - unfinished);
        std::fprintf(m_out, "total unfinished %d\n", unfinished);
    }

private:
    std::FILE* m_out;
    const CFrameDecoder* m_pDecoder = nullptr;
    int m_anFrames[kKinds] = {};
    long m_nFramesStarted = 0;
};

// Reads hex text a chunk at a time: pairs of digits make bytes, white space separates them.
class CHexReader
{
public:
    // Feeds the bytes of one chunk to the decoder; false and a message on bad text.
    bool Feed(const char* p, size_t n, CFrameDecoder& decoder, std::string& error)
    {
        for (size_t i = 0; i < n; ++i)
        {
            const int c = static_cast<unsigned char>(p[i]);
            const int digit = HexDigitValue(c);
            if (digit >= 0)
            {
                if (m_nHigh < 0)
                    m_nHigh = digit;
                else
                {
                    decoder.OnSerialByte(static_cast<unsigned char>(m_nHigh * 16 + digit));
                    m_nHigh = -1;
                }
                continue;
            }
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
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
            if (c == '\n')
                ++m_nLine;
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
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrane-decode: %s\n", message.c_str());
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    bool hex = false, stats = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
        {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--hex")
            hex = true;
        else if (arg == "--stats")
            stats = true;
        else if (arg.size() > 1 && arg[0] == '-')
            return Fail("unknown option " + arg + "\n" + kUsage);
        else if (path)
            return Fail(std::string("only one input file, not also ") + argv[i]);
        else
            path = argv[i];
    }

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

    CPrintingOwner owner(stdout);
    CFrameDecoder decoder(owner);
    owner.Attach(decoder);
    CHexReader hexReader;
    std::string error;
    static char buf[1 << 16];
    size_t n;
    while (error.empty() && (n = std::fread(buf, 1, sizeof buf, in)) > 0)
    {
        if (hex)
            hexReader.Feed(buf, n, decoder, error);
        else
            for (size_t i = 0; i < n; ++i)
                decoder.OnSerialByte(static_cast<unsigned char>(buf[i]));
    }
    if (error.empty() && std::ferror(in))
        error = std::string("cannot read: ") + std::strerror(errno);
    if (error.empty() && hex)
        hexReader.Finish(error);
    if (in != stdin)
        std::fclose(in);
    if (!error.empty())
    {
        std::fflush(stdout);
        return Fail(name + ": " + error);
    }

    if (stats)
        owner.PrintStats();
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::fprintf(stderr, "kestrane-decode: cannot write the output\n");
        return 1;
    }
    return 0;
}
