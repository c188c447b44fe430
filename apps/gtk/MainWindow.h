// The app's one window: a header bar with the page switcher (a bottom bar
// on a narrow screen), the figures, codes and preferences pages, and a toast
// overlay. It reads quorveld through the client and shows every change it
// hears of (CodesChanged, SettingsChanged, State, the daemon coming and
// going); nothing is polled.
//
// Window actions: win.refresh, win.add-code, win.open-code(i),
// win.delete-code(i), win.undo-delete(u), win.bind-code(i) (SimBinding.h). A deleted code is hidden at once
// and only deleted in the daemon when its toast goes without an Undo (or the
// window closes). win.open-field((si)) opens a field's chart and alerts.
//
// Lifetime: made by the application on activate; deletes itself with its
// window. The client outlives it.
#pragma once

#include "apps/gtk/CodesPage.h"
#include "apps/gtk/FieldHistory.h"
#include "apps/gtk/FiguresPage.h"
#include "apps/gtk/PreferencesPage.h"
#include "apps/gtk/SimBinding.h"
#include "apps/gtk/logic/PendingDeletes.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <vector>

namespace quorvelapp {

class MainWindow {
public:
    static GtkWindow* open(AdwApplication* app, linuxhost::QuorvelClient& client);

private:
    MainWindow(AdwApplication* app, linuxhost::QuorvelClient& client);
    ~MainWindow();
    void addActions();
    void listen();

    void reloadCodes();
    void reloadSettings();
    // Once the main loop is idle: a burst of signals makes one read.
    void reloadCodesSoon();
    void reloadSettingsSoon();
    void showState();
    void showCodes();
    void toast(const std::string& text);

    void refresh();
    void addCode();
    void openCode(int index);
    void deleteCode(int index, const linuxhost::StoredCode& code);
    void undoDelete(unsigned id);
    void sendDelete(unsigned id);
    void sendAllDeletes();

    linuxhost::QuorvelClient& m_client;
    GtkWidget* m_window;
    AdwToastOverlay* m_toasts;
    FiguresPage m_figures;
    CodesPage m_codes;
    PreferencesPage m_preferences;
    FieldHistory m_history;
    SimBinding m_sims;
    std::vector<linuxhost::StoredCode> m_stored;
    PendingDeletes m_pending;
    guint m_settingsReload = 0;
    guint m_codesReload = 0;
    // A read failed: read everything again when the daemon next announces
    // itself (quorveld takes its name before it serves its object, and says
    // Refreshed once it does).
    bool m_rereadWhenServed = false;
    // The undo toasts up now (a reference each), cut off from this window when it goes.
    std::vector<AdwToast*> m_deleteToasts;
};

} // namespace quorvelapp
