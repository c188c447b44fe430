#include "apps/gtk/FiguresPage.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/RefreshTime.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
// Bounds for what the daemon sends: a title is at most 64 characters, a value
// a number; a reply is a USSD text or an SMS (a few hundred characters).
constexpr size_t kMaxTitleShown = 64;
constexpr size_t kMaxValueShown = 32;
constexpr size_t kMaxReplyShown = 2000;
constexpr size_t kMaxCodeShown = 40;
constexpr size_t kMaxSenderShown = 64;
}

FiguresPage::FiguresPage()
    : m_page(adw_preferences_page_new())
{
    GtkWidget* group = adw_preferences_group_new();
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(group), text::stateGroup());
    m_stateRow = plainRow(text::stateIdle());
    m_stateSpinner = gtk_spinner_new();
    setAccessibleLabel(m_stateSpinner, text::stateGroup());
    m_stateIcon = gtk_image_new_from_icon_name("dialog-warning-symbolic");
    gtk_widget_set_visible(m_stateSpinner, FALSE);
    gtk_widget_set_visible(m_stateIcon, FALSE);
    adw_action_row_add_prefix(ADW_ACTION_ROW(m_stateRow), m_stateSpinner);
    adw_action_row_add_prefix(ADW_ACTION_ROW(m_stateRow), m_stateIcon);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), m_stateRow);
    // The command that starts quorveld, to copy: a label of its own so it can be selected.
    m_commandLabel = plainLabel(text::startCommand(), true);
    gtk_widget_add_css_class(m_commandLabel, "monospace");
    gtk_label_set_xalign(GTK_LABEL(m_commandLabel), 0);
    gtk_widget_set_margin_top(m_commandLabel, 8);
    gtk_widget_set_visible(m_commandLabel, FALSE);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), m_commandLabel);
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(group));
}

void FiguresPage::showState(const StateWords& words)
{
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(m_stateRow), words.title.c_str());
    adw_action_row_set_subtitle(ADW_ACTION_ROW(m_stateRow), words.hint.c_str());
    setAccessibleLabel(m_stateRow, words.hint.empty() ? words.title : words.title + ". " + words.hint);
    const bool busy = words.kind == StateKind::Busy;
    gtk_widget_set_visible(m_stateSpinner, busy);
    gtk_spinner_set_spinning(GTK_SPINNER(m_stateSpinner), busy);
    gtk_widget_set_visible(m_stateIcon, words.kind == StateKind::Problem || words.kind == StateKind::Unknown);
    gtk_label_set_text(GTK_LABEL(m_commandLabel), words.command.c_str());
    gtk_widget_set_visible(m_commandLabel, !words.command.empty());
}

GtkWidget* FiguresPage::codeGroup(const linuxhost::StoredCode& code, GTimeZone* zone, int64_t now)
{
    GtkWidget* group = adw_preferences_group_new();
    // Group titles and descriptions are markup: escape what comes from the store.
    const std::string title = shownMarkup(code.code, kMaxCodeShown);
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(group), title.c_str());
    // A code whose SIM is not in shows no refresh time: its figures are not current.
    std::string description = code.simIn ? refreshedText(code.refreshedAtMicros, now, zone) : text::simNotIn();
    if (!code.simIn)
        gtk_widget_add_css_class(group, "dim-label");
    if (!code.smsSender.empty())
        description += " · " + fill(text::bySmsFrom(), {shownText(code.smsSender, kMaxSenderShown)});
    const std::string escaped = shownMarkup(description, 200);
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(group), escaped.c_str());
    for (const linuxhost::CodeField& field : code.fields) {
        const std::string name = shownText(field.title, kMaxTitleShown);
        const std::string value = field.value.empty() ? text::noValue() : shownText(field.value, kMaxValueShown);
        GtkWidget* row = plainRow(name);
        GtkWidget* figure = plainLabel(value, true);
        gtk_widget_add_css_class(figure, field.value.empty() ? "dim-label" : "title-3");
        gtk_widget_add_css_class(figure, "numeric");
        setAccessibleLabel(figure, name + ": " + value);
        adw_action_row_add_suffix(ADW_ACTION_ROW(row), figure);
        if (m_decorateField)
            m_decorateField(row, code, field);
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), row);
    }
    const std::string reply = code.lastReply.empty() ? text::noReplyYet() : shownText(code.lastReply, kMaxReplyShown, true);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), textRow(text::lastReply(), reply));
    return group;
}

void FiguresPage::showCodes(const std::vector<const linuxhost::StoredCode*>& codes, bool running)
{
    removeGroups(ADW_PREFERENCES_PAGE(m_page), m_groups);
    if (!running)
        return;
    if (codes.empty()) {
        GtkWidget* group = adw_preferences_group_new();
        adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(group), text::noCodesTitle());
        adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(group), text::noCodesHint());
        GtkWidget* add = gtk_button_new_with_label(text::addCode());
        gtk_widget_add_css_class(add, "pill");
        gtk_widget_add_css_class(add, "suggested-action");
        gtk_widget_set_halign(add, GTK_ALIGN_CENTER);
        gtk_widget_set_margin_top(add, 12);
        gtk_actionable_set_action_name(GTK_ACTIONABLE(add), "win.add-code");
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), add);
        adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(group));
        m_groups.push_back(group);
        return;
    }
    GTimeZone* zone = g_time_zone_new_local();
    const int64_t now = g_get_real_time();
    for (const linuxhost::StoredCode* code : codes) {
        GtkWidget* group = codeGroup(*code, zone, now);
        adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(group));
        m_groups.push_back(group);
    }
    g_time_zone_unref(zone);
}

void FiguresPage::showProblem(const std::string& message)
{
    removeGroups(ADW_PREFERENCES_PAGE(m_page), m_groups);
    GtkWidget* group = adw_preferences_group_new();
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), textRow(text::codesPage(), message));
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(group));
    m_groups.push_back(group);
}

} // namespace quorvelapp
