// The browser engine's tests end as the programs that use the engine do:
// with _exit once the results are written. WebKit's threads and libraries
// stay in the process until its end, and what runs at a normal exit (static
// destructors, LeakSanitizer's final check, which crashes in its thread
// tracer with them around) is left out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    _exit(result);
}
