// One field opened from the figures page: its last 30 days as a chart and its
// alerts. It reads the daemon when it opens and again when told (the window
// hears CodesChanged and AlertsChanged and passes them on).
//
// Lifetime: FieldDialog::open() makes the window and an object deleted with
// it; `closed` runs then, so the opener forgets it.
#pragma once

#include "apps/gtk/AlertsGroup.h"
#include "apps/gtk/FieldChart.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <memory>
#include <string>

namespace quorvelapp {

// The field a dialog shows: its code, its index in the record, its title and
// its value now (whose decimals the limits are written with).
struct FieldRef {
    std::string code;
    int index = 0;
    std::string title;
    std::string value;
};

class FieldDialog {
public:
    static FieldDialog* open(GtkWindow* parent, linuxhost::QuorvelClient& client, const FieldRef& field,
                             std::function<void()> closed);
    const FieldRef& field() const { return m_field; }
    GtkWidget* window() const { return m_window; }
    // Reads the chart again (a refresh added to the history).
    void reloadChart();
    // Shows the alerts the daemon has now.
    void showAlerts(const std::vector<linuxhost::FieldAlerts>& alerts);
    void forget() { m_closed = nullptr; }

private:
    FieldDialog(GtkWindow* parent, linuxhost::QuorvelClient& client, const FieldRef& field, std::function<void()> closed);
    ~FieldDialog();
    void toast(const std::string& text);

    linuxhost::QuorvelClient& m_client;
    FieldRef m_field;
    std::string m_shownTitle;
    std::function<void()> m_closed;
    GtkWidget* m_window = nullptr;
    AdwToastOverlay* m_toasts = nullptr;
    FieldChart m_chart;
    GtkWidget* m_chartProblem = nullptr;
    std::unique_ptr<AlertsGroup> m_alerts;
};

} // namespace quorvelapp
