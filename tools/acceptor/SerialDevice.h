// The line the virtual acceptor sends on: a serial device (a pty end or a real port, set raw,
// 8N1, at the chosen speed), or any other file such as standard output. Pacing and Ctrl-C are
// handled here: every wait is a ppoll that the stop signals interrupt. Linux only.
#pragma once

#include <csignal>
#include <ctime>
#include <string>

#include "tools/acceptor/AcceptorRun.h"

class CSerialDevice : public CByteSink
{
public:
    // stop: set by the SIGINT/SIGTERM handler. waitMask: the signal mask to wait with, in which
    // those signals are open; outside the waits the caller keeps them blocked, so a signal can
    // only land inside a wait and never slips between a test of `stop` and the wait.
    CSerialDevice(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask);
    ~CSerialDevice() override;
    CSerialDevice(const CSerialDevice&) = delete;
    CSerialDevice& operator=(const CSerialDevice&) = delete;

    // "-" is standard output. A terminal gets the line settings; other files take bytes as
    // they are. False with a message in Error() when the device cannot be opened or set.
    bool Open(const std::string& path, int baud);
    // True for the speeds the line can be set to.
    static bool IsSupportedBaud(int baud);

    bool WaitUntil(double seconds) override;
    std::size_t Send(const Bytes& bytes) override;

    const std::string& Error() const { return m_error; }

private:
    // Waits until the device takes bytes. False on stop (after a short grace so the piece in
    // hand can still finish) or on a device error.
    bool WaitWritable();
    void Fail(const std::string& what);

    const volatile std::sig_atomic_t& m_stop;
    sigset_t m_waitMask;
    int m_fd = -1;
    bool m_owned = false;
    bool m_tty = false;
    std::string m_path;
    std::string m_error;
    timespec m_start{};
};
