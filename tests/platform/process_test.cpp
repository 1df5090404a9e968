#include "platform/process.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::TempDir;

// Writes an executable shell script.
std::string MakeScript(const fs::path& path, const std::string& body) {
    test::WriteFileBytes(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
}

// Waits for a file that a detached program writes (it moves the file into
// place when done, so once it exists it is complete).
std::string WaitForFile(const fs::path& path) {
    for (int i = 0; i < 1000 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(path) ? ReadFileBytes(path) : std::string("(never written)");
}

TEST(OwnProgramPathTest, NamesThisTestProgram) {
    fs::path own = OwnProgramPath();
    EXPECT_TRUE(own.is_absolute());
    EXPECT_TRUE(fs::is_regular_file(own));
    EXPECT_EQ(own.filename(), "korv_platform_tests");
}

TEST(GetEnvTest, TellsAnEmptyValueFromAMissingOne) {
    {
        ScopedEnv value("KORV_TEST_VALUE", "");
        EXPECT_EQ(GetEnv("KORV_TEST_VALUE"), std::optional<std::string>(""));
    }
    ScopedEnv value("KORV_TEST_VALUE", std::nullopt);
    EXPECT_EQ(GetEnv("KORV_TEST_VALUE"), std::nullopt);
    EXPECT_EQ(GetEnv(nullptr), std::nullopt);
}

class FindProgramTest : public ::testing::Test {
protected:
    TempDir first, second;
};

TEST_F(FindProgramTest, SearchesPathForAnExecutableFile) {
    MakeScript(second / "tool", "exit 0\n");
    test::WriteFileBytes(first / "tool", "not executable");
    fs::create_directory(first / "sub");
    ScopedEnv path("PATH", first.str() + "::" + second.str() + "/");
    EXPECT_EQ(FindProgram("tool"), (second / "tool").string());
    EXPECT_EQ(FindProgram("sub"), "");
    EXPECT_EQ(FindProgram("missing"), "");
    EXPECT_EQ(FindProgram(""), "");
}

TEST_F(FindProgramTest, TakesAPathWithASlashAsItIsWhenExecutable) {
    std::string tool = MakeScript(first / "tool", "exit 0\n");
    test::WriteFileBytes(first / "data", "x");
    ScopedEnv path("PATH", "");
    EXPECT_EQ(FindProgram(tool), tool);
    EXPECT_EQ(FindProgram((first / "data").string()), "");
    EXPECT_EQ(FindProgram((first / "missing").string()), "");
    EXPECT_EQ(FindProgram(first.str()), "");
}

class RunProgramTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(RunProgramTest, PassesArgumentsUnchangedAndGivesTheExitStatus) {
    std::string script = MakeScript(dir / "args", "printf '%s|' \"$#\" \"$@\" > \"$0.out\"\nexit 3\n");
    EXPECT_EQ(RunProgramAndWait(script, {"two words", "", "$HOME", "*"}), std::optional<int>(3));
    EXPECT_EQ(ReadFileBytes(dir / "args.out"), "4|two words||$HOME|*|");
}

TEST_F(RunProgramTest, RunsInTheWorkingFolder) {
    fs::create_directory(dir / "work");
    std::string script = MakeScript(dir / "where", "pwd > \"$0.out\"\n");
    EXPECT_EQ(RunProgramAndWait(script, {}, (dir / "work").string()), std::optional<int>(0));
    EXPECT_EQ(ReadFileBytes(dir / "where.out"), fs::canonical(dir / "work").string() + "\n");
}

TEST_F(RunProgramTest, RelativeProgramPathStillWorksFromAnotherWorkingFolder) {
    MakeScript(dir / "tool", "exit 5\n");
    fs::create_directory(dir / "work");
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    std::optional<int> status = RunProgramAndWait("./tool", {}, (dir / "work").string());
    fs::current_path(previous);
    EXPECT_EQ(status, std::optional<int>(5));
}

TEST_F(RunProgramTest, ReportsWhatCouldNotRunOrDidNotExit) {
    test::WriteFileBytes(dir / "data", "x");
    EXPECT_EQ(RunProgramAndWait((dir / "missing").string(), {}), std::nullopt);
    EXPECT_EQ(RunProgramAndWait((dir / "data").string(), {}), std::nullopt);
    std::string badInterpreter = (dir / "bad").string();
    test::WriteFileBytes(badInterpreter, "#!/nonexistent/interpreter\n");
    fs::permissions(badInterpreter, fs::perms::owner_all);
    EXPECT_EQ(RunProgramAndWait(badInterpreter, {}), std::nullopt);
    std::string script = MakeScript(dir / "ok", "exit 0\n");
    EXPECT_EQ(RunProgramAndWait(script, {}, (dir / "missing").string()), std::nullopt);
    EXPECT_EQ(RunProgramAndWait("/bin/sh", {"-c", "kill -9 $$"}), std::nullopt);
    EXPECT_EQ(RunProgramAndWait(std::string("/bin/sh\0x", 9), {}), std::nullopt);
}

TEST_F(RunProgramTest, ChildGetsNoneOfOurDescriptorsAndDefaultSignals) {
    // A descriptor opened without close-on-exec, as a library might.
    int leaked = open((dir.str()).c_str(), O_RDONLY);
    ASSERT_GE(leaked, 3);
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGUSR1, &ignore, &previous);

    std::string fd = std::to_string(leaked);
    std::optional<int> descriptorStatus =
        RunProgramAndWait("/bin/sh", {"-c", "test -e /proc/$$/fd/" + fd + " && exit 1; exit 0"});
    // With the signal ignored the shell would survive it and exit normally.
    std::optional<int> signalStatus = RunProgramAndWait("/bin/sh", {"-c", "kill -USR1 $$; exit 0"});

    sigaction(SIGUSR1, &previous, nullptr);
    close(leaked);
    EXPECT_EQ(descriptorStatus, std::optional<int>(0));
    EXPECT_EQ(signalStatus, std::nullopt);
}

TEST(CaptureProgramOutputTest, ReturnsAllTheOutput) {
    EXPECT_EQ(CaptureProgramOutput("/bin/sh", {"-c", "printf 'a\\nb\\0c'"}), std::optional<std::string>({"a\nb\0c", 5}));
    // More than a pipe holds at once.
    std::optional<std::string> big = CaptureProgramOutput("/bin/sh", {"-c", "head -c 300000 /dev/zero"}, 1 << 20);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), 300000u);
}

