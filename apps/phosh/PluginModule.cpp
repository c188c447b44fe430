// The GIO module Phosh loads from its lock-screen plugin folder: it offers the
// figures widget on the lock-screen widget extension point under the id
// "quorvel", the name the shell's list of enabled plugins
// (sm.puri.phosh.plugins lock-screen) holds.
#include "apps/phosh/FiguresWidget.h"

#include <gio/gio.h>
#include <phosh-plugin.h>

extern "C" {

G_MODULE_EXPORT void g_io_module_load(GIOModule* module)
{
    // Resident from now on: the widget's type is registered statically and
    // the client's proxy type with it, so the code must never be unloaded.
    g_type_module_use(G_TYPE_MODULE(module));
    g_io_extension_point_implement(PHOSH_PLUGIN_EXTENSION_POINT_LOCKSCREEN_WIDGET, QUORVEL_TYPE_FIGURES_WIDGET, "quorvel",
                                   10);
}

G_MODULE_EXPORT void g_io_module_unload(GIOModule*) {}

// What gio-querymodules writes to the folder's giomodule.cache, so that the
// module is loaded only when the extension point is used. The name follows
// the file's: libphosh-plugin-quorvel.so.
G_MODULE_EXPORT char** g_io_phosh_plugin_quorvel_query(void)
{
    const char* points[] = {PHOSH_PLUGIN_EXTENSION_POINT_LOCKSCREEN_WIDGET, nullptr};
    return g_strdupv(const_cast<char**>(points));
}

} // extern "C"
