// Tells clients when the codes or the settings store changed, whoever wrote
// it (the engine after a refresh, the Settings screens of the page, the
// daemon's own methods, a file copied in by hand): an inotify watch (GLib's
// file monitor) on the stores' folder under the device root. A burst of
// events (a write is a temporary file renamed into place) gives one signal,
// sent kSettleMs after the first.
//
//   StoreWatch watch(root, [] { emit CodesChanged }, [] { emit SettingsChanged });
//
// Single-threaded: the daemon's main loop.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>

namespace linuxhost {

class StoreWatch {
public:
    static constexpr guint kSettleMs = 100;

    StoreWatch(const std::string& root, std::function<void()> codesChanged, std::function<void()> settingsChanged);
    ~StoreWatch();
    StoreWatch(const StoreWatch&) = delete;
    StoreWatch& operator=(const StoreWatch&) = delete;

private:
    static void changed(GFileMonitor*, GFile* file, GFile* other, GFileMonitorEvent event, gpointer self);
    static gboolean settle(gpointer self);

    GFileMonitor* m_monitor = nullptr;
    std::function<void()> m_codesChanged;
    std::function<void()> m_settingsChanged;
    bool m_codesDirty = false;
    bool m_settingsDirty = false;
    guint m_timer = 0;
};

} // namespace linuxhost
