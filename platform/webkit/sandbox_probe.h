#pragma once
// Whether WebKit's web processes can run in their bubblewrap sandbox here:
// bwrap must be installed and able to make its namespaces for this user
// (containers and some kernels forbid it). WebKit cannot start its pages at
// all when the sandbox is on and bwrap fails.

namespace korv::platform::webkit {

bool WebProcessSandboxWorks();

}  // namespace korv::platform::webkit
