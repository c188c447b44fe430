#include "apps/gtk/Widgets.h"

#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
// A toast is one line: longer text belongs on a page.
constexpr size_t kMaxToastCharacters = 160;
}

void setAccessibleLabel(GtkWidget* widget, const std::string& label)
{
    // A labelled-by relation (libadwaita sets one on entry rows and on a row's
    // switch) would win over the label and repeat the title: this one is the name.
    gtk_accessible_reset_relation(GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_RELATION_LABELLED_BY);
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(), -1);
}

GtkWidget* plainLabel(const std::string& text, bool selectable, bool wrap)
{
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_use_markup(GTK_LABEL(label), FALSE);
    gtk_label_set_selectable(GTK_LABEL(label), selectable);
    if (wrap) {
        gtk_label_set_wrap(GTK_LABEL(label), TRUE);
        gtk_label_set_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
        gtk_label_set_xalign(GTK_LABEL(label), 0);
    }
    return label;
}

GtkWidget* plainRow(const std::string& title, const std::string& subtitle)
{
    GtkWidget* row = adw_action_row_new();
    adw_preferences_row_set_use_markup(ADW_PREFERENCES_ROW(row), FALSE);
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), title.c_str());
    if (!subtitle.empty())
        adw_action_row_set_subtitle(ADW_ACTION_ROW(row), subtitle.c_str());
    return row;
}

GtkWidget* textRow(const std::string& caption, const std::string& text)
{
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_widget_set_margin_start(box, 12);
    gtk_widget_set_margin_end(box, 12);
    gtk_widget_set_margin_top(box, 8);
    gtk_widget_set_margin_bottom(box, 8);
    GtkWidget* heading = plainLabel(caption);
    gtk_label_set_xalign(GTK_LABEL(heading), 0);
    gtk_widget_add_css_class(heading, "caption-heading");
    gtk_widget_add_css_class(heading, "dim-label");
    GtkWidget* body = plainLabel(text, true, true);
    setAccessibleLabel(body, caption + ": " + text);
    gtk_box_append(GTK_BOX(box), heading);
    gtk_box_append(GTK_BOX(box), body);
    // A preferences row, so that a group puts it in its boxed list.
    GtkWidget* row = adw_preferences_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), caption.c_str());
    gtk_list_box_row_set_activatable(GTK_LIST_BOX_ROW(row), FALSE);
    gtk_list_box_row_set_child(GTK_LIST_BOX_ROW(row), box);
    return row;
}

GtkWidget* iconButton(const char* icon, const std::string& accessibleLabel, const char* action, GVariant* target)
{
    GtkWidget* button = gtk_button_new_from_icon_name(icon);
    gtk_widget_set_tooltip_text(button, accessibleLabel.c_str());
    setAccessibleLabel(button, accessibleLabel);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(button), action);
    if (target)
        gtk_actionable_set_action_target_value(GTK_ACTIONABLE(button), target);
    return button;
}

void showToast(AdwToastOverlay* overlay, const std::string& plain)
{
    AdwToast* toast = adw_toast_new(shownMarkup(plain, kMaxToastCharacters).c_str());
    adw_toast_overlay_add_toast(overlay, toast);
}

void removeGroups(AdwPreferencesPage* page, std::vector<GtkWidget*>& groups)
{
    for (GtkWidget* group : groups)
        adw_preferences_page_remove(page, ADW_PREFERENCES_GROUP(group));
    groups.clear();
}

GtkWidget* dialogWindow(GtkWindow* parent, const char* title, int maxWidth, int maxHeight)
{
    GtkWidget* window = adw_window_new();
    gtk_window_set_title(GTK_WINDOW(window), title);
    gtk_window_set_transient_for(GTK_WINDOW(window), parent);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
    const int width = gtk_widget_get_width(GTK_WIDGET(parent)), height = gtk_widget_get_height(GTK_WIDGET(parent));
    gtk_window_set_default_size(GTK_WINDOW(window), width > 0 && width < maxWidth ? width : maxWidth,
                                height > 0 && height < maxHeight ? height : maxHeight);
    // Escape closes it, as a dialog should.
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(GTK_SHORTCUT_CONTROLLER(keys),
                                         gtk_shortcut_new(gtk_shortcut_trigger_parse_string("Escape"),
                                                          gtk_named_action_new("window.close")));
    gtk_widget_add_controller(window, keys);
    return window;
}

} // namespace quorvelapp
