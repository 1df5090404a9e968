#pragma once
// Runs the project's programs from tests, as a user would from a shell.

#include <string>
#include <vector>

namespace korv::test {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `arguments` (each quoted for the shell) and `env`
// assignments ("NAME=value", or "-NAME" to unset), capturing both outputs.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& env = {});

// Paths of the built programs.
std::string KorvToolPath();
std::string KorvRuntimePath();
std::string KorvSettingsPath();
// A file of the source tree, by its path from the tree's top.
std::string SourceFilePath(const std::string& relative);

std::string ShellQuote(const std::string& text);

}  // namespace korv::test
