// What the figures page shows of each field's history, kept by the window:
// the change since the previous different value under the field, a bell
// when alerts are set on it, and the field's dialog (chart and alerts) when
// its row is tapped. Read from quorveld on CodesChanged (each refresh grows
// the history) and AlertsChanged; a failed read leaves the fields plain.
#pragma once

#include "apps/gtk/FieldDialog.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <vector>

namespace quorvelapp {

class FieldHistory {
public:
    explicit FieldHistory(linuxhost::QuorvelClient& client);
    ~FieldHistory();
    FieldHistory(const FieldHistory&) = delete;
    FieldHistory& operator=(const FieldHistory&) = delete;

    // The history grew or the codes changed: changes, alerts and an open chart read again.
    void codesChanged();
    void alertsChanged();
    // Adds the change, the bell and the way to the field's dialog to a field's row.
    void decorate(GtkWidget* row, const linuxhost::StoredCode& code, const linuxhost::CodeField& field) const;
    void open(GtkWindow* parent, const linuxhost::StoredCode& code, int fieldIndex);

private:
    void readChanges();
    void readAlerts();

    linuxhost::QuorvelClient& m_client;
    std::vector<linuxhost::FieldChange> m_changes;
    std::vector<linuxhost::FieldAlerts> m_alerts;
    FieldDialog* m_dialog = nullptr;
};

} // namespace quorvelapp
