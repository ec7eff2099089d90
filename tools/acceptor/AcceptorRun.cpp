// The acceptor's send loop, fault injection and echo.
#include "tools/acceptor/AcceptorRun.h"

#include <string>

bool CAcceptorRun::Roll(double p)
{
    // No draw for a fault that is off, so turning one fault on leaves the others' draws alone.
    return p > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(m_rng) < p;
}

void CAcceptorRun::Echo(const char* mark, const Bytes& bytes)
{
    if (!m_echo)
        return;
    if (mark)
        *m_echo << "# " << mark << ' ';
    *m_echo << HexText(bytes) << '\n';
}

bool CAcceptorRun::SendPiece(const Bytes& bytes, Piece piece, bool badChecksum)
{
    const bool startsHunting = m_model.Hunting();
    const std::size_t sent = m_sink.Send(bytes);

    // A frame sent whole into a hunting receiver is taken as itself; anything else (noise, a
    // cut piece, a frame whose lead byte finishes an earlier frame) is reported as what the
    // receiver assembles from it.
    std::size_t completions = 0;
    bool whole = false;
    for (std::size_t i = 0; i < sent; ++i)
    {
        if (!m_model.Feed(bytes[i]))
            continue;
        ++completions;
        whole = piece == Piece::Frame && startsHunting && i + 1 == bytes.size() &&
                m_model.Completed().size() == bytes.size();
        if (whole)
            break;
        if (m_model.CompletedValid())
        {
            ++m_counts.other;
            Echo(nullptr, m_model.Completed());
        }
        else
            Echo("rejected", m_model.Completed());
    }
    if (whole && completions == 1)
    {
        if (m_model.CompletedValid())
        {
            ++m_counts.accepted;
            Echo(nullptr, bytes);
        }
        else
            Echo(badChecksum ? "bad-checksum" : "invalid", bytes);
    }
    else if (sent < bytes.size())
        Echo("interrupted", Bytes(bytes.begin(), bytes.begin() + static_cast<long>(sent)));
    else
        Echo(piece == Piece::Noise ? "noise" : piece == Piece::Cut ? "cut" : "lost", bytes);
    // A lost echo ends the run: frames sent past it could never be accounted for.
    if (m_echo && !m_echo->flush())
        return false;
    return sent == bytes.size();
}

void CAcceptorRun::EchoEnd()
{
    if (!m_echo)
        return;
    if (!m_model.Hunting())
        *m_echo << "# open " << HexText(m_model.Open()) << " (the monitor waits for "
                << m_model.Missing() << " more bytes)\n";
    *m_echo << "# " << m_counts.frames << " frames: " << m_counts.accepted << " accepted as sent, "
            << m_counts.other << " accepted from pieces; " << m_counts.badChecksum
            << " bad checksums, " << m_counts.cut << " cut, " << m_counts.noise << " noise runs\n";
    m_echo->flush();
}

void CAcceptorRun::Run(const Source& source)
{
    SourceFrame current, next;
    bool haveCurrent = source(current);
    while (haveCurrent)
    {
        // One frame ahead, so that a frame is cut only when another follows to finish it.
        const bool haveNext = source(next);
        if (!m_sink.WaitUntil(current.atSeconds))
            break;
        ++m_counts.frames;
        if (m_counts.frames > 1 && Roll(m_rates.noise))
        {
            Bytes noise(std::uniform_int_distribution<int>(1, 4)(m_rng));
            for (auto& b : noise)
            {
                do
                    b = static_cast<std::uint8_t>(m_rng());
                while (FrameLengthOf(b) != 0);
            }
            ++m_counts.noise;
            if (!SendPiece(noise, Piece::Noise, false))
                break;
        }
        Bytes frame = current.bytes;
        bool bad = false;
        if (frame.size() >= 5 && Roll(m_rates.badChecksum))
        {
            const int off = std::uniform_int_distribution<int>(1, 255)(m_rng);
            frame[4] = static_cast<std::uint8_t>(ChecksumOf(frame) + off);
            bad = true;
            ++m_counts.badChecksum;
        }
        bool ok;
        if (haveNext && frame.size() >= 2 && Roll(m_rates.cut))
        {
            std::uniform_int_distribution<std::size_t> keep(1, frame.size() - 1);
            frame.resize(keep(m_rng));
            ++m_counts.cut;
            ok = SendPiece(frame, Piece::Cut, bad);
        }
        else
            ok = SendPiece(frame, Piece::Frame, bad);
        if (!ok)
            break;
        current = std::move(next);
        haveCurrent = haveNext;
    }
    EchoEnd();
}

CAcceptorRun::Source PacedSource(std::vector<SourceFrame> frames, bool fromFile, std::uint64_t seed,
                                 std::uint64_t count, double rate, bool fast)
{
    return [frames = std::move(frames), fromFile, traffic = CTrafficGenerator(seed), count, rate,
            fast, index = std::uint64_t{0}](SourceFrame& frame) mutable
    {
        if (count != 0 && index >= count)
            return false;
        if (fromFile)
        {
            if (index >= frames.size())
                return false;
            frame = frames[index];
        }
        else
            frame = SourceFrame{traffic.Next(), -1};
        if (fast)
            frame.atSeconds = 0;
        else if (frame.atSeconds < 0)
            frame.atSeconds = static_cast<double>(index) / rate;
        ++index;
        return true;
    };
}
