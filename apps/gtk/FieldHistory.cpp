#include "apps/gtk/FieldHistory.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/AlertLimitsText.h"
#include "apps/gtk/logic/ChangeLine.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
constexpr size_t kMaxTitleShown = 64;

void logFailure(const char* what, const linuxhost::CallError& error)
{
    g_warning("%s failed: %s %s", what, shownText(error.name, 100).c_str(), shownText(error.message, 300).c_str());
}
}

FieldHistory::FieldHistory(linuxhost::QuorvelClient& client)
    : m_client(client)
{
}

FieldHistory::~FieldHistory()
{
    if (m_dialog)
        m_dialog->forget();
}

void FieldHistory::readChanges()
{
    m_changes.clear();
    if (!m_client.running())
        return;
    linuxhost::CallError error;
    if (auto changes = m_client.changes("", &error))
        m_changes = std::move(*changes);
    else
        logFailure("GetChanges", error);
}

void FieldHistory::readAlerts()
{
    m_alerts.clear();
    if (!m_client.running())
        return;
    linuxhost::CallError error;
    if (auto alerts = m_client.alerts(&error))
        m_alerts = std::move(*alerts);
    else
        logFailure("GetAlerts", error);
}

void FieldHistory::codesChanged()
{
    readChanges();
    readAlerts();
    if (m_dialog)
        m_dialog->reloadChart();
}

void FieldHistory::alertsChanged()
{
    readAlerts();
    if (m_dialog)
        m_dialog->showAlerts(m_alerts);
}

void FieldHistory::decorate(GtkWidget* row, const linuxhost::StoredCode& code, const linuxhost::CodeField& field) const
{
    const std::string title = shownText(field.title, kMaxTitleShown);
    for (const linuxhost::FieldChange& change : m_changes)
        if (change.code == code.code && change.index == field.index) {
            GTimeZone* zone = g_time_zone_new_local();
            const std::string line = changeLine(change, g_get_real_time(), zone);
            g_time_zone_unref(zone);
            if (!line.empty())
                adw_action_row_set_subtitle(ADW_ACTION_ROW(row), line.c_str());
            break;
        }
    for (const linuxhost::FieldAlerts& alert : m_alerts)
        if (alert.code == code.code && alert.index == field.index && anyAlert(alert.limits)) {
            GtkWidget* bell = gtk_image_new_from_icon_name("alarm-symbolic");
            const std::string set = fill(text::alertsSet(), {alertsSummary(alert.limits, writtenDecimals(field.value))});
            setAccessibleLabel(bell, title + ". " + set);
            gtk_widget_set_tooltip_text(bell, set.c_str());
            adw_action_row_add_prefix(ADW_ACTION_ROW(row), bell);
            break;
        }
    // Tapping the field opens its chart and alerts.
    const std::string opens = fill(text::openField(), {title});
    GtkWidget* next = gtk_image_new_from_icon_name("go-next-symbolic");
    setAccessibleLabel(next, opens);
    adw_action_row_add_suffix(ADW_ACTION_ROW(row), next);
    gtk_list_box_row_set_activatable(GTK_LIST_BOX_ROW(row), TRUE);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(row), "win.open-field");
    gtk_actionable_set_action_target_value(GTK_ACTIONABLE(row),
                                           g_variant_new("(si)", code.code.c_str(), static_cast<gint32>(field.index)));
    gtk_widget_set_tooltip_text(row, opens.c_str());
}

void FieldHistory::open(GtkWindow* parent, const linuxhost::StoredCode& code, int fieldIndex)
{
    for (const linuxhost::CodeField& field : code.fields) {
        if (field.index != fieldIndex)
            continue;
        if (m_dialog)
            gtk_window_destroy(GTK_WINDOW(m_dialog->window()));
        m_dialog = FieldDialog::open(parent, m_client, {code.code, field.index, field.title, field.value},
                                     [this] { m_dialog = nullptr; });
        return;
    }
}

} // namespace quorvelapp
