#include "apps/gtk/MainWindow.h"

#include "apps/gtk/AddCodeDialog.h"
#include "apps/gtk/CodeDetailsDialog.h"
#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/StateWords.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {

constexpr size_t kMaxCodeShown = 40;
constexpr size_t kMaxErrorShown = 200;

// What the app's log (standard error, the journal under a desktop) says of a failed call.
void logFailure(const char* what, const linuxhost::CallError& error)
{
    g_warning("%s failed: %s %s", what, shownText(error.name, 100).c_str(), shownText(error.message, 300).c_str());
}

template <void (MainWindow::*method)()>
void addPlainAction(GActionMap* map, const char* name, MainWindow* self)
{
    GSimpleAction* action = g_simple_action_new(name, nullptr);
    g_signal_connect_swapped(action, "activate", G_CALLBACK(+[](MainWindow* w) { (w->*method)(); }), self);
    g_action_map_add_action(map, G_ACTION(action));
    g_object_unref(action);
}

} // namespace

GtkWindow* MainWindow::open(AdwApplication* app, linuxhost::QuorvelClient& client)
{
    auto* window = new MainWindow(app, client);
    return GTK_WINDOW(window->m_window);
}

MainWindow::MainWindow(AdwApplication* app, linuxhost::QuorvelClient& client)
    : m_client(client), m_window(adw_application_window_new(GTK_APPLICATION(app))),
      m_toasts(ADW_TOAST_OVERLAY(adw_toast_overlay_new())),
      m_preferences(client, [this](const std::string& message) {
          toast(message);
          // Read the settings again once the row's signal is over: it may be rebuilt.
          reloadSettingsSoon();
      }),
      m_history(client),
      m_sims(client, [this](const std::string& message) { toast(message); })
{
    m_figures.setFieldDecoration([this](GtkWidget* row, const linuxhost::StoredCode& code,
                                        const linuxhost::CodeField& field) { m_history.decorate(row, code, field); });
    m_codes.decorateRows([this](GtkWidget* row, int index, const linuxhost::StoredCode& code) {
        m_sims.decorateRow(row, index, code);
    });
    gtk_window_set_title(GTK_WINDOW(m_window), text::appTitle());
    gtk_window_set_default_size(GTK_WINDOW(m_window), 420, 720);
    // The narrowest phone screen in portrait.
    gtk_widget_set_size_request(m_window, 360, 320);

    GtkWidget* stack = adw_view_stack_new();
    gtk_widget_set_vexpand(stack, TRUE);
    adw_view_stack_page_set_icon_name(adw_view_stack_add_titled(ADW_VIEW_STACK(stack), m_figures.widget(), "figures",
                                                                text::figuresPage()),
                                      "view-list-symbolic");
    adw_view_stack_page_set_icon_name(
        adw_view_stack_add_titled(ADW_VIEW_STACK(stack), m_codes.widget(), "codes", text::codesPage()),
        "document-properties-symbolic");
    adw_view_stack_page_set_icon_name(adw_view_stack_add_titled(ADW_VIEW_STACK(stack), m_preferences.widget(),
                                                                "preferences", text::preferencesPage()),
                                      "emblem-system-symbolic");

    GtkWidget* header = adw_header_bar_new();
    GtkWidget* switcherTitle = adw_view_switcher_title_new();
    adw_view_switcher_title_set_stack(ADW_VIEW_SWITCHER_TITLE(switcherTitle), ADW_VIEW_STACK(stack));
    adw_view_switcher_title_set_title(ADW_VIEW_SWITCHER_TITLE(switcherTitle), text::appTitle());
    adw_header_bar_set_title_widget(ADW_HEADER_BAR(header), switcherTitle);
    adw_header_bar_pack_start(ADW_HEADER_BAR(header), iconButton("list-add-symbolic", text::addCode(), "win.add-code"));
    adw_header_bar_pack_end(ADW_HEADER_BAR(header), iconButton("view-refresh-symbolic", text::refresh(), "win.refresh"));

    // On a narrow screen the switcher leaves the header for a bar at the bottom.
    GtkWidget* switcherBar = adw_view_switcher_bar_new();
    adw_view_switcher_bar_set_stack(ADW_VIEW_SWITCHER_BAR(switcherBar), ADW_VIEW_STACK(stack));
    g_object_bind_property(switcherTitle, "title-visible", switcherBar, "reveal", G_BINDING_SYNC_CREATE);

    // Toasts over the page, above the switcher bar rather than on it.
    adw_toast_overlay_set_child(m_toasts, stack);
    gtk_widget_set_vexpand(GTK_WIDGET(m_toasts), TRUE);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_append(GTK_BOX(box), header);
    gtk_box_append(GTK_BOX(box), GTK_WIDGET(m_toasts));
    gtk_box_append(GTK_BOX(box), switcherBar);
    adw_application_window_set_content(ADW_APPLICATION_WINDOW(m_window), box);

    addActions();
    listen();
    // Deletes still waiting for their toast are what the user asked for: send them.
    g_signal_connect_swapped(m_window, "close-request", G_CALLBACK(+[](MainWindow* self) -> gboolean {
                                 self->sendAllDeletes();
                                 return FALSE;
                             }),
                             this);
    g_signal_connect_swapped(m_window, "destroy", G_CALLBACK(+[](MainWindow* self) { delete self; }), this);

    reloadCodes();
    showState();
    reloadSettings();
}

