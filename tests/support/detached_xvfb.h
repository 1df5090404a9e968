#pragma once
// An X server for the browser engine's tests that is not a child of the
// test process: with WebKitGTK 2.50 an Xvfb that is the test's own child
// ends (exit 0) a few seconds after a page starts, while one started apart
// lives on. It serves every test of the process and ends with the process.

#include <string>

namespace korv::test {

// The DISPLAY value of the process's detached server; empty when it could
// not be started.
const std::string& DetachedXvfbDisplay();

}  // namespace korv::test
