/* Test tooling only: an LD_PRELOAD shim that lets Wine treat a pseudo-terminal like a serial
 * port. A pty refuses the modem-status ioctls, and Wine's comm event wait then completes at
 * once, so an idle line would never block. The shim answers TIOCMGET, TIOCMBIS, TIOCMBIC and
 * TIOCMSET for pty slaves (CTS, DSR and carrier high; RTS and DTR as last set) and fails them
 * with EIO once the far end has hung up, as a pulled USB adapter does. It also makes a pty slave
 * exclusive, as a COM port is: a second open of one that this process (Wine's server opens every
 * device) still holds fails with EBUSY, and the machine's own serial ports do not open at all.
 * While the file named by KESTRANE_PTYSHIM_EIO exists, reads and queue-size queries on pty
 * slaves fail with EIO and the modem status still answers: the handle stays alive while nothing
 * can be read, as some USB serial drivers keep a pulled adapter's. Every other call goes
 * straight to the C library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* Unix 98 pty slaves live under /dev/pts with majors 136 to 143. */
static int is_pty_slave(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

/* Descriptors of pty slaves opened here; a slot is stale once its descriptor no longer refers
 * to the same device, so closes need not be tracked. */
#define MAX_HELD 64
static int g_held_fd[MAX_HELD];
static dev_t g_held_dev[MAX_HELD];

static int holds(dev_t dev)
{
    struct stat st;
    for (int i = 0; i < MAX_HELD; ++i)
        if (g_held_dev[i] == dev && fstat(g_held_fd[i], &st) == 0 && st.st_rdev == dev)
            return 1;
    return 0;
}

static void remember(int fd)
{
    struct stat st;
    if (fd < 0 || !is_pty_slave(fd) || fstat(fd, &st) != 0)
        return;
    for (int i = 0; i < MAX_HELD; ++i)
    {
        struct stat cur;
        if (g_held_dev[i] == 0 || fstat(g_held_fd[i], &cur) != 0 || cur.st_rdev != g_held_dev[i])
        {
            g_held_fd[i] = fd;
            g_held_dev[i] = st.st_rdev;
            return;
        }
    }
}

/* The machine's own serial ports (8250 ttyS, ttyUSB, ttyACM) are hidden: nothing in a test
 * prefix, Wine's device manager included, ever reaches real hardware. */
static int is_real_serial_port(dev_t dev)
{
    return (major(dev) == 4 && minor(dev) >= 64) || major(dev) == 188 || major(dev) == 166;
}

typedef int (*openat_fn)(int, const char*, int, ...);

static int exclusive_openat(const char* sym, int dirfd, const char* path, int flags, mode_t mode)
{
    static openat_fn real_openat, real_openat64;
    openat_fn* slot = sym[6] ? &real_openat64 : &real_openat;
    struct stat st;
    int fd;

    if (!*slot)
        *slot = (openat_fn)dlsym(RTLD_NEXT, sym);
    if (fstatat(dirfd, path, &st, 0) == 0 && S_ISCHR(st.st_mode))
    {
        if (is_real_serial_port(st.st_rdev))
        {
            errno = ENOENT;
            return -1;
        }
        if (major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143 && holds(st.st_rdev))
        {
            errno = EBUSY;
            return -1;
        }
    }
    fd = (*slot)(dirfd, path, flags, mode);
    remember(fd);
    return fd;
}

static mode_t mode_arg(int flags, va_list ap)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

int open(const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return exclusive_openat("openat", AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return exclusive_openat("openat64", AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return exclusive_openat("openat", dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return exclusive_openat("openat64", dirfd, path, flags, mode);
}

/* Only a process started with KESTRANE_PTYSHIM_EIO pays a look at the file, and then only for
 * pty slaves. */
static int half_dead(int fd)
{
    static int looked;
    static const char* flag;
    if (!looked)
    {
        flag = getenv("KESTRANE_PTYSHIM_EIO");
        looked = 1;
    }
    return flag && *flag && is_pty_slave(fd) && access(flag, F_OK) == 0;
}

typedef ssize_t (*read_fn)(int, void*, size_t);

ssize_t read(int fd, void* buf, size_t count)
{
    static read_fn real_read;
    if (!real_read)
        real_read = (read_fn)dlsym(RTLD_NEXT, "read");
    if (half_dead(fd))
    {
        errno = EIO;
        return -1;
    }
    return real_read(fd, buf, count);
}

static int far_end_gone(int fd)
{
    struct pollfd p = {fd, 0, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

/* One line's outputs per process is enough: tests never drive two ports' RTS/DTR apart. */
static int g_outputs = TIOCM_RTS | TIOCM_DTR;

int ioctl(int fd, unsigned long request, ...)
{
    static ioctl_fn real_ioctl;
    va_list ap;
    void* arg;
    int rc, saved;

    va_start(ap, request);
    arg = va_arg(ap, void*);
    va_end(ap);
    if (!real_ioctl)
        real_ioctl = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    if ((request == TIOCINQ || request == TIOCOUTQ) && half_dead(fd))
    {
        errno = EIO;
        return -1;
    }

    rc = real_ioctl(fd, request, arg);
    if (rc == 0 ||
        (request != TIOCMGET && request != TIOCMBIS && request != TIOCMBIC && request != TIOCMSET))
        return rc;
    saved = errno;
    if (!is_pty_slave(fd))
    {
        errno = saved;
        return rc;
    }
    if (far_end_gone(fd))
    {
        errno = EIO;
        return -1;
    }
    switch (request)
    {
    case TIOCMGET:
        *(int*)arg = g_outputs | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
        break;
    case TIOCMBIS:
        g_outputs |= *(const int*)arg & (TIOCM_RTS | TIOCM_DTR);
        break;
    case TIOCMBIC:
        g_outputs &= ~(*(const int*)arg);
        break;
    default: /* TIOCMSET */
        g_outputs = *(const int*)arg & (TIOCM_RTS | TIOCM_DTR);
        break;
    }
    return 0;
}