TEST(CaptureProgramOutputTest, StopsAtTheLimit) {
    std::optional<std::string> output = CaptureProgramOutput("/bin/sh", {"-c", "while :; do echo 0123456789; done"}, 25);
    EXPECT_EQ(output, std::optional<std::string>("0123456789\n0123456789\n012"));
}

TEST(CaptureProgramOutputTest, FailsWhenTheProgramFailsOrIsMissing) {
    EXPECT_EQ(CaptureProgramOutput("/bin/sh", {"-c", "echo partial; exit 2"}), std::nullopt);
    EXPECT_EQ(CaptureProgramOutput("no-such-program-korv", {}), std::nullopt);
}

TEST(CaptureProgramOutputTest, DoesNotWaitForABackgroundProcessHoldingThePipe) {
    TempDir dir;
    std::optional<std::string> output =
        CaptureProgramOutput("/bin/sh", {"-c", "sleep 30 & echo $! > '" + dir.str() + "/pid'; echo done"});
    std::string pid = ReadFileBytes(dir / "pid");
    if (!pid.empty()) kill(std::stoi(pid), SIGKILL);
    EXPECT_EQ(output, std::optional<std::string>("done\n"));
}

TEST(CaptureProgramOutputTest, ChildDoesNotReadOurStandardInput) {
    // Give ourselves a standard input with a line waiting in it.
    int saved = dup(STDIN_FILENO);
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(write(input[1], "line\n", 5), 5);
    close(input[1]);
    dup2(input[0], STDIN_FILENO);
    close(input[0]);

    std::optional<std::string> output =
        CaptureProgramOutput("/bin/sh", {"-c", "if read line; then echo got; else echo eof; fi"});

    dup2(saved, STDIN_FILENO);
    close(saved);
    EXPECT_EQ(output, std::optional<std::string>("eof\n"));
}

class StartProgramTest : public ::testing::Test {
protected:
    TempDir dir;
    // Records its arguments into <name>.rec.
    std::string Recorder(const std::string& name) {
        return MakeScript(dir / name, "printf '%s|' \"$@\" > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.rec\"\n");
    }
};

TEST_F(StartProgramTest, StartsTheProgramInItsOwnSessionWithoutWaitingOrLeavingAChild) {
    // Records its arguments, its process and its session, then keeps running.
    std::string script = MakeScript(dir / "long",
                                    "{ printf '%s|' \"$@\"; echo; echo $$; cut -d' ' -f6 /proc/$$/stat; } > \"$0.tmp\"\n"
                                    "mv \"$0.tmp\" \"$0.rec\"\nexec sleep 30\n");
    ASSERT_TRUE(StartProgram(script, {"http://example.com/a b", "x"}));
    std::istringstream record(WaitForFile(dir / "long.rec"));
    std::string arguments, session;
    pid_t pid = 0;
    record >> std::ws;
    std::getline(record, arguments);
    record >> pid >> session;
    ASSERT_GT(pid, 0);

    // Still running, yet nothing is left for us to collect.
    EXPECT_EQ(kill(pid, 0), 0);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    kill(pid, SIGKILL);

    EXPECT_EQ(arguments, "http://example.com/a b|x|");
    EXPECT_NE(session, std::to_string(getsid(0)));
}