MainWindow::~MainWindow()
{
    m_client.onCodesChanged(nullptr);
    m_client.onSettingsChanged(nullptr);
    m_client.onAlertsChanged(nullptr);
    m_client.onStateChanged(nullptr);
    m_client.onRunningChanged(nullptr);
    m_client.onRefreshed(nullptr);
    if (m_settingsReload)
        g_source_remove(m_settingsReload);
    if (m_codesReload)
        g_source_remove(m_codesReload);
    for (AdwToast* toast : m_deleteToasts) {
        g_signal_handlers_disconnect_by_data(toast, this);
        g_object_unref(toast);
    }
}

void MainWindow::addActions()
{
    GActionMap* map = G_ACTION_MAP(m_window);
    addPlainAction<&MainWindow::refresh>(map, "refresh", this);
    addPlainAction<&MainWindow::addCode>(map, "add-code", this);

    GSimpleAction* open = g_simple_action_new("open-code", G_VARIANT_TYPE_INT32);
    g_signal_connect(open, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant* index, gpointer self) {
                         static_cast<MainWindow*>(self)->openCode(g_variant_get_int32(index));
                     }),
                     this);
    g_action_map_add_action(map, G_ACTION(open));
    g_object_unref(open);

    GSimpleAction* field = g_simple_action_new("open-field", G_VARIANT_TYPE("(si)"));
    g_signal_connect(field, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant* target, gpointer self) {
                         auto* w = static_cast<MainWindow*>(self);
                         const gchar* code = nullptr;
                         gint32 index = 0;
                         g_variant_get(target, "(&si)", &code, &index);
                         for (const linuxhost::StoredCode& stored : w->m_stored)
                             if (stored.code == code) {
                                 w->m_history.open(GTK_WINDOW(w->m_window), stored, index);
                                 return;
                             }
                     }),
                     this);
    g_action_map_add_action(map, G_ACTION(field));
    g_object_unref(field);

    GSimpleAction* remove = g_simple_action_new("delete-code", G_VARIANT_TYPE_INT32);
    g_signal_connect(remove, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant* index, gpointer self) {
                         auto* w = static_cast<MainWindow*>(self);
                         const int i = g_variant_get_int32(index);
                         if (i >= 0 && static_cast<size_t>(i) < w->m_stored.size())
                             w->deleteCode(i, w->m_stored[static_cast<size_t>(i)]);
                     }),
                     this);
    g_action_map_add_action(map, G_ACTION(remove));
    g_object_unref(remove);

    GSimpleAction* undo = g_simple_action_new("undo-delete", G_VARIANT_TYPE_UINT32);
    g_signal_connect(undo, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant* id, gpointer self) {
                         static_cast<MainWindow*>(self)->undoDelete(g_variant_get_uint32(id));
                     }),
                     this);
    g_action_map_add_action(map, G_ACTION(undo));
    g_object_unref(undo);
    m_sims.addAction(map, [this]() -> const std::vector<linuxhost::StoredCode>& { return m_stored; });
}

