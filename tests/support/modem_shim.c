/* Test-only LD_PRELOAD shim for Wine on pty-backed COM ports.
 *
 * A pty has no modem lines, so Linux refuses TIOCMGET on it.  Wine then
 * completes every WaitCommEvent at once with no event bits, and a listener
 * thread would spin.  Reporting CTS|DSR|CD for such a descriptor lets Wine
 * wait for real events as it does on a serial port.  Never part of the
 * product: real ports have modem lines. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <termios.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

int ioctl(int fd, unsigned long request, ...)
{
    static ioctl_fn real_ioctl;
    va_list ap;
    void *arg;
    int rc;

    if (!real_ioctl)
        real_ioctl = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    va_start(ap, request);
    arg = va_arg(ap, void *);
    va_end(ap);

    rc = real_ioctl(fd, request, arg);
    if (rc < 0 && request == TIOCMGET && arg && (errno == ENOTTY || errno == EINVAL)) {
        *(int *)arg = TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
        return 0;
    }
    return rc;
}
