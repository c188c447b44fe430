// The figures page: the daemon's state in words, then each stored code with
// its titled values, the time of its last refresh and its last reply. It
// shows what it is given; the window reads the daemon and calls show() on
// every change it hears of (no polling).
#pragma once

#include "apps/gtk/logic/StateWords.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <vector>

namespace quorvelapp {

class FiguresPage {
public:
    FiguresPage();
    // The page's widget, owned by the view stack once added.
    GtkWidget* widget() const { return m_page; }

    void showState(const StateWords& words);
    // The codes to show (store order). `running`: with quorveld gone the
    // page shows only the state, not an invitation to add codes.
    void showCodes(const std::vector<const linuxhost::StoredCode*>& codes, bool running);
    // A failure to read the codes, shown where they would be.
    void showProblem(const std::string& message);
    // What each field's row gets besides its value (its change, alerts, chart).
    using FieldDecoration = std::function<void(GtkWidget* row, const linuxhost::StoredCode&, const linuxhost::CodeField&)>;
    void setFieldDecoration(FieldDecoration decorate) { m_decorateField = std::move(decorate); }

private:
    GtkWidget* codeGroup(const linuxhost::StoredCode& code, GTimeZone* zone, int64_t now);

    GtkWidget* m_page;
    GtkWidget* m_stateRow;
    GtkWidget* m_stateSpinner;
    GtkWidget* m_stateIcon;
    GtkWidget* m_commandLabel;
    std::vector<GtkWidget*> m_groups;
    FieldDecoration m_decorateField;
};

} // namespace quorvelapp
