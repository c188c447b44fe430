#include "apps/gtk/CodeDetailsDialog.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/SimBinding.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/MenuPathRows.h"
#include "apps/gtk/logic/RefreshTime.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
constexpr size_t kMaxCodeShown = 40;
constexpr size_t kMaxTitleShown = 64;
constexpr size_t kMaxValueShown = 32;
constexpr size_t kMaxReplyShown = 2000;
}

void CodeDetailsDialog::open(GtkWindow* parent, const linuxhost::StoredCode& code, std::function<void()> onDelete)
{
    auto* dialog = new CodeDetailsDialog(parent, code, std::move(onDelete));
    g_signal_connect(dialog->m_window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                         delete static_cast<CodeDetailsDialog*>(self);
                     }),
                     dialog);
    gtk_window_present(GTK_WINDOW(dialog->m_window));
}

CodeDetailsDialog::CodeDetailsDialog(GtkWindow* parent, const linuxhost::StoredCode& code,
                                     std::function<void()> onDelete)
    : m_window(nullptr), m_onDelete(std::move(onDelete))
{
    const std::string name = shownText(code.code, kMaxCodeShown);
    m_window = dialogWindow(parent, name.c_str(), 400, 560);
    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* header = adw_header_bar_new();
    adw_header_bar_set_title_widget(ADW_HEADER_BAR(header), adw_window_title_new(name.c_str(), ""));
    gtk_box_append(GTK_BOX(content), header);

    GtkWidget* page = adw_preferences_page_new();
    gtk_widget_set_vexpand(page, TRUE);
    GtkWidget* about = adw_preferences_group_new();
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(about), text::codeGroup());
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(about), plainRow(text::codeEntry(), name));
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(about),
                              plainRow(code.smsSender.empty() ? text::byUssd()
                                                              : fill(text::bySmsFrom(), {shownText(code.smsSender, 64)})));
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(about),
                              plainRow(text::expectedNumbers(), std::to_string(code.expectedNumbers)));
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(about), simRow(code));
    if (!code.menuChoices.empty())
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(about), menuPathRow(code.menuChoices));
    GTimeZone* zone = g_time_zone_new_local();
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(about),
                              plainRow(text::lastRefresh(), refreshedText(code.refreshedAtMicros, g_get_real_time(), zone)));
    g_time_zone_unref(zone);
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(page), ADW_PREFERENCES_GROUP(about));

    GtkWidget* fields = adw_preferences_group_new();
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(fields), text::fieldsGroup());
    for (const linuxhost::CodeField& field : code.fields) {
        const std::string title = shownText(field.title, kMaxTitleShown);
        const std::string value = field.value.empty() ? text::noValue() : shownText(field.value, kMaxValueShown);
        GtkWidget* row = plainRow(title, fill(text::fieldRow(), {std::to_string(field.index + 1), value}));
        GtkWidget* figure = plainLabel(value, true);
        setAccessibleLabel(figure, title + ": " + value);
        adw_action_row_add_suffix(ADW_ACTION_ROW(row), figure);
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(fields), row);
    }
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(fields),
                              textRow(text::lastReply(), code.lastReply.empty()
                                                             ? text::noReplyYet()
                                                             : shownText(code.lastReply, kMaxReplyShown, true)));
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(page), ADW_PREFERENCES_GROUP(fields));

    GtkWidget* actions = adw_preferences_group_new();
    const std::string deleteLabel = fill(text::deleteCode(), {name});
    GtkWidget* remove = gtk_button_new_with_label(deleteLabel.c_str());
    gtk_widget_add_css_class(remove, "destructive-action");
    gtk_widget_add_css_class(remove, "pill");
    gtk_widget_set_halign(remove, GTK_ALIGN_CENTER);
    g_signal_connect(remove, "clicked", G_CALLBACK(+[](GtkButton*, gpointer data) {
                         auto* self = static_cast<CodeDetailsDialog*>(data);
                         auto onDelete = std::move(self->m_onDelete);
                         self->m_onDelete = nullptr;
                         gtk_window_destroy(GTK_WINDOW(self->m_window)); // deletes self
                         if (onDelete)
                             onDelete();
                     }),
                     this);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(actions), remove);
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(page), ADW_PREFERENCES_GROUP(actions));

    gtk_box_append(GTK_BOX(content), page);
    adw_window_set_content(ADW_WINDOW(m_window), content);
}

} // namespace quorvelapp
