#include "harness.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace {

// Children started and not yet reaped.
std::vector<pid_t> running;

void reaped(pid_t pid) { running.erase(std::remove(running.begin(), running.end(), pid), running.end()); }

double now_seconds(void) {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::vector<std::string> runner_words(void) {
    std::vector<std::string> words;
    const char *runner = getenv("PIPEMETER_E2E_RUNNER");
    if (runner == nullptr) return words;
    std::istringstream in(runner);
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

void close_fd(int &fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Reads what is ready on the child's pipes, waiting at most wait_ms.
// Returns false once both pipes have reached their end.
bool pump(Child &child, int wait_ms) {
    pollfd fds[2];
    int count = 0;
    if (child.out_fd >= 0) fds[count++] = {child.out_fd, POLLIN, 0};
    if (child.err_fd >= 0) fds[count++] = {child.err_fd, POLLIN, 0};
    if (count == 0) return false;
    if (poll(fds, count, wait_ms) <= 0) return true;
    for (int i = 0; i < count; ++i) {
        if (fds[i].revents == 0) continue;
        char buffer[65536];
        ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        bool is_out = fds[i].fd == child.out_fd;
        if (n > 0) {
            (is_out ? child.out : child.err).append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            close_fd(is_out ? child.out_fd : child.err_fd);
        }
    }
    return true;
}

sockaddr_in loopback(int port) {
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

std::string program_path(void) {
    const char *path = getenv("PIPEMETER_E2E_PROGRAM");
    return path != nullptr && path[0] != '\0' ? path : PIPEMETER_E2E_DEFAULT_PROGRAM;
}

bool has_runner(void) { return !runner_words().empty(); }

std::string shown_name(const std::string &path) {
    size_t backslash = path.rfind('\\');
    return backslash == std::string::npos ? path : path.substr(backslash + 1);
}

std::string program_shown_name(void) {
    std::string path = program_path();
    if (!has_runner()) return shown_name(path);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A pseudo-terminal in raw mode, so the program sees a terminal and its
// bytes arrive untranslated. out[0] is the side the test reads.
int open_terminal(int out[2]) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return errno;
    const char *name = grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : nullptr;
    int slave = name != nullptr ? open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    termios mode;
    if (slave < 0 || tcgetattr(slave, &mode) != 0) {
        int number = errno != 0 ? errno : ENOTTY;
        close(master);
        if (slave >= 0) close(slave);
        return number;
    }
    cfmakeraw(&mode);
    tcsetattr(slave, TCSANOW, &mode);
    out[0] = master;
    out[1] = slave;
    return 0;
}

int start_program(Child &child, const std::vector<std::string> &args, const char *argv0, bool on_terminal) {
    std::vector<std::string> words = runner_words();
    std::string file = words.empty() ? program_path() : words[0];
    words.push_back(program_path());
    if (argv0 != nullptr && words.size() == 1) words[0] = argv0;
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);

    int out[2], err[2];
    if (on_terminal) {
        int number = open_terminal(out);
        if (number != 0) return number;
    } else if (pipe2(out, O_CLOEXEC) != 0) {
        return errno;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        int number = errno;
        close(out[0]);
        close(out[1]);
        return number;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    int result = posix_spawnp(&child.pid, file.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    child.out_fd = out[0];
    child.err_fd = err[0];
    if (result == 0) {
        running.push_back(child.pid);
    } else {
        child.pid = -1;
        close_fd(child.out_fd);
        close_fd(child.err_fd);
    }
    return result;
}

bool read_until(Child &child, const std::string &needle, double limit) {
    double end = now_seconds() + limit;
    while (child.out.find(needle) == std::string::npos) {
        if (now_seconds() >= end) {
            kill_child(child);
            return false;
        }
        if (!pump(child, 50)) return false;
    }
    return true;
}

void kill_child(Child &child) {
    if (child.pid > 0) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, nullptr, 0);
        reaped(child.pid);
        child.pid = -1;
        child.killed = true;
    }
    close_fd(child.out_fd);
    close_fd(child.err_fd);
}

void kill_leftovers(void) {
    for (pid_t pid : running) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    running.clear();
}

bool finish(Child &child, double limit) {
    double end = now_seconds() + limit;
    while (pump(child, 50)) {
        if (now_seconds() >= end) {
            kill_child(child);
            return false;
        }
    }
    while (child.pid > 0) {
        int status;
        pid_t done = waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid) {
            reaped(child.pid);
            child.pid = -1;
            child.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        if (now_seconds() >= end) {
            kill_child(child);
            return false;
        }
        sleep_ms(10);
    }
    return !child.killed;
}

bool run_program(Child &child, const std::vector<std::string> &args, const char *argv0) {
    return start_program(child, args, argv0) == 0 && finish(child);
}

int free_port(void) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

std::string port_arg(int port) { return "/P:" + std::to_string(port); }

int connect_to(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

int listen_on(int port, bool reuse_address) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    int on = 1;
    if (reuse_address) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 && listen(fd, 4) == 0)
        return fd;
    if (fd >= 0) close(fd);
    return -1;
}

int accept_within(int listener, double limit) {
    pollfd ready = {listener, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(limit * 1000)) != 1) return -1;
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

bool send_bytes(int fd, long long count) {
    static const char block[1024] = {'x'};
    while (count > 0) {
        size_t piece = count < static_cast<long long>(sizeof block) ? static_cast<size_t>(count) : sizeof block;
        ssize_t n = send(fd, block, piece, MSG_NOSIGNAL);
        if (n <= 0) return false;
        count -= n;
    }
    return true;
}

long long send_steadily(int fd, int piece, int gap_ms, int duration_ms) {
    double start = now_seconds();
    long long sent = 0;
    for (int i = 0; (now_seconds() - start) * 1000 < duration_ms; ++i) {
        if (!send_bytes(fd, piece)) return -1;
        sent += piece;
        // Paced against the start, so a late wake-up does not slow the rate.
        double next = start + (i + 1) * gap_ms * 0.001;
        double wait = next - now_seconds();
        if (wait > 0) sleep_ms(static_cast<int>(wait * 1000));
    }
    return sent;
}

long long receive_bytes(int fd, long long count, double limit) {
    double end = now_seconds() + limit;
    long long got = 0;
    char buffer[4096];
    while (got < count && now_seconds() < end) {
        pollfd ready = {fd, POLLIN, 0};
        if (poll(&ready, 1, 50) != 1) continue;
        size_t want = count - got < static_cast<long long>(sizeof buffer) ? static_cast<size_t>(count - got) : sizeof buffer;
        ssize_t n = recv(fd, buffer, want, 0);
        if (n <= 0) break;
        got += n;
    }
    return got;
}

void close_with_reset(int fd) {
    linger abrupt = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
    close(fd);
}

namespace {

const unsigned tcp_time_wait = 0x06, tcp_listen = 0x0A;

// The first local port in /proc/net/tcp whose row passes wanted(port, state, inode); -1 when none.
template <typename Wanted>
int find_tcp_port(Wanted wanted) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // column names
    while (std::getline(table, line)) {
        unsigned port, state;
        unsigned long inode;
        if (sscanf(line.c_str(), " %*d: %*x:%x %*x:%*x %x %*x:%*x %*x:%*x %*x %*u %*u %lu", &port, &state, &inode) ==
                3 &&
            wanted(static_cast<int>(port), state, inode))
            return static_cast<int>(port);
    }
    return -1;
}

}  // namespace

bool port_in_time_wait(int port) {
    return find_tcp_port([port](int p, unsigned state, unsigned long) { return p == port && state == tcp_time_wait; }) >= 0;
}

int listening_port(const Child &child) {
    std::string dir = "/proc/" + std::to_string(child.pid) + "/fd/";
    std::vector<unsigned long> inodes;
    for (int fd = 0; fd < 1024; ++fd) {
        char target[64];
        ssize_t n = readlink((dir + std::to_string(fd)).c_str(), target, sizeof target - 1);
        unsigned long inode;
        if (n > 0 && (target[n] = '\0', sscanf(target, "socket:[%lu]", &inode) == 1)) inodes.push_back(inode);
    }
    return find_tcp_port([&inodes](int, unsigned state, unsigned long inode) {
        return state == tcp_listen && std::find(inodes.begin(), inodes.end(), inode) != inodes.end();
    });
}

void sleep_ms(int ms) {
    timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}
