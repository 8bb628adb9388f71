/* Null-modem cable for Windows tests under Wine, made of Linux ptys.
 *
 * A Windows program cannot create a pty, so this native helper does it for
 * the program.  It is started where Wine would be (cmake/wine-run honours
 * $WINE), so every test program gets fresh pairs for exactly its own run:
 *
 *   TAVIX_PTY_LINKS="com41:com42,com43:com44"   pairs to create
 *   WINEPREFIX                                   prefix whose dosdevices get the links
 *   TAVIX_PTY_EXEC                               what to run with our own arguments
 *                                                (default: Wine's 64-bit loader, else "wine")
 *
 * For each pair A:B it opens two ptys, links $WINEPREFIX/dosdevices/A and
 * .../B to their slave sides and copies bytes between the two master sides,
 * so whatever the program writes to COM A arrives at COM B and back, as over
 * a crossed cable.  The helper keeps every slave open itself: otherwise the
 * master would report a hang-up (EIO) each time the program closes its port,
 * and the link would die after the first close.  Both slaves start in raw
 * mode.  When the command ends the links are removed and its exit status is
 * passed on; if the helper dies first, the command is killed with it.
 *
 * Each slave is also made the controlling terminal of a small session of its
 * own.  Wine's server opens the device for the program, and a session leader
 * that opens a terminal without one adopts it: the hang-up when the masters
 * close would then reach the server as SIGHUP.  A terminal that already
 * belongs to a session is never adopted by another. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#define MAX_PAIRS 8
#define BUF_SIZE 65536

struct pty {
    int master;
    int slave;
    char slave_name[64];
    char link[PATH_MAX];
};

/* One direction of a pair: bytes read from one master wait here until the
 * other master takes them. */
struct lane {
    struct pty *from;
    struct pty *to;
    unsigned char buf[BUF_SIZE];
    size_t len;
    size_t off;
};

static struct pty ptys[2 * MAX_PAIRS];
static struct lane lanes[2 * MAX_PAIRS];
static int pty_count;
static int sigchld_pipe[2];

static void fail(const char *what)
{
    fprintf(stderr, "ptylink: %s: %s\n", what, strerror(errno));
}

static void remove_links(void)
{
    for (int i = 0; i < pty_count; ++i) {
        char target[64];
        ssize_t n = readlink(ptys[i].link, target, sizeof target - 1);
        /* Only our own link goes: another run may have replaced it. */
        if (n > 0) {
            target[n] = 0;
            if (strcmp(target, ptys[i].slave_name) == 0)
                unlink(ptys[i].link);
        }
    }
}

/* Makes way for our link.  A link left by a run that was killed points
 * nowhere and is replaced; a live one belongs to another test program using
 * the same name at the same time: wait a while for it to go, then give up
 * rather than steal it. */
static int claim_link(const char *link)
{
    struct stat st;
    for (int waited_ms = 0; lstat(link, &st) == 0; waited_ms += 100) {
        if (S_ISLNK(st.st_mode) && stat(link, &st) != 0) {
            if (unlink(link) != 0) {
                fail(link);
                return 0;
            }
            continue;
        }
        if (waited_ms >= 30000) {
            fprintf(stderr, "ptylink: %s is in use by someone else\n", link);
            return 0;
        }
        usleep(100 * 1000);
    }
    return 1;
}

/* The session that owns a slave as its controlling terminal.  It lives until
 * the helper is gone (its end of the pipe closes) and ignores what a terminal
 * could send it. */
static int hold_terminal(int slave, const int lifeline[2])
{
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid > 0)
        return 0;
    static const int quiet[] = {SIGHUP, SIGINT, SIGQUIT, SIGTSTP, SIGTTIN, SIGTTOU};
    for (size_t i = 0; i < sizeof quiet / sizeof quiet[0]; ++i)
        signal(quiet[i], SIG_IGN);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close(lifeline[1]);
    /* Nothing to say: keep clear of the output of the run being wrapped. */
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
    }
    if (setsid() < 0 || ioctl(slave, TIOCSCTTY, 0) < 0)
        _exit(1);
    char c;
    while (read(lifeline[0], &c, 1) < 0 && errno == EINTR) {
    }
    _exit(0);
}