void MainWindow::listen()
{
    m_client.onCodesChanged([this] { reloadCodesSoon(); });
    m_client.onSettingsChanged([this] { reloadSettingsSoon(); });
    m_client.onAlertsChanged([this] {
        m_history.alertsChanged();
        showCodes();
    });
    m_client.onStateChanged([this] { showState(); });
    m_client.onRunningChanged([this](bool) {
        reloadCodes();
        showState();
        reloadSettings();
    });
    m_client.onRefreshed([this](const linuxhost::WidgetView&) {
        if (!m_rereadWhenServed)
            return;
        m_rereadWhenServed = false;
        linuxhost::CallError error;
        if (!m_client.reloadState(&error))
            logFailure("reading State", error);
        reloadCodes();
        showState();
        reloadSettings();
    });
}

void MainWindow::toast(const std::string& text)
{
    showToast(m_toasts, text);
}

void MainWindow::reloadCodes()
{
    if (!m_client.running()) {
        m_stored.clear();
        m_history.codesChanged();
        showCodes();
        return;
    }
    linuxhost::CallError error;
    auto codes = m_client.codes(&error);
    if (!codes) {
        m_rereadWhenServed = true;
        logFailure("GetCodes", error);
        const std::string message = fill(text::cannotReadCodes(), {shownText(error.message, kMaxErrorShown)});
        m_figures.showProblem(message);
        return;
    }
    m_stored = std::move(*codes);
    m_history.codesChanged();
    showCodes();
}

void MainWindow::reloadCodesSoon()
{
    if (!m_codesReload)
        m_codesReload = g_idle_add_once(
            +[](gpointer self) {
                auto* w = static_cast<MainWindow*>(self);
                w->m_codesReload = 0;
                w->reloadCodes();
                w->showState();   // the sender a waiting state names comes from the codes
            },
            this);
}

void MainWindow::reloadSettingsSoon()
{
    if (!m_settingsReload)
        m_settingsReload = g_idle_add_once(
            +[](gpointer self) {
                auto* w = static_cast<MainWindow*>(self);
                w->m_settingsReload = 0;
                w->reloadSettings();
            },
            this);
}

void MainWindow::showCodes()
{
    const bool running = m_client.running();
    std::vector<const linuxhost::StoredCode*> figures;
    std::vector<std::pair<int, const linuxhost::StoredCode*>> rows;
    for (int index : m_pending.visible(m_stored)) {
        figures.push_back(&m_stored[static_cast<size_t>(index)]);
        rows.emplace_back(index, &m_stored[static_cast<size_t>(index)]);
    }
    m_figures.showCodes(figures, running);
    m_codes.showCodes(rows, running);
}

void MainWindow::showState()
{
    const bool running = m_client.running();
    const std::string state = m_client.state();
    const std::string detail = m_client.stateDetail();
    // The state names the code; the sender it waits for is the stored code's.
    std::string sender;
    for (const linuxhost::StoredCode& code : m_stored)
        if (code.code == detail && !code.smsSender.empty()) {
            sender = code.smsSender;
            break;
        }
    m_figures.showState(describeState(running, state, detail, sender));
}

