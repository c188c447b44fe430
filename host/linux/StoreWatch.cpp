#include "host/linux/StoreWatch.h"

#include "common/QuorvelNames.h"
#include "host/linux/DaemonLog.h"

#include <filesystem>
#include <utility>

namespace linuxhost {

namespace {

std::string baseName(const char* devicePath)
{
    return std::filesystem::path(devicePath).filename().string();
}

std::string nameOf(GFile* file)
{
    if (!file)
        return {};
    gchar* name = g_file_get_basename(file);
    std::string result = name ? name : "";
    g_free(name);
    return result;
}

} // namespace

StoreWatch::StoreWatch(const std::string& root, std::function<void()> codesChanged, std::function<void()> settingsChanged)
    : m_codesChanged(std::move(codesChanged)), m_settingsChanged(std::move(settingsChanged))
{
    const std::string folder = root + std::filesystem::path(quorvel::kCodesStorePath).parent_path().string();
    GFile* directory = g_file_new_for_path(folder.c_str());
    GError* error = nullptr;
    m_monitor = g_file_monitor_directory(directory, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error);
    g_object_unref(directory);
    if (!m_monitor) {
        note("cannot watch " + folder + " (" + error->message + "): clients are not told when the stores change");
        g_error_free(error);
        return;
    }
    g_signal_connect(m_monitor, "changed", G_CALLBACK(changed), this);
}

StoreWatch::~StoreWatch()
{
    if (m_timer)
        g_source_remove(m_timer);
    if (m_monitor) {
        g_signal_handlers_disconnect_by_data(m_monitor, this);
        g_file_monitor_cancel(m_monitor);
        g_object_unref(m_monitor);
    }
}

void StoreWatch::changed(GFileMonitor*, GFile* file, GFile* other, GFileMonitorEvent event, gpointer data)
{
    auto* self = static_cast<StoreWatch*>(data);
    if (event == G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED)
        return;
    static const std::string codes = baseName(quorvel::kCodesStorePath);
    static const std::string settings = baseName(quorvel::kSettingsStorePath);
    // A rename into place names the store as the other file.
    for (const std::string& name : {nameOf(file), nameOf(other)}) {
        self->m_codesDirty |= name == codes;
        self->m_settingsDirty |= name == settings;
    }
    if ((self->m_codesDirty || self->m_settingsDirty) && !self->m_timer)
        self->m_timer = g_timeout_add(kSettleMs, settle, self);
}

gboolean StoreWatch::settle(gpointer data)
{
    auto* self = static_cast<StoreWatch*>(data);
    self->m_timer = 0;
    if (std::exchange(self->m_codesDirty, false) && self->m_codesChanged)
        self->m_codesChanged();
    if (std::exchange(self->m_settingsDirty, false) && self->m_settingsChanged)
        self->m_settingsChanged();
    return G_SOURCE_REMOVE;
}

} // namespace linuxhost