static int open_pty(struct pty *p, const char *dosdevices, const char *name, const int lifeline[2])
{
    struct termios tio;
    p->master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (p->master < 0 || grantpt(p->master) || unlockpt(p->master) ||
        ptsname_r(p->master, p->slave_name, sizeof p->slave_name)) {
        fail("posix_openpt");
        return -1;
    }
    p->slave = open(p->slave_name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (p->slave < 0) {
        fail(p->slave_name);
        return -1;
    }
    if (tcgetattr(p->slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(p->slave, TCSANOW, &tio);
    }
    if (hold_terminal(p->slave, lifeline)) {
        fail("fork");
        return -1;
    }
    snprintf(p->link, sizeof p->link, "%s/%s", dosdevices, name);
    if (!claim_link(p->link))
        return -1;
    if (symlink(p->slave_name, p->link)) {
        fail(p->link);
        return -1;
    }
    return 0;
}

/* Moves what it can in one direction without ever blocking. */
static int pump(struct lane *l, short from_events, short to_events)
{
    if (l->len == 0 && (from_events & POLLIN)) {
        ssize_t n = read(l->from->master, l->buf, sizeof l->buf);
        if (n > 0) {
            l->len = (size_t)n;
            l->off = 0;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
            fail("read");
            return -1;
        }
    }
    if (l->len > 0 && (to_events & POLLOUT || l->off == 0)) {
        ssize_t n = write(l->to->master, l->buf + l->off, l->len - l->off);
        if (n > 0) {
            l->off += (size_t)n;
            if (l->off == l->len)
                l->len = l->off = 0;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
            fail("write");
            return -1;
        }
    }
    return 0;
}

static void on_sigchld(int sig)
{
    (void)sig;
    int saved = errno;
    if (write(sigchld_pipe[1], "x", 1) < 0) {
        /* The pipe is full: the loop wakes anyway. */
    }
    errno = saved;
}

int main(int argc, char **argv)
{
    const char *prefix = getenv("WINEPREFIX");
    const char *links = getenv("TAVIX_PTY_LINKS");
    const char *exec_name = getenv("TAVIX_PTY_EXEC");
    char dosdevices[PATH_MAX];

    if (!exec_name || !*exec_name)
        exec_name = access("/usr/lib/wine/wine64", X_OK) == 0 ? "/usr/lib/wine/wine64" : "wine";
    /* wine-run makes a new prefix by running wineboot through $WINE too;
     * there is nothing to link yet, and no cable is wanted for it. */
    if (argc > 1 && (strcmp(argv[1], "wineboot") == 0 || strstr(argv[1], "wineboot.exe"))) {
        argv[0] = (char *)exec_name;
        execvp(exec_name, argv);
        fail(exec_name);
        return 127;
    }
    if (!prefix || !links) {
        fprintf(stderr, "ptylink: WINEPREFIX and TAVIX_PTY_LINKS must be set\n");
        return 2;
    }
    snprintf(dosdevices, sizeof dosdevices, "%s/dosdevices", prefix);

    /* The terminal holders read this pipe until the helper is gone. */
    int lifeline[2];
    if (pipe2(lifeline, O_CLOEXEC)) {
        fail("pipe");
        return 2;
    }

    char pairs[512];
    snprintf(pairs, sizeof pairs, "%s", links);
    for (char *save = NULL, *pair = strtok_r(pairs, ",", &save); pair; pair = strtok_r(NULL, ",", &save)) {
        char *colon = strchr(pair, ':');
        if (!colon || pty_count + 2 > 2 * MAX_PAIRS) {
            fprintf(stderr, "ptylink: bad pair list \"%s\"\n", links);
            remove_links();
            return 2;
        }
        *colon = 0;
        struct pty *a = &ptys[pty_count], *b = &ptys[pty_count + 1];
        int ok = open_pty(a, dosdevices, pair, lifeline) == 0;
        pty_count++;
        ok = ok && open_pty(b, dosdevices, colon + 1, lifeline) == 0;
        pty_count++;
        if (!ok) {
            remove_links();
            return 2;
        }
        lanes[pty_count - 2] = (struct lane){.from = a, .to = b};
        lanes[pty_count - 1] = (struct lane){.from = b, .to = a};
    }

    if (pipe2(sigchld_pipe, O_CLOEXEC | O_NONBLOCK)) {
        fail("pipe");
        remove_links();
        return 2;
    }
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_sigchld;
    sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigaction(SIGCHLD, &sa, NULL);

    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        fail("fork");
        remove_links();
        return 2;
    }
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        char **args = calloc((size_t)argc + 1, sizeof *args);
        args[0] = (char *)exec_name;
        for (int i = 1; i < argc; ++i)
            args[i] = argv[i];
        execvp(exec_name, args);
        fail(exec_name);
        _exit(127);
    }
    signal(SIGTERM, SIG_IGN);

    int status = 0;
    for (;;) {
        struct pollfd fds[2 * MAX_PAIRS + 1];
        for (int i = 0; i < pty_count; ++i) {
            /* Read from a master only when its lane has room; wait for room
             * on the other master only while bytes are held back. */
            fds[i].fd = ptys[i].master;
            fds[i].events = (short)((lanes[i].len == 0 ? POLLIN : 0) |
                                    (lanes[i ^ 1].len > 0 ? POLLOUT : 0));
            fds[i].revents = 0;
        }
        fds[pty_count].fd = sigchld_pipe[0];
        fds[pty_count].events = POLLIN;
        fds[pty_count].revents = 0;
        if (poll(fds, (nfds_t)pty_count + 1, -1) < 0 && errno != EINTR) {
            fail("poll");
            break;
        }
        if (fds[pty_count].revents) {
            char drain[16];
            while (read(sigchld_pipe[0], drain, sizeof drain) > 0) {
            }
            if (waitpid(child, &status, WNOHANG) == child)
                break;
        }
        for (int i = 0; i < pty_count; ++i)
            if (pump(&lanes[i], fds[i].revents, fds[i ^ 1].revents))
                goto out;
    }
out:
    remove_links();
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 1;
}
