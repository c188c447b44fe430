// The history over the daemon's interface: GetHistory (a field's numbers over
// time, for a chart) and GetChanges (the change since the previous different
// value of each field), read from the history database the history module
// writes under the device root. Read-only: nothing here creates, repairs or
// sets aside the database, and a reader never holds the main loop longer
// than a short busy wait.
//
//   HistoryService history(device, bus.skeleton());   // before the export
//
// A history that is missing, locked or unreadable answers with an empty list
// and one log line (again only once the reason changes), never an error: the
// figures themselves (GetCodes) do not depend on it.
// Single-threaded: the daemon's main loop.
#pragma once

#include "dbus/QuorvelBus.h"

#include <optional>
#include <string>

namespace platform { class Device; }

namespace linuxhost {

class HistoryService {
public:
    HistoryService(platform::Device& device, QuorvelBusQuorvel1* skeleton);
    ~HistoryService();
    HistoryService(const HistoryService&) = delete;
    HistoryService& operator=(const HistoryService&) = delete;

private:
    static gboolean handleGetHistory(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, gint index,
                                     gint64 since, gpointer self);
    static gboolean handleGetChanges(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, gpointer self);
    // Logs why the history could not be read, once per reason; forgets it once it reads.
    void noteProblem(const std::optional<std::string>& problem);
    std::string historyFile();

    platform::Device& m_device;
    QuorvelBusQuorvel1* m_skeleton;
    std::string m_lastProblem;
};

} // namespace linuxhost
