#include "tools/device/registrar.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavix::device {

namespace {

long long now_ms()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

bool Registrar::run(const std::vector<std::string>& args, std::string& output,
                    std::string& error) const
{
    output.clear();
    // Output goes to an anonymous file, not a pipe: Wine may leave a
    // wineserver behind holding the descriptor, and a pipe would never end.
    int out = memfd_create("tavix-plug-output", MFD_CLOEXEC);
    if (out < 0) {
        error = std::string("memfd_create: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> argv_text = {wine, plug_exe};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(out);
        return false;
    }
    if (pid == 0) {
        int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, 0);
        dup2(out, 1);
        dup2(out, 2);
        setenv("WINEPREFIX", prefix.c_str(), 1);
        setenv("WINEDEBUG", "-all", 0);
        // A prefix made by this run must not stop for Mono or Gecko dialogs.
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 0);
        execvp(argv[0], argv.data());
        dprintf(2, "cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }

    int status = 0;
    long long deadline = now_ms() + timeout_ms;
    bool timed_out = false;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0 && errno != EINTR) {
            error = std::string("waitpid: ") + std::strerror(errno);
            ::close(out);
            return false;
        }
        if (now_ms() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            timed_out = true;
            break;
        }
        usleep(5000);
    }

    lseek(out, 0, SEEK_SET);
    char buf[4096];
    ssize_t n;
    while ((n = ::read(out, buf, sizeof buf)) > 0)
        output.append(buf, static_cast<std::size_t>(n));
    ::close(out);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();

    if (timed_out) {
        error = "tavix-plug did not finish within " + std::to_string(timeout_ms) + " ms";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "tavix-plug failed (" +
                (WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                   : std::string("killed by a signal")) +
                ")";
        return false;
    }
    return true;
}

}  // namespace tavix::device