TEST_F(StartProgramTest, LeavesTheCallersOwnChildrenAlone) {
    pid_t own = fork();
    if (own == 0) _exit(7);
    ASSERT_GT(own, 0);
    EXPECT_TRUE(StartProgram(Recorder("rec"), {}));
    WaitForFile(dir / "rec.rec");
    int status = 0;
    ASSERT_EQ(waitpid(own, &status, 0), own);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST_F(StartProgramTest, ReportsAProgramThatCannotBeStarted) {
    test::WriteFileBytes(dir / "data", "x");
    std::string badInterpreter = (dir / "bad").string();
    test::WriteFileBytes(badInterpreter, "#!/nonexistent/interpreter\n");
    fs::permissions(badInterpreter, fs::perms::owner_all);
    EXPECT_FALSE(StartProgram((dir / "missing").string(), {}));
    EXPECT_FALSE(StartProgram((dir / "data").string(), {}));
    EXPECT_FALSE(StartProgram(badInterpreter, {}));
    EXPECT_FALSE(StartProgram("no-such-program-korv", {}));
    EXPECT_FALSE(StartProgram(Recorder("rec"), {}, (dir / "missing").string()));
}

TEST_F(StartProgramTest, UsesTheWorkingFolder) {
    fs::create_directory(dir / "work");
    std::string script = MakeScript(dir / "where", "pwd > \"$0.tmp\"; mv \"$0.tmp\" \"$0.rec\"\n");
    ASSERT_TRUE(StartProgram(script, {}, (dir / "work").string()));
    EXPECT_EQ(WaitForFile(dir / "where.rec"), fs::canonical(dir / "work").string() + "\n");
}

// Collects child `pid` and gives its wait status; one that has not ended
// within ten seconds is killed and reported as nothing.
std::optional<int> CollectChild(int pid) {
    for (int i = 0; i < 1000; ++i) {
        int status = 0;
        pid_t result = waitpid(pid, &status, WNOHANG);
        if (result == pid) return status;
        if (result < 0) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return std::nullopt;
}

class StartChildProgramTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(StartChildProgramTest, ChildReadsTheGivenDescriptorToItsEndAndIsOursToCollect) {
    // Made without close-on-exec, as a library might: had the write end
    // leaked into the child, the child would never see the end of its input.
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    std::string out = (dir / "input.out").string();
    std::optional<int> pid = StartChildProgram("/bin/sh", {"-c", "cat > '" + out + "'"}, input[0]);
    // The caller's own descriptor stays open.
    EXPECT_EQ(close(input[0]), 0);
    ASSERT_TRUE(pid);
    EXPECT_EQ(write(input[1], "request\n", 8), 8);
    close(input[1]);

    std::optional<int> status = CollectChild(*pid);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_EQ(ReadFileBytes(out), "request\n");
}

TEST_F(StartChildProgramTest, ChildStartsWithNothingBlockedAndDefaultSignals) {
    // The engine blocks termination requests in its threads, for the thread
    // that waits for them; a child must not keep them blocked.
    sigset_t terminate, previousMask;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &terminate, &previousMask);
    struct sigaction ignore {}, previousAction {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGUSR1, &ignore, &previousAction);
    int input = open("/dev/null", O_RDONLY | O_CLOEXEC);

    // A shell that had the signal blocked or ignored would survive sending it
    // to itself and exit normally.
    std::optional<int> blockedChild = StartChildProgram("/bin/sh", {"-c", "kill -TERM $$; exit 0"}, input);
    std::optional<int> ignoredChild = StartChildProgram("/bin/sh", {"-c", "kill -USR1 $$; exit 0"}, input);

    close(input);
    sigaction(SIGUSR1, &previousAction, nullptr);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ASSERT_TRUE(blockedChild);
    ASSERT_TRUE(ignoredChild);
    std::optional<int> blockedStatus = CollectChild(*blockedChild);
    std::optional<int> ignoredStatus = CollectChild(*ignoredChild);
    ASSERT_TRUE(blockedStatus);
    ASSERT_TRUE(ignoredStatus);
    EXPECT_TRUE(WIFSIGNALED(*blockedStatus) && WTERMSIG(*blockedStatus) == SIGTERM);
    EXPECT_TRUE(WIFSIGNALED(*ignoredStatus) && WTERMSIG(*ignoredStatus) == SIGUSR1);
}

TEST_F(StartChildProgramTest, ReportsAProgramThatCannotBeStartedAndLeavesNoChild) {
    std::string badInterpreter = (dir / "bad").string();
    test::WriteFileBytes(badInterpreter, "#!/nonexistent/interpreter\n");
    fs::permissions(badInterpreter, fs::perms::owner_all);
    int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(StartChildProgram((dir / "missing").string(), {}, input), std::nullopt);
    // This one fails only in the child, after the fork.
    EXPECT_EQ(StartChildProgram(badInterpreter, {}, input), std::nullopt);
    EXPECT_EQ(StartChildProgram("/bin/sh", {}, -1), std::nullopt);
    close(input);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace korv::platform

namespace korv::platform {
namespace {

// Temporary files carry their writer's process identifier; a writer that
// ended (also one nobody has reaped yet) no longer runs.
TEST(ProcessExistsTest, TellsARunningProcessFromOneThatEnded) {
    EXPECT_TRUE(ProcessExists(CurrentProcessId()));
    EXPECT_FALSE(ProcessExists(0));
    EXPECT_FALSE(ProcessExists(2147483646));
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    // Ended but not reaped: a zombie.
    for (int i = 0; i < 200 && ProcessExists(child); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(ProcessExists(child));
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
}

}  // namespace
}  // namespace korv::platform
