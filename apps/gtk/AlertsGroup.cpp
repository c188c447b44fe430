#include "apps/gtk/AlertsGroup.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/AlertLimitsText.h"
#include "apps/gtk/logic/Text.h"

#include <cmath>

namespace quorvelapp {

namespace {
// What a limit starts at when its switch is first turned on.
constexpr double kFirstBelow = 0;
constexpr double kFirstFalling = 1;
constexpr double kFirstStaleHours = 24;
constexpr size_t kMaxReasonShown = 200;
}

AlertsGroup::AlertsGroup(const std::string& title, int decimals, Send send,
                         std::function<void(const std::string&)> problem)
    : m_group(adw_preferences_group_new()), m_refusal(nullptr), m_send(std::move(send)), m_problem(std::move(problem))
{
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(m_group), text::alertsGroup());
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(m_group), text::alertsGroupHint());
    const int digits = decimals < 0 ? 0 : decimals > 6 ? 6 : decimals;
    const double smallest = std::pow(10.0, -digits);
    m_below = addRow(text::alertBelow(), nullptr, fill(text::alertSwitch(), {text::alertBelow(), title}),
                     fill(text::alertBelowLimit(), {title}), -kLargestAlertAmount, kLargestAlertAmount, 1, digits,
                     kFirstBelow);
    m_falling = addRow(text::alertFalling(), text::alertFallingHint(),
                       fill(text::alertSwitch(), {text::alertFalling(), title}), fill(text::alertFallingLimit(), {title}),
                       smallest, kLargestAlertAmount, 1, digits, kFirstFalling);
    m_stale = addRow(text::alertStale(), text::alertStaleHint(), fill(text::alertSwitch(), {text::alertStale(), title}),
                     fill(text::alertStaleLimit(), {title}), 1, kMostStaleHours, 1, 0, kFirstStaleHours);
    m_refusal = plainLabel("", true, true);
    gtk_widget_add_css_class(m_refusal, "error");
    gtk_widget_set_margin_top(m_refusal, 8);
    gtk_widget_set_visible(m_refusal, FALSE);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), m_refusal);
}

AlertsGroup::~AlertsGroup()
{
    if (m_putBack)
        g_source_remove(m_putBack);
    // The rows may outlive this object inside their window as it is torn down.
    for (const Row* row : {&m_below, &m_falling, &m_stale}) {
        g_signal_handlers_disconnect_by_data(row->toggle, this);
        g_signal_handlers_disconnect_by_data(row->limit, this);
    }
}

AlertsGroup::Row AlertsGroup::addRow(const char* title, const char* hint, const std::string& switchName,
                                     const std::string& limitName, double lowest, double highest, double step,
                                     int digits, double initial)
{
    GtkWidget* row = plainRow(title, hint ? hint : "");
    Row made;
    made.limit = gtk_spin_button_new_with_range(lowest, highest, step);
    gtk_spin_button_set_digits(GTK_SPIN_BUTTON(made.limit), static_cast<guint>(digits));
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(made.limit), initial);
    // Typed text that is no number is not taken: the last value stays.
    gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(made.limit), TRUE);
    gtk_spin_button_set_update_policy(GTK_SPIN_BUTTON(made.limit), GTK_UPDATE_IF_VALID);
    gtk_widget_set_valign(made.limit, GTK_ALIGN_CENTER);
    gtk_editable_set_width_chars(GTK_EDITABLE(made.limit), 6);
    made.toggle = gtk_switch_new();
    gtk_widget_set_valign(made.toggle, GTK_ALIGN_CENTER);
    adw_action_row_add_suffix(ADW_ACTION_ROW(row), made.limit);
    adw_action_row_add_suffix(ADW_ACTION_ROW(row), made.toggle);
    adw_action_row_set_activatable_widget(ADW_ACTION_ROW(row), made.toggle);
    // After the row: it labels its activatable widget by its title, which would repeat the name.
    setAccessibleLabel(made.limit, limitName);
    setAccessibleLabel(made.toggle, switchName);
    g_signal_connect_swapped(made.toggle, "notify::active", G_CALLBACK(+[](AlertsGroup* self) { self->edited(); }), this);
    g_signal_connect_swapped(made.limit, "value-changed", G_CALLBACK(+[](AlertsGroup* self) { self->edited(); }), this);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), row);
    return made;
}

