#pragma once
// The running program and the programs it starts.

#include <optional>
#include <string>
#include <vector>

namespace korv::platform {

// Full path of the running program's own file (empty when unknown).
std::string OwnProgramPath();

// The running process's identifier.
int CurrentProcessId();

// Whether a process with identifier `pid` exists (of any user).
bool ProcessExists(int pid);

// A write beyond the process's file size limit fails with an error, as on a
// full disk, instead of ending the process (the default of SIGXFSZ).
void FailWritesBeyondFileSizeLimit();

// The value of an environment variable, or nothing when it is not set.
std::optional<std::string> GetEnv(const char* name);

// Searches $PATH for `program` (a name without a separator); returns the full
// path of an executable file, or empty. A path with a separator is returned as
// it is when it names an executable file.
std::string FindProgram(const std::string& program);

// Starts `program` with `arguments`, detached (the caller does not wait).
// Returns false when it could not be started.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder = "");

// Starts `program`, waits for it to end and returns its exit status, or
// nothing when it could not be started or did not exit normally.
std::optional<int> RunProgramAndWait(const std::string& program,
                                     const std::vector<std::string>& arguments,
                                     const std::string& workingFolder = "");

// Starts `program` with `arguments` as a child that the caller keeps track of:
// its standard input is a copy of descriptor `standardInput` (the caller
// keeps its own), otherwise it starts as RunProgramAndWait starts one, in our
// folder and session. Returns its process identifier, which the caller
// collects (waitpid) once it has ended, or nothing when it could not be
// started (nothing is then left to collect).
std::optional<int> StartChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                                     int standardInput);

// Starts `program` with `input` on its standard input (a pipe, so a secret
// in it never shows on a command line), waits for it to end and returns its
// exit status, or nothing when it could not be started or did not exit
// normally. The calling thread blocks meanwhile.
std::optional<int> RunProgramWithInput(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::string& input);

// Runs `program` and returns what it wrote to standard output (up to
// `limit` bytes), or nothing when it could not be run or failed.
std::optional<std::string> CaptureProgramOutput(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                size_t limit = 65536);

}  // namespace korv::platform
