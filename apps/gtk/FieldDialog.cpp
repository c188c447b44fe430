#include "apps/gtk/FieldDialog.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/ChangeLine.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
constexpr size_t kMaxTitleShown = 64;
constexpr size_t kMaxErrorShown = 200;

void logFailure(const char* what, const linuxhost::CallError& error)
{
    g_warning("%s failed: %s %s", what, shownText(error.name, 100).c_str(), shownText(error.message, 300).c_str());
}
}

FieldDialog* FieldDialog::open(GtkWindow* parent, linuxhost::QuorvelClient& client, const FieldRef& field,
                               std::function<void()> closed)
{
    auto* dialog = new FieldDialog(parent, client, field, std::move(closed));
    g_signal_connect(dialog->m_window, "destroy",
                     G_CALLBACK(+[](GtkWidget*, gpointer self) { delete static_cast<FieldDialog*>(self); }), dialog);
    gtk_window_present(GTK_WINDOW(dialog->m_window));
    return dialog;
}

FieldDialog::FieldDialog(GtkWindow* parent, linuxhost::QuorvelClient& client, const FieldRef& field,
                         std::function<void()> closed)
    : m_client(client), m_field(field), m_shownTitle(shownText(field.title, kMaxTitleShown)),
      m_closed(std::move(closed))
{
    m_window = dialogWindow(parent, m_shownTitle.c_str(), 480, 640);
    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* header = adw_header_bar_new();
    const std::string code = shownText(field.code, 40);
    adw_header_bar_set_title_widget(ADW_HEADER_BAR(header), adw_window_title_new(m_shownTitle.c_str(), code.c_str()));
    gtk_box_append(GTK_BOX(content), header);

    GtkWidget* page = adw_preferences_page_new();
    gtk_widget_set_vexpand(page, TRUE);
    GtkWidget* chartGroup = adw_preferences_group_new();
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(chartGroup), text::chartGroup());
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(chartGroup), m_chart.widget());
    m_chartProblem = plainLabel("", true, true);
    gtk_widget_add_css_class(m_chartProblem, "dim-label");
    gtk_widget_set_visible(m_chartProblem, FALSE);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(chartGroup), m_chartProblem);
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(page), ADW_PREFERENCES_GROUP(chartGroup));

    m_alerts = std::make_unique<AlertsGroup>(
        m_shownTitle, writtenDecimals(field.value),
        [this](const linuxhost::AlertLimits& limits, std::string* why) {
            linuxhost::CallError error;
            if (m_client.setAlert(m_field.code, m_field.index, limits, &error))
                return true;
            logFailure("SetAlert", error);
            *why = error.message.empty() ? error.name : error.message;
            return false;
        },
        [this](const std::string& problem) { toast(problem); });
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(page), ADW_PREFERENCES_GROUP(m_alerts->widget()));

    m_toasts = ADW_TOAST_OVERLAY(adw_toast_overlay_new());
    adw_toast_overlay_set_child(m_toasts, page);
    gtk_widget_set_vexpand(GTK_WIDGET(m_toasts), TRUE);
    gtk_box_append(GTK_BOX(content), GTK_WIDGET(m_toasts));
    adw_window_set_content(ADW_WINDOW(m_window), content);

    reloadChart();
    linuxhost::CallError error;
    if (auto alerts = m_client.alerts(&error))
        showAlerts(*alerts);
    else {
        logFailure("GetAlerts", error);
        toast(fill(text::alertsCannotRead(), {shownText(error.message, kMaxErrorShown)}));
    }
}

FieldDialog::~FieldDialog()
{
    if (m_closed)
        m_closed();
}

void FieldDialog::reloadChart()
{
    linuxhost::CallError error;
    auto points = m_client.chart(m_field.code, m_field.index, &error);
    if (!points) {
        logFailure("GetHistory", error);
        const std::string problem = fill(text::chartCannotRead(), {shownText(error.message, kMaxErrorShown)});
        gtk_label_set_text(GTK_LABEL(m_chartProblem), problem.c_str());
        gtk_widget_set_visible(m_chartProblem, TRUE);
        m_chart.show(m_field.title, {}, g_get_real_time());
        return;
    }
    gtk_widget_set_visible(m_chartProblem, FALSE);
    m_chart.show(m_field.title, std::move(*points), g_get_real_time());
}

void FieldDialog::showAlerts(const std::vector<linuxhost::FieldAlerts>& alerts)
{
    for (const linuxhost::FieldAlerts& alert : alerts)
        if (alert.code == m_field.code && alert.index == m_field.index) {
            m_alerts->show(alert.limits);
            return;
        }
    m_alerts->show({});
}

void FieldDialog::toast(const std::string& text)
{
    showToast(m_toasts, text);
}

} // namespace quorvelapp
