#include "tests/support/command_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/test_environment.h"

namespace korv::test {

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& env) {
    TempDir dir;
    // env takes its -u options before any assignment.
    std::string command = "env";
    for (const auto& assignment : env)
        if (assignment[0] == '-') command += " -u " + ShellQuote(assignment.substr(1));
    for (const auto& assignment : env)
        if (assignment[0] != '-') command += " " + ShellQuote(assignment);
    command += " " + ShellQuote(program);
    for (const auto& argument : arguments) command += " " + ShellQuote(argument);
    command += " </dev/null >" + ShellQuote((dir / "out").string()) + " 2>" + ShellQuote((dir / "err").string());
    int status = std::system(command.c_str());
    CommandResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFileBytes(dir / "out");
    result.err = ReadFileBytes(dir / "err");
    return result;
}

static std::string BuildDir() {
    const char* dir = std::getenv("KORV_BUILD_DIR");
    return dir ? dir : "build";
}

std::string KorvToolPath() { return BuildDir() + "/tools/korv-tool"; }
std::string KorvRuntimePath() { return BuildDir() + "/shell/korv-runtime"; }
std::string KorvSettingsPath() { return BuildDir() + "/shell/korv-settings"; }

std::string SourceFilePath(const std::string& relative) { return std::string(KORV_SOURCE_ROOT) + "/" + relative; }

}  // namespace korv::test
