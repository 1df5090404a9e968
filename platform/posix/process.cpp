// The running program and the programs it starts, on POSIX systems.
//
// Children are made with fork and execv. Between the two only
// async-signal-safe calls are made, because other threads may hold locks at
// the moment of the fork; everything the child needs is prepared before.
// A child gets /dev/null (or the descriptor its caller gives) as standard
// input, default signal handling, an empty signal mask, and none of our
// descriptors other than 0, 1 and 2. A failed exec is reported back through
// a close-on-exec pipe, so callers learn when a program could not be started.

#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/folders.h"

namespace korv::platform {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

void CloseIfOpen(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Moves a new descriptor above the standard ones, so that setting up the
// child's 0, 1 and 2 never overwrites it. Keeps close-on-exec.
int AboveStandardDescriptors(int fd) {
    if (fd < 0 || fd > 2) return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

// A pipe whose both ends are close-on-exec and above the standard descriptors.
bool MakePipe(int (&ends)[2]) {
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    ends[0] = AboveStandardDescriptors(ends[0]);
    ends[1] = AboveStandardDescriptors(ends[1]);
    if (ends[0] < 0 || ends[1] < 0) {
        CloseIfOpen(ends[0]);
        CloseIfOpen(ends[1]);
        return false;
    }
    return true;
}

// Everything the child needs, prepared before the fork.
struct ChildPlan {
    std::string path;  // absolute path of the program file
    std::vector<std::string> argumentTexts;
    std::vector<char*> argv;
    std::string workingFolder;
    int stdinFd = -1;      // becomes the child's standard input
    int stdoutFd = -1;     // becomes its standard output; -1 keeps ours
    int errorWrite = -1;   // write end of the exec-failure pipe
    int errorRead = -1;
    long descriptorLimit = 0;

    ChildPlan() = default;
    ChildPlan(const ChildPlan&) = delete;
    ChildPlan& operator=(const ChildPlan&) = delete;
    ~ChildPlan() {
        CloseIfOpen(stdinFd);
        CloseIfOpen(errorWrite);
        CloseIfOpen(errorRead);
    }
};

// `standardInput` becomes the child's standard input; -1 gives it /dev/null.
bool PreparePlan(ChildPlan& plan, const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& workingFolder, int standardInput = -1) {
    if (HasNul(program) || HasNul(workingFolder)) return false;
    for (const auto& argument : arguments)
        if (HasNul(argument)) return false;

    plan.path = FindProgram(program);
    if (plan.path.empty()) return false;
    if (plan.path[0] != '/') {
        // A relative path must not change meaning when the child changes folder.
        char* current = getcwd(nullptr, 0);
        if (!current) return false;
        plan.path = JoinPath(current, plan.path);
        free(current);
    }

    plan.argumentTexts.reserve(arguments.size() + 1);
    plan.argumentTexts.push_back(program);
    plan.argumentTexts.insert(plan.argumentTexts.end(), arguments.begin(), arguments.end());
    for (auto& text : plan.argumentTexts) plan.argv.push_back(text.data());
    plan.argv.push_back(nullptr);
    plan.workingFolder = workingFolder;

    plan.stdinFd = standardInput >= 0 ? fcntl(standardInput, F_DUPFD_CLOEXEC, 3)
                                      : AboveStandardDescriptors(open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (plan.stdinFd < 0) return false;

    int errorPipe[2];
    if (!MakePipe(errorPipe)) return false;
    plan.errorRead = errorPipe[0];
    plan.errorWrite = errorPipe[1];

    long limit = sysconf(_SC_OPEN_MAX);
    plan.descriptorLimit = (limit > 0 && limit < 65536) ? limit : 65536;
    return true;
}

[[noreturn]] void FailInChild(const ChildPlan& plan, int error) {
    ssize_t ignored = write(plan.errorWrite, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// Descriptors that other parts of the program opened without close-on-exec
// must not leak into a child. Async-signal-safe.
void MarkDescriptorsCloseOnExec(long limit) {
#ifdef CLOSE_RANGE_CLOEXEC
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
#endif
    for (int fd = 3; fd < limit; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Runs in the child after the fork: async-signal-safe calls only.
[[noreturn]] void ExecInChild(const ChildPlan& plan) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP) sigaction(signal, &defaultAction, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    if (dup2(plan.stdinFd, STDIN_FILENO) < 0) FailInChild(plan, errno);
    if (plan.stdoutFd >= 0 && dup2(plan.stdoutFd, STDOUT_FILENO) < 0) FailInChild(plan, errno);

    MarkDescriptorsCloseOnExec(plan.descriptorLimit);
    if (!plan.workingFolder.empty() && chdir(plan.workingFolder.c_str()) != 0) FailInChild(plan, errno);
    execv(plan.path.c_str(), plan.argv.data());
    FailInChild(plan, errno);
}

// Blocks all signals in the calling thread for the scope, so that no signal
// handler of ours runs in a child before it has reset the handlers.
class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &previous_);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

// Forks a child that runs the plan; -1 when there is no child.
pid_t ForkChild(const ChildPlan& plan) {
    SignalsBlocked blocked;
    pid_t child = fork();
    if (child == 0) ExecInChild(plan);
    return child;
}

// Waits until the exec-failure pipe closes; true when the exec succeeded.
bool ExecSucceeded(ChildPlan& plan) {
    CloseIfOpen(plan.errorWrite);
    int error = 0;
    ssize_t got;
    do {
        got = read(plan.errorRead, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    CloseIfOpen(plan.errorRead);
    return got == 0;
}

// Waits for one specific child; nothing when it cannot be waited for (for
// example because somebody else collected it already).
std::optional<int> WaitForChild(pid_t pid) {
    int status = 0;
    pid_t result;
    do {
        result = waitpid(pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    if (result != pid) return std::nullopt;
    return status;
}

pid_t ForkInChild() {
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
    return _Fork();
#else
    return fork();
#endif
}

}  // namespace

std::string OwnProgramPath() {
    std::vector<char> buffer(PATH_MAX);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::optional<std::string> GetEnv(const char* name) {
    if (!name) return std::nullopt;
    const char* value = getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::string FindProgram(const std::string& program) {
    if (program.empty() || HasNul(program)) return {};
    if (program.find('/') != std::string::npos) return IsExecutableFile(program) ? program : std::string();

    std::string searchPath;
    if (const char* path = getenv("PATH")) {
        searchPath = path;
    } else {
        size_t size = confstr(_CS_PATH, nullptr, 0);
        if (size > 0) {
            std::vector<char> buffer(size);
            confstr(_CS_PATH, buffer.data(), buffer.size());
            searchPath = buffer.data();
        }
    }
    // Empty entries (the current folder, by an old convention) are skipped:
    // a screen saver has no business running programs from wherever it was
    // started.
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos) end = searchPath.size();
        if (end > start) {
            std::string candidate = JoinPath(searchPath.substr(start, end - start), program);
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder) {
    ChildPlan plan;
    if (!PreparePlan(plan, program, arguments, workingFolder)) return false;

    // Double fork: the intermediate child starts the program in a new session
    // and ends at once; we collect it right here, and the program itself is
    // adopted by init, so no zombie is left and no SIGCHLD handling is needed.
    pid_t intermediate;
    {
        SignalsBlocked blocked;
        intermediate = fork();
        if (intermediate == 0) {
            setsid();
            pid_t grandchild = ForkInChild();
            if (grandchild == 0) ExecInChild(plan);
            if (grandchild < 0) FailInChild(plan, errno);
            _exit(0);
        }
    }
    if (intermediate < 0) return false;
    bool started = ExecSucceeded(plan);
    WaitForChild(intermediate);
    return started;
}

std::optional<int> RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                                     const std::string& workingFolder) {
    ChildPlan plan;
    if (!PreparePlan(plan, program, arguments, workingFolder)) return std::nullopt;

    pid_t child = ForkChild(plan);
    if (child < 0) return std::nullopt;
    bool started = ExecSucceeded(plan);
    std::optional<int> status = WaitForChild(child);
    if (!started || !status || !WIFEXITED(*status)) return std::nullopt;
    return WEXITSTATUS(*status);
}

std::optional<int> StartChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                                     int standardInput) {
    if (standardInput < 0) return std::nullopt;
    ChildPlan plan;
    if (!PreparePlan(plan, program, arguments, "", standardInput)) return std::nullopt;

    pid_t child = ForkChild(plan);
    if (child < 0) return std::nullopt;
    if (!ExecSucceeded(plan)) {
        WaitForChild(child);
        return std::nullopt;
    }
    return static_cast<int>(child);
}

std::optional<std::string> CaptureProgramOutput(const std::string& program, const std::vector<std::string>& arguments,
                                                size_t limit) {
    ChildPlan plan;
    if (!PreparePlan(plan, program, arguments, "")) return std::nullopt;
    int output[2];
    if (!MakePipe(output)) return std::nullopt;
    plan.stdoutFd = output[1];

    pid_t child = ForkChild(plan);
    CloseIfOpen(output[1]);
    plan.stdoutFd = -1;
    if (child < 0) {
        CloseIfOpen(output[0]);
        return std::nullopt;
    }
    if (!ExecSucceeded(plan)) {
        CloseIfOpen(output[0]);
        WaitForChild(child);
        return std::nullopt;
    }

    // Read until end of file. A program that leaves a background process
    // holding the pipe open must not keep us waiting: once the program itself
    // has ended, whatever is still in the pipe is taken and reading stops.
    std::string text;
    bool truncated = false;
    std::optional<int> status;
    bool childEnded = false;
    char buffer[4096];
    for (;;) {
        pollfd ready{output[0], POLLIN, 0};
        int polled = poll(&ready, 1, childEnded ? 0 : 200);
        if (polled < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (polled == 0) {
            if (childEnded) break;
            int raw = 0;
            pid_t result = waitpid(child, &raw, WNOHANG);
            if (result == child) {
                status = raw;
                childEnded = true;
            } else if (result < 0 && errno != EINTR) {
                childEnded = true;  // collected elsewhere; its status is lost
            }
            continue;
        }
        ssize_t got = read(output[0], buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            break;
        }
        if (got == 0) break;
        size_t room = limit - text.size();
        text.append(buffer, std::min(room, static_cast<size_t>(got)));
        if (static_cast<size_t>(got) > room) {
            truncated = true;
            break;
        }
    }
    // Closing our end makes a program that still writes end with SIGPIPE.
    CloseIfOpen(output[0]);
    if (!childEnded) status = WaitForChild(child);

    if (!status) return std::nullopt;
    if (WIFEXITED(*status) && WEXITSTATUS(*status) == 0) return text;
    if (truncated && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGPIPE) return text;
    return std::nullopt;
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

void FailWritesBeyondFileSizeLimit() { ::signal(SIGXFSZ, SIG_IGN); }

bool ProcessExists(int pid) {
    if (pid <= 0) return false;
    // EPERM: it exists but belongs to someone else.
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    // A process that ended but was not reaped yet (a zombie) runs no more.
    std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    int fd = ::open(stat.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    char buffer[512];
    ssize_t got = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (got <= 0) return true;
    buffer[got] = '\0';
    // "pid (name) S ...": the state follows the last ')'.
    const char* close = std::strrchr(buffer, ')');
    return !(close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X'));
}

std::optional<int> RunProgramWithInput(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::string& input) {
    int ends[2];
    if (!MakePipe(ends)) return std::nullopt;
    std::optional<int> child = StartChildProgram(program, arguments, ends[0]);
    CloseIfOpen(ends[0]);
    if (!child) {
        CloseIfOpen(ends[1]);
        return std::nullopt;
    }
    // A child that ends without reading must not end us with SIGPIPE: the
    // signal is blocked while writing and a pending one is taken away.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    size_t written = 0;
    while (written < input.size()) {
        ssize_t n = ::write(ends[1], input.data() + written, input.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    CloseIfOpen(ends[1]);
    struct timespec noWait = {0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &noWait) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    std::optional<int> status = WaitForChild(static_cast<pid_t>(*child));
    if (!status || !WIFEXITED(*status)) return std::nullopt;
    return WEXITSTATUS(*status);
}

}  // namespace korv::platform