void MainWindow::reloadSettings()
{
    if (!m_client.running()) {
        m_preferences.showProblem(text::stateNotRunning());
        return;
    }
    linuxhost::CallError error;
    auto choices = m_client.settingChoices(&error);
    std::optional<std::vector<linuxhost::Setting>> settings;
    if (choices)
        settings = m_client.settings(&error);
    if (!choices || !settings) {
        m_rereadWhenServed = true;
        logFailure("GetSettings", error);
        m_preferences.showProblem(fill(text::cannotReadSettings(), {shownText(error.message, kMaxErrorShown)}));
        return;
    }
    m_preferences.show(*choices, *settings);
    // Whether codes follow their SIM decides what the codes' rows offer.
    m_sims.noteSettings(*settings);
    showCodes();
}

void MainWindow::refresh()
{
    linuxhost::CallError error;
    if (m_client.refresh(&error)) {
        toast(text::refreshAsked());
        return;
    }
    logFailure("Refresh", error);
    toast(fill(text::refreshFailed(), {shownText(error.message, kMaxErrorShown)}));
}

void MainWindow::addCode()
{
    AddCodeDialog::open(GTK_WINDOW(m_window), m_client,
                        [this](const std::string& code) { toast(fill(text::saved(), {shownText(code, kMaxCodeShown)})); });
}

void MainWindow::openCode(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_stored.size())
        return;
    const linuxhost::StoredCode code = m_stored[static_cast<size_t>(index)];
    CodeDetailsDialog::open(GTK_WINDOW(m_window), code, [this, index, code] { deleteCode(index, code); });
}

void MainWindow::deleteCode(int index, const linuxhost::StoredCode& code)
{
    const unsigned id = m_pending.add(index, code);
    showCodes();
    AdwToast* toast = adw_toast_new(shownMarkup(fill(text::deleted(), {code.code}), kMaxCodeShown + 20).c_str());
    adw_toast_set_button_label(toast, text::undo());
    adw_toast_set_action_name(toast, "win.undo-delete");
    adw_toast_set_action_target_value(toast, g_variant_new_uint32(id));
    adw_toast_set_priority(toast, ADW_TOAST_PRIORITY_HIGH);
    // Dismissed: timed out, closed, replaced, or after its Undo (then nothing is pending).
    g_object_set_data(G_OBJECT(toast), "quorvel-delete-id", GUINT_TO_POINTER(id));
    g_signal_connect(toast, "dismissed", G_CALLBACK(+[](AdwToast* t, gpointer self) {
                         auto* w = static_cast<MainWindow*>(self);
                         const unsigned pending = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(t), "quorvel-delete-id"));
                         std::erase(w->m_deleteToasts, t);
                         g_signal_handlers_disconnect_by_data(t, w);
                         w->sendDelete(pending);
                         g_object_unref(t);
                     }),
                     this);
    m_deleteToasts.push_back(ADW_TOAST(g_object_ref(toast)));
    adw_toast_overlay_add_toast(m_toasts, toast);
}

void MainWindow::undoDelete(unsigned id)
{
    if (m_pending.undo(id))
        showCodes();
}

void MainWindow::sendDelete(unsigned id)
{
    auto gone = m_pending.take(id);
    if (!gone)
        return;
    linuxhost::CallError error;
    // The store may have moved on since: delete the record where it is now.
    auto fresh = m_client.codes(&error);
    const auto index = fresh ? locate(*fresh, *gone) : std::nullopt;
    if (!fresh || !index || !m_client.deleteCode(*index, gone->code.code, &error)) {
        if (fresh && !index)
            error.message = text::noLongerStored();
        logFailure("DeleteCode", error);
        toast(fill(text::deleteFailed(), {shownText(gone->code.code, kMaxCodeShown), shownText(error.message, kMaxErrorShown)}));
        showCodes();
    }
    // A success is heard as CodesChanged.
}

void MainWindow::sendAllDeletes()
{
    for (unsigned id : m_pending.ids())
        sendDelete(id);
}

} // namespace quorvelapp
