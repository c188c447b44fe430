// A field's three alerts as libadwaita rows, each a switch and its limit: the
// value below a limit, a fall faster than an amount a day (over the last 3
// days), no successful refresh for a number of hours. A change is checked as
// the daemon checks it and sent at once; a refused one puts the rows back as
// the daemon has them and says why (through `problem`, a toast).
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <string>

namespace quorvelapp {

class AlertsGroup {
public:
    // Asks the daemon to store the limits; false with the reason when refused.
    using Send = std::function<bool(const linuxhost::AlertLimits&, std::string* why)>;

    AlertsGroup(const std::string& title, int decimals, Send send, std::function<void(const std::string&)> problem);
    ~AlertsGroup();
    AlertsGroup(const AlertsGroup&) = delete;
    AlertsGroup& operator=(const AlertsGroup&) = delete;
    // The group, owned by its page once added.
    GtkWidget* widget() const { return m_group; }
    // The limits the daemon has now (GetAlerts, AlertsChanged).
    void show(const linuxhost::AlertLimits& stored);

private:
    struct Row {
        GtkWidget* toggle = nullptr;
        GtkWidget* limit = nullptr;
    };
    Row addRow(const char* title, const char* hint, const std::string& switchName, const std::string& limitName,
               double lowest, double highest, double step, int digits, double initial);
    void edited();
    linuxhost::AlertLimits asShown() const;

    GtkWidget* m_group;
    // The last refusal in full (a toast is one line, cut on a phone).
    GtkWidget* m_refusal;
    Row m_below, m_falling, m_stale;
    Send m_send;
    std::function<void(const std::string&)> m_problem;
    linuxhost::AlertLimits m_stored;
    // Set while the rows are filled in from the daemon: their signals are not the user's.
    bool m_filling = false;
    guint m_putBack = 0;
};

} // namespace quorvelapp
