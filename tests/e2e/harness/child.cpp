#include "child.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void sleep_ms(int ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace

double now_ms() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

namespace {

// The fields of /proc/PID/stat from the third on. The command name before
// them may hold blanks and parentheses: they start after the last ')'.
bool stat_fields(pid_t pid, std::istringstream& fields) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return false;
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos || close + 2 > text.size()) return false;
    fields.str(text.substr(close + 2));
    return true;
}

std::string comm_of(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

pid_t parent_of(pid_t pid) {
    std::istringstream fields;
    if (!stat_fields(pid, fields)) return -1;
    std::string state;
    long ppid = -1;
    fields >> state >> ppid;
    return static_cast<pid_t>(ppid);
}

}  // namespace

double cpu_ms(pid_t pid) {
    std::istringstream fields;
    if (!stat_fields(pid, fields)) return -1;
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // Fields 3.. of proc(5); utime and stime are fields 14 and 15.
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
        if (n == 15) stime = std::strtoull(field.c_str(), nullptr, 10);
    }
    return static_cast<double>(utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

pid_t find_process(pid_t root, const std::string& name) {
    if (root <= 0) return -1;
    const std::string wanted = name.substr(0, 15);
    if (comm_of(root).rfind(wanted, 0) == 0) return root;
    DIR* proc = opendir("/proc");
    if (!proc) return -1;
    pid_t found = -1;
    while (dirent* e = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0 || comm_of(pid).rfind(wanted, 0) != 0) continue;
        // Is `root` among its ancestors?
        for (pid_t p = parent_of(pid), hops = 0; p > 1 && hops < 64; p = parent_of(p), ++hops)
            if (p == root) {
                found = pid;
                break;
            }
        if (found > 0) break;
    }
    closedir(proc);
    return found;
}

child::~child() {
    if (!reaped_) stop(2000);
    close_fd(in_);
    close_output();
}

bool child::start(const launch& how, std::string& error) {
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<char*> argv;
    for (const auto& a : how.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        setpgid(0, 0);
        // Whatever ends the harness, even SIGKILL, ends the programs it ran.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        signal(SIGPIPE, SIG_DFL);
        for (const auto& name : how.unset_env) unsetenv(name.c_str());
        for (const auto& [name, value] : how.set_env) setenv(name.c_str(), value.c_str(), 1);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    // Also from this side, so a signal sent at once reaches the group.
    setpgid(pid, pid);
    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    in_ = in_pipe[1];
    out_ = out_pipe[0];
    err_ = err_pipe[0];
    fcntl(out_, F_SETFL, O_NONBLOCK);
    fcntl(err_, F_SETFL, O_NONBLOCK);
    pid_ = pid;
    reaped_ = false;
    exit_code_ = -1;
    exit_signal_ = 0;
    return true;
}

bool child::send(const std::string& line) {
    if (in_ < 0) return false;
    std::string data = line + "\n";
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(in_, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            close_fd(in_);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void child::close_input() { close_fd(in_); }

void child::close_output() {
    close_fd(out_);
    close_fd(err_);
}

bool child::running() {
    if (reaped_) return false;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0) return true;
    reaped_ = true;
    if (r == pid_) {
        if (WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) exit_signal_ = WTERMSIG(status);
    }
    return false;
}

bool child::wait_exit(int timeout_ms) {
    const double deadline = now_ms() + timeout_ms;
    while (running()) {
        if (now_ms() >= deadline) return false;
        sleep_ms(10);
    }
    return true;
}

void child::signal_group(int sig) {
    if (pid_ > 0 && !reaped_) ::kill(-pid_, sig);
}

void child::stop(int grace_ms) {
    if (reaped_) return;
    close_input();
    signal_group(SIGTERM);
    if (wait_exit(grace_ms)) return;
    signal_group(SIGKILL);
    wait_exit(5000);
}

bool run_to_end(const launch& how, int timeout_ms, std::string& output, std::string& error) {
    child c;
    if (!c.start(how, error)) return false;
    c.close_input();
    output.clear();
    std::string errors;
    const double deadline = now_ms() + timeout_ms;
    int fds_open[2] = {c.out_fd(), c.err_fd()};
    auto drain = [&](bool wait) {
        // A negative descriptor is skipped by poll: an ended stream is not watched again.
        struct pollfd fds[2] = {{fds_open[0], POLLIN, 0}, {fds_open[1], POLLIN, 0}};
        if (poll(fds, 2, wait ? 50 : 0) <= 0) return;
        for (int i = 0; i < 2; ++i) {
            if (fds_open[i] < 0 || fds[i].revents == 0) continue;
            char buf[4096];
            const ssize_t n = ::read(fds_open[i], buf, sizeof buf);
            if (n > 0) (i == 0 ? output : errors).append(buf, static_cast<std::size_t>(n));
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) fds_open[i] = -1;
        }
    };
    // Until the program ends, not until its pipes do: Wine's helper processes
    // that it starts inherit them and may hold them open for a long time.
    while (c.running()) {
        if (now_ms() > deadline) {
            c.stop(1000);
            error = how.argv.front() + " did not finish within " + std::to_string(timeout_ms) + " ms";
            return false;
        }
        drain(true);
    }
    for (int round = 0; round < 1000 && (fds_open[0] >= 0 || fds_open[1] >= 0); ++round) {
        const std::size_t before = output.size() + errors.size();
        drain(false);
        if (output.size() + errors.size() == before) break;
    }
    if (c.exit_code() != 0) {
        error = how.argv.front() + " failed (status " + std::to_string(c.exit_code()) + "): " + errors;
        return false;
    }
    return true;
}

}  // namespace e2e
