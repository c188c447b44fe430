#include "apps/gtk/PreferencesPage.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/SettingChoice.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {

constexpr size_t kMaxLabelShown = 80;
constexpr size_t kMaxChoiceShown = 64;

bool sameChoices(const linuxhost::SettingChoices& a, const linuxhost::SettingChoices& b)
{
    if (a.key != b.key || a.label != b.label || a.titles != b.titles || a.values.size() != b.values.size())
        return false;
    for (size_t i = 0; i < a.values.size(); ++i)
        if (!sameSettingValue(a.values[i], b.values[i]))
            return false;
    return true;
}

} // namespace

PreferencesPage::PreferencesPage(linuxhost::QuorvelClient& client, std::function<void(const std::string&)> refused)
    : m_client(client), m_refused(std::move(refused)), m_page(adw_preferences_page_new()),
      m_group(adw_preferences_group_new())
{
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(m_group), text::settingsGroup());
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(m_group), text::settingsGroupHint());
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_group));
}

void PreferencesPage::clear()
{
    for (const auto& row : m_rows)
        adw_preferences_group_remove(ADW_PREFERENCES_GROUP(m_group), row->row);
    m_rows.clear();
    if (m_problem)
        adw_preferences_group_remove(ADW_PREFERENCES_GROUP(m_group), m_problem);
    m_problem = nullptr;
}

void PreferencesPage::showProblem(const std::string& message)
{
    clear();
    m_problem = plainRow(message);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), m_problem);
}

void PreferencesPage::rebuild(const std::vector<linuxhost::SettingChoices>& choices)
{
    clear();
    for (const linuxhost::SettingChoices& choice : choices) {
        auto row = std::make_unique<Row>(Row{this, choice, nullptr, nullptr});
        const std::string label = shownText(choice.label.empty() ? choice.key : choice.label, kMaxLabelShown);
        if (choice.values.empty()) {
            row->row = plainRow(label);
            row->toggle = gtk_switch_new();
            gtk_widget_set_valign(row->toggle, GTK_ALIGN_CENTER);
            adw_action_row_add_suffix(ADW_ACTION_ROW(row->row), row->toggle);
            adw_action_row_set_activatable_widget(ADW_ACTION_ROW(row->row), row->toggle);
            setAccessibleLabel(row->toggle, label);
            g_signal_connect_swapped(row->toggle, "notify::active",
                                     G_CALLBACK(+[](Row* r) { r->page->changed(*r); }), row.get());
        } else {
            GtkStringList* titles = gtk_string_list_new(nullptr);
            for (size_t i = 0; i < choice.values.size(); ++i) {
                const std::string title = i < choice.titles.size() && !choice.titles[i].empty()
                                              ? shownText(choice.titles[i], kMaxChoiceShown)
                                              : linuxhost::settingText(choice.values[i]);
                gtk_string_list_append(titles, title.c_str());
            }
            row->row = adw_combo_row_new();
            adw_preferences_row_set_use_markup(ADW_PREFERENCES_ROW(row->row), FALSE);
            adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row->row), label.c_str());
            adw_combo_row_set_model(ADW_COMBO_ROW(row->row), G_LIST_MODEL(titles));
            g_object_unref(titles);
            setAccessibleLabel(row->row, label);
            g_signal_connect_swapped(row->row, "notify::selected",
                                     G_CALLBACK(+[](Row* r) { r->page->changed(*r); }), row.get());
        }
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), row->row);
        m_rows.push_back(std::move(row));
    }
}

void PreferencesPage::show(const std::vector<linuxhost::SettingChoices>& choices,
                           const std::vector<linuxhost::Setting>& settings)
{
    m_updating = true;
    bool same = !m_problem && choices.size() == m_rows.size();
    for (size_t i = 0; same && i < choices.size(); ++i)
        same = sameChoices(choices[i], m_rows[i]->choices);
    if (!same)
        rebuild(choices);
    for (const auto& row : m_rows) {
        linuxhost::SettingValue value = row->choices.defaultValue;
        for (const linuxhost::Setting& setting : settings)
            if (setting.key == row->choices.key)
                value = setting.value;
        if (row->toggle) {
            gtk_switch_set_active(GTK_SWITCH(row->toggle), switchState(value));
        } else {
            const auto at = choiceIndex(row->choices.values, value);
            adw_combo_row_set_selected(ADW_COMBO_ROW(row->row),
                                       at ? static_cast<guint>(*at) : GTK_INVALID_LIST_POSITION);
        }
    }
    m_updating = false;
}

void PreferencesPage::changed(Row& row)
{
    if (m_updating)
        return;
    linuxhost::SettingValue value;
    if (row.toggle) {
        value = static_cast<bool>(gtk_switch_get_active(GTK_SWITCH(row.toggle)));
    } else {
        const guint selected = adw_combo_row_get_selected(ADW_COMBO_ROW(row.row));
        if (selected >= row.choices.values.size())
            return;
        value = row.choices.values[selected];
    }
    linuxhost::CallError error;
    if (!m_client.setSetting(row.choices.key, value, &error)) {
        const std::string label = row.choices.label.empty() ? row.choices.key : row.choices.label;
        // May rebuild the rows (row among them): nothing of row is used after.
        m_refused(fill(text::settingFailed(), {shownText(label, kMaxLabelShown), error.message}));
    }
}

} // namespace quorvelapp
