#include "platform/webkit/sandbox_probe.h"

#include <glib.h>

namespace korv::platform::webkit {

bool WebProcessSandboxWorks() {
    gchar* bwrap = g_find_program_in_path("bwrap");
    if (!bwrap) return false;
    // The namespaces WebKit asks for, around a program that does nothing.
    const gchar* argv[] = {bwrap,     "--ro-bind",      "/",    "/",    "--dev",       "/dev", "--proc",
                           "/proc",   "--unshare-all",  "--die-with-parent", "--", "true", nullptr};
    gint status = -1;
    gboolean ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                                static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL |
                                                         G_SPAWN_SEARCH_PATH),
                                nullptr, nullptr, nullptr, nullptr, &status, nullptr);
    g_free(bwrap);
    return ran && g_spawn_check_wait_status(status, nullptr);
}

}  // namespace korv::platform::webkit
