#pragma once
// A thread that runs posted tasks one after another, for media hosts that
// have no window thread of their own (offline renders, tests). It starts
// with the first task and sleeps while there is nothing to do.

#include <functional>

namespace korv {

void PostToWindowTaskThread(std::function<void()> task);

}  // namespace korv
