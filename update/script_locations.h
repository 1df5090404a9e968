#pragma once
// A script's statements with the lines and columns where they begin, for
// the findings an author reads (see scenario/script_check.h).

#include <string>

#include "scenario/script_check.h"

namespace korv {

// The statements as the compiler cuts them, each with its line and column
// (from 1), and the text after the last ";" when it is not blank.
ScriptCheckInput LocateScript(const std::string& script);

}  // namespace korv