linuxhost::AlertLimits AlertsGroup::asShown() const
{
    linuxhost::AlertLimits limits;
    auto on = [](const Row& row) { return gtk_switch_get_active(GTK_SWITCH(row.toggle)); };
    auto value = [](const Row& row) { return gtk_spin_button_get_value(GTK_SPIN_BUTTON(row.limit)); };
    if (on(m_below))
        limits.below = value(m_below);
    if (on(m_falling))
        limits.fallingPerDay = value(m_falling);
    if (on(m_stale))
        limits.staleHours = static_cast<int>(std::lround(value(m_stale)));
    return limits;
}

void AlertsGroup::show(const linuxhost::AlertLimits& stored)
{
    m_stored = stored;
    m_filling = true;
    auto fillRow = [](const Row& row, std::optional<double> limit) {
        gtk_switch_set_active(GTK_SWITCH(row.toggle), limit.has_value());
        if (!limit)
            return;
        // A limit set elsewhere with finer decimals is shown as it is, not
        // rounded (and then sent back rounded with the next change).
        GtkSpinButton* spin = GTK_SPIN_BUTTON(row.limit);
        const guint digits = static_cast<guint>(limitDecimals(*limit, static_cast<int>(gtk_spin_button_get_digits(spin))));
        if (digits > gtk_spin_button_get_digits(spin)) {
            gtk_spin_button_set_digits(spin, digits);
            double lowest = 0, highest = 0;
            gtk_spin_button_get_range(spin, &lowest, &highest);
            if (lowest > 0)   // the fall's smallest amount follows its decimals
                gtk_spin_button_set_range(spin, std::pow(10.0, -static_cast<int>(digits)), highest);
        }
        gtk_spin_button_set_value(spin, *limit);
    };
    fillRow(m_below, stored.below);
    fillRow(m_falling, stored.fallingPerDay);
    fillRow(m_stale, stored.staleHours ? std::optional<double>(*stored.staleHours) : std::nullopt);
    m_filling = false;
}

void AlertsGroup::edited()
{
    if (m_filling)
        return;
    const linuxhost::AlertLimits limits = asShown();
    if (limits.below == m_stored.below && limits.fallingPerDay == m_stored.fallingPerDay &&
        limits.staleHours == m_stored.staleHours)
        return;   // a limit edited while its alert is off: nothing to store yet
    std::string why;
    if (auto problem = alertLimitsProblem(limits))
        why = *problem;
    else if (m_send(limits, &why)) {
        m_stored = limits;   // AlertsChanged confirms it
        gtk_widget_set_visible(m_refusal, FALSE);
        return;
    }
    // Refused: the rows go back to what the daemon has, and the user hears
    // why. Once the switch's own signal is over: a switch set back from
    // inside it keeps the state it was toggled to.
    const std::string refusal = fill(text::alertNotSet(), {shownText(why, kMaxReasonShown)});
    gtk_label_set_text(GTK_LABEL(m_refusal), refusal.c_str());
    setAccessibleLabel(m_refusal, std::string(text::alertsGroup()) + ": " + refusal);
    gtk_widget_set_visible(m_refusal, TRUE);
    m_problem(refusal);
    if (!m_putBack)
        m_putBack = g_idle_add_once(
            +[](gpointer data) {
                auto* self = static_cast<AlertsGroup*>(data);
                self->m_putBack = 0;
                self->show(self->m_stored);
            },
            this);
}

} // namespace quorvelapp
