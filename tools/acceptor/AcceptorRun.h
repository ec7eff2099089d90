// One run of the virtual acceptor: frames from a source, faults thrown in at the asked rates,
// bytes to a sink, and an echo that tells which frames the monitor will accept. Portable,
// Linux tool code; the device and the clock are behind CByteSink so tests run it in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <random>

#include "tools/acceptor/FrameFiles.h"
#include "tools/acceptor/LineModel.h"

// Where the bytes go, and the clock that paces them.
class CByteSink
{
public:
    virtual ~CByteSink() = default;
    // Waits until `seconds` after the run began. False when the run is to stop.
    virtual bool WaitUntil(double seconds) = 0;
    // Sends the bytes in order; returns how many went out. Fewer than all ends the run.
    virtual std::size_t Send(const Bytes& bytes) = 0;
};

// Probabilities, 0..1, of each fault.
struct FaultRates
{
    double badChecksum = 0; // a frame's checksum byte is wrong
    double noise = 0;       // 1..4 bytes that start no frame come before a frame
    double cut = 0;         // a frame stops short; the next frame's first bytes finish it
};

struct RunCounts
{
    std::uint64_t frames = 0;   // frames taken from the source
    std::uint64_t accepted = 0; // of them, accepted by the monitor as sent
    std::uint64_t other = 0;    // accepted frames the monitor assembles from pieces
    std::uint64_t badChecksum = 0, cut = 0, noise = 0;
};

class CAcceptorRun
{
public:
    // Gives the next frame, timed; false when there is none.
    using Source = std::function<bool(SourceFrame&)>;

    // With echo null nothing is printed. The seed drives the faults only, so one traffic
    // sequence can be sent with and without them.
    CAcceptorRun(CByteSink& sink, std::ostream* echo, std::uint64_t seed, const FaultRates& rates)
        : m_sink(sink), m_echo(echo), m_rng(seed), m_rates(rates)
    {
    }

    // Sends until the source ends, the sink asks to stop, a send falls short or the echo
    // cannot be written.
    void Run(const Source& source);

    const RunCounts& Counts() const { return m_counts; }
    const CLineModel& Model() const { return m_model; }

private:
    enum class Piece
    {
        Frame,
        Noise,
        Cut
    };

    bool Roll(double p);
    // Sends one piece and echoes what the monitor makes of it. False when it fell short or
    // its echo could not be written.
    bool SendPiece(const Bytes& bytes, Piece piece, bool badChecksum);
    void Echo(const char* mark, const Bytes& bytes);
    void EchoEnd();

    CByteSink& m_sink;
    std::ostream* m_echo;
    std::mt19937_64 m_rng;
    FaultRates m_rates;
    CLineModel m_model;
    RunCounts m_counts;
};

// The frames of a run: those of a file when fromFile, else random traffic from the seed; at
// most count of them (0: no limit). A frame without its own time is sent index / rate seconds
// after the start; with fast every frame is due at once.
CAcceptorRun::Source PacedSource(std::vector<SourceFrame> frames, bool fromFile, std::uint64_t seed,
                                 std::uint64_t count, double rate, bool fast);
