#pragma once
// How the program ends when it is asked to from outside. A screen-saver host
// ends its saver with SIGTERM (a terminal with SIGINT): the request reaches
// the event loop, which ends the windows as an exit input would, so the
// normal end runs. When that end does not finish in time, or a second
// request comes, the last-resort clean-up runs and the process ends at once.

#include <cstdint>
#include <functional>

namespace korv::platform {

// Starts watching for termination requests. Call it first thing in main(),
// before any other thread exists: the signals are taken by a thread of our
// own, never by a handler inside whatever another thread is doing. After
// `graceMs` from the first request (or at a second one) the last-resort
// clean-up runs and the process ends.
void WatchTerminationRequests(uint32_t graceMs);

// Whether a termination request has come.
bool TerminationRequested();

// Waits up to `timeoutMs` for a termination request; true when there is one.
bool WaitForTerminationRequest(uint32_t timeoutMs);

// Called (on the watching thread) when a request comes; the event loop uses
// it to wake up. Pass an empty function to stop the calls.
void SetTerminationWaker(std::function<void()> waker);

// What must happen even when the normal end cannot finish: it runs on the
// watching thread just before the process ends at once (and should only
// remove files).
void SetLastResortCleanUp(std::function<void()> cleanUp);

// Ends the process now with `code`, without running destructors: for an end
// that leaves threads behind that still use the program's objects.
[[noreturn]] void EndProcessNow(int code);

}  // namespace korv::platform
