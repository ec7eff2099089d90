// Opening and setting the line, paced and interruptible sending.
#include "tools/acceptor/SerialDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace
{
struct BaudEntry
{
    int baud;
    speed_t speed;
};

const BaudEntry kBauds[] = {
    {110, B110},     {300, B300},     {600, B600},       {1200, B1200},
    {2400, B2400},   {4800, B4800},   {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

double SecondsSince(const timespec& start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) +
           static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

timespec ToTimespec(double seconds)
{
    // A frame due beyond time_t (a rate such as 1e-300) is waited for a day at a time; a
    // converted overflow would be a negative timeout, which ppoll refuses without ever
    // opening the signal mask, so nothing could stop the run.
    constexpr double kLongestWait = 86400;
    if (!(seconds < kLongestWait))
        seconds = kLongestWait;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
    if (ts.tv_nsec >= 1000000000L)
        ts.tv_nsec = 999999999L;
    return ts;
}

// How long a stopping run may still wait for the device to take the rest of a piece.
constexpr double kStopGraceSeconds = 1.0;
} // namespace

CSerialDevice::CSerialDevice(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask)
    : m_stop(stop), m_waitMask(waitMask)
{
    clock_gettime(CLOCK_MONOTONIC, &m_start);
}

CSerialDevice::~CSerialDevice()
{
    if (m_fd < 0)
        return;
    // Let a real port put its last frame on the wire before the line is let go.
    if (m_tty)
        tcdrain(m_fd);
    if (m_owned)
        close(m_fd);
}

bool CSerialDevice::IsSupportedBaud(int baud)
{
    for (const auto& e : kBauds)
        if (e.baud == baud)
            return true;
    return false;
}

void CSerialDevice::Fail(const std::string& what)
{
    m_error = what + " " + m_path + ": " + std::strerror(errno);
}

bool CSerialDevice::Open(const std::string& path, int baud)
{
    m_path = path;
    if (path == "-")
    {
        m_fd = STDOUT_FILENO;
        m_owned = false;
    }
    else
    {
        // O_NONBLOCK: a real port without carrier would otherwise block the open.
        const int flags = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
        m_fd = open(path.c_str(), flags);
        // A missing path is a capture file to make; a missing device is a mistake.
        if (m_fd < 0 && errno == ENOENT && path.rfind("/dev/", 0) != 0)
            m_fd = open(path.c_str(), flags | O_CREAT, 0666);
        if (m_fd < 0)
        {
            Fail("cannot open");
            return false;
        }
        m_owned = true;
        // With standard output closed the line would get its number, and the echo with it.
        if (m_fd <= STDERR_FILENO)
        {
            const int moved = fcntl(m_fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            const int error = errno;
            close(m_fd);
            m_fd = moved;
            if (m_fd < 0)
            {
                errno = error;
                Fail("cannot open");
                return false;
            }
        }
        // A file holds this run only: bytes of an earlier, longer run would decode as frames
        // never sent. Devices and pipes are never truncated.
        struct stat st
        {
        };
        if (fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) && ftruncate(m_fd, 0) != 0)
        {
            Fail("cannot empty");
            return false;
        }
    }
    m_tty = isatty(m_fd) != 0;
    if (!m_tty)
        return true;

    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0)
    {
        Fail("cannot read the line settings of");
        return false;
    }
    // Raw: no byte is translated (a 0x0a must not become 0d 0a), no flow control; 8N1.
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL;
    speed_t speed = B9600;
    for (const auto& e : kBauds)
        if (e.baud == baud)
            speed = e.speed;
    if (cfsetospeed(&tio, speed) != 0 || cfsetispeed(&tio, speed) != 0 ||
        tcsetattr(m_fd, TCSANOW, &tio) != 0)
    {
        Fail("cannot set the line settings of");
        return false;
    }
    return true;
}

bool CSerialDevice::WaitUntil(double seconds)
{
    for (;;)
    {
        if (m_stop)
            return false;
        const double left = seconds - SecondsSince(m_start);
        if (left <= 0)
            return true;
        const timespec ts = ToTimespec(left);
        ppoll(nullptr, 0, &ts, &m_waitMask); // returns early, with EINTR, on a stop signal
    }
}

bool CSerialDevice::WaitWritable()
{
    double graceEnd = -1;
    for (;;)
    {
        pollfd pfd{m_fd, POLLOUT, 0};
        timespec ts{};
        const timespec* timeout = nullptr;
        if (m_stop)
        {
            if (graceEnd < 0)
                graceEnd = SecondsSince(m_start) + kStopGraceSeconds;
            const double left = graceEnd - SecondsSince(m_start);
            if (left <= 0)
                return false;
            ts = ToTimespec(left);
            timeout = &ts;
        }
        const int n = ppoll(&pfd, 1, timeout, &m_waitMask);
        if (n > 0)
            return true; // writable, or an error that the write itself will name
        if (n < 0 && errno != EINTR)
        {
            Fail("cannot wait for");
            return false;
        }
    }
}

std::size_t CSerialDevice::Send(const Bytes& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size())
    {
        if (!WaitWritable())
            break;
        const ssize_t n = write(m_fd, bytes.data() + sent, bytes.size() - sent);
        if (n > 0)
            sent += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
        {
            Fail("write failed on");
            break;
        }
    }
    return sent;
}
