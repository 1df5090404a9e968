#pragma once
// korv-tool's sub-commands. Each takes its own arguments (after the
// sub-command's name), writes its report to `out` and returns the exit code;
// failures throw UsageError or ToolError with a one-line reason.

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace korv::tool {

class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A reason fit for one line of stderr: line breaks become blanks.
std::string OneLine(std::string text);

int RunBuild(const std::vector<std::string>& arguments, std::ostream& out);
int RunCompile(const std::vector<std::string>& arguments, std::ostream& out);
int RunDecode(const std::vector<std::string>& arguments, std::ostream& out);
int RunDump(const std::vector<std::string>& arguments, std::ostream& out);
int RunInstall(const std::vector<std::string>& arguments, std::ostream& out);
int RunPreview(const std::vector<std::string>& arguments, std::ostream& out);
int RunRender(const std::vector<std::string>& arguments, std::ostream& out);
int RunSettings(const std::vector<std::string>& arguments, std::ostream& out);
int RunUninstall(const std::vector<std::string>& arguments, std::ostream& out);
int RunUpdate(const std::vector<std::string>& arguments, std::ostream& out);

}  // namespace korv::tool
