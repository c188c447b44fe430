#include "apps/gtk/MenuPathRows.h"

#include "apps/gtk/CodeEntry.h"
#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/Text.h"
#include "host/linux/client/MenuChoiceRules.h"

#include <cstdio>

namespace quorvelapp {

namespace {
constexpr size_t kMaxMenuShown = 2000;
constexpr size_t kMaxErrorShown = 300;
}

MenuPathRows::MenuPathRows(linuxhost::QuorvelClient& client, const std::string& code, const std::string& menuText,
                           FinalReply onFinal, Ended onEnded)
    : m_client(client), m_onFinal(std::move(onFinal)), m_onEnded(std::move(onEnded)), m_group(adw_preferences_group_new())
{
    m_path.dialled(code);
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(m_group), text::menuGroup());
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(m_group), text::menuGroupHint());

    // The menu's text: a label of its own, updated in place for each menu.
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_widget_set_margin_start(box, 12);
    gtk_widget_set_margin_end(box, 12);
    gtk_widget_set_margin_top(box, 8);
    gtk_widget_set_margin_bottom(box, 8);
    m_menuLabel = plainLabel("", true, true);
    gtk_box_append(GTK_BOX(box), m_menuLabel);
    m_menuRow = adw_preferences_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(m_menuRow), text::menuText());
    gtk_list_box_row_set_activatable(GTK_LIST_BOX_ROW(m_menuRow), FALSE);
    gtk_list_box_row_set_child(GTK_LIST_BOX_ROW(m_menuRow), box);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), m_menuRow);

    m_choiceRow = adw_entry_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(m_choiceRow), text::menuChoice());
    setAccessibleLabel(m_choiceRow, text::menuChoice());
    acceptOnlyChoiceCharacters(GTK_EDITABLE(m_choiceRow));
    g_signal_connect_swapped(m_choiceRow, "changed", G_CALLBACK(+[](MenuPathRows* self) { self->updateSend(); }), this);
    g_signal_connect_swapped(m_choiceRow, "entry-activated", G_CALLBACK(+[](MenuPathRows* self) { self->send(); }), this);
    m_send = gtk_button_new_with_label(text::sendChoice());
    gtk_widget_set_valign(m_send, GTK_ALIGN_CENTER);
    gtk_widget_add_css_class(m_send, "suggested-action");
    setAccessibleLabel(m_send, text::sendChoice());
    g_signal_connect_swapped(m_send, "clicked", G_CALLBACK(+[](MenuPathRows* self) { self->send(); }), this);
    m_spinner = gtk_spinner_new();
    setAccessibleLabel(m_spinner, text::sendChoice());
    gtk_widget_set_visible(m_spinner, FALSE);
    adw_entry_row_add_suffix(ADW_ENTRY_ROW(m_choiceRow), m_spinner);
    adw_entry_row_add_suffix(ADW_ENTRY_ROW(m_choiceRow), m_send);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), m_choiceRow);

    m_pathRow = plainRow(text::menuPathSoFar());
    gtk_widget_set_visible(m_pathRow, FALSE);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), m_pathRow);
    m_status = plainLabel("", true, true);
    gtk_widget_set_margin_top(m_status, 8);
    gtk_widget_set_visible(m_status, FALSE);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_group), m_status);

    showMenu(menuText);
}

MenuPathRows::~MenuPathRows()
{
    if (!m_held)
        return;
    linuxhost::CallError error;
    if (!m_client.cancelDial(&error) && error.name != std::string(linuxhost::kQuorvelErrorPrefix) + "NotFound")
        std::fprintf(stderr, "quorvel-app: CancelDial: %s\n", error.message.c_str());
}

void MenuPathRows::showMenu(const std::string& text)
{
    const std::string shown = shownText(text, kMaxMenuShown, true);
    gtk_label_set_text(GTK_LABEL(m_menuLabel), shown.c_str());
    setAccessibleLabel(m_menuLabel, std::string(text::menuText()) + ": " + shown);
    gtk_editable_set_text(GTK_EDITABLE(m_choiceRow), "");
    showPath();
    if (!m_path.canSend() && !m_path.awaitingAnswer())
        showStatus(text::menuPathFull());
    updateSend();
    gtk_widget_grab_focus(m_choiceRow);
}

void MenuPathRows::showPath()
{
    const std::string path = m_path.shown();
    adw_action_row_set_subtitle(ADW_ACTION_ROW(m_pathRow), path.c_str());
    setAccessibleLabel(m_pathRow, std::string(text::menuPathSoFar()) + ": " + path);
    gtk_widget_set_visible(m_pathRow, !path.empty());
}

void MenuPathRows::showStatus(const std::string& status)
{
    gtk_label_set_text(GTK_LABEL(m_status), status.c_str());
    setAccessibleLabel(m_status, status);
    gtk_widget_set_visible(m_status, !status.empty());
}

void MenuPathRows::updateSend()
{
    const std::string typed = gtk_editable_get_text(GTK_EDITABLE(m_choiceRow));
    const bool sending = m_path.awaitingAnswer();
    gtk_widget_set_sensitive(m_send, m_held && m_path.canSend() && !typed.empty());
    gtk_widget_set_sensitive(m_choiceRow, m_held && !sending);
    gtk_widget_set_visible(m_spinner, sending);
    gtk_spinner_set_spinning(GTK_SPINNER(m_spinner), sending);
}

void MenuPathRows::send()
{
    const std::string choice = gtk_editable_get_text(GTK_EDITABLE(m_choiceRow));
    if (!m_held || !m_path.sending(choice))
        return;
    showStatus(fill(text::sendingChoice(), {choice}));
    updateSend();
    std::weak_ptr<int> alive = m_alive;
    m_client.respondMenuAsync(choice, [this, alive](std::optional<linuxhost::MenuReply> reply,
                                                    const linuxhost::CallError& error) {
        if (!alive.expired())
            answered(std::move(reply), error);
    });
}

void MenuPathRows::answered(std::optional<linuxhost::MenuReply> reply, const linuxhost::CallError& error)
{
    if (!reply) {
        // quorveld lets the menu go with any failure but a refused choice (which the entry never sends).
        m_path.failed();
        m_held = false;
        updateSend();
        showStatus("");
        // Last: the dialog may drop this object from inside it.
        Ended ended = m_onEnded;
        if (ended)
            ended(shownText(error.message, kMaxErrorShown));
        return;
    }
    m_path.answered();
    showStatus("");
    if (reply->menu) {
        showMenu(reply->reply);
        return;
    }
    // The final reply: the path stays shown, the menu and the entry go.
    m_held = false;
    showPath();
    gtk_widget_set_visible(m_menuRow, FALSE);
    gtk_widget_set_visible(m_choiceRow, FALSE);
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(m_group), "");
    FinalReply final = m_onFinal;
    if (final)
        final(linuxhost::DialReply{reply->reply, "", reply->numbers});
}

GtkWidget* menuPathRow(const std::vector<std::string>& choices)
{
    std::string shown;
    for (const std::string& choice : choices)
        shown += (shown.empty() ? "" : " › ") + shownText(choice, linuxhost::kMaxMenuChoiceChars);
    return plainRow(text::menuChoices(), shownText(shown, 200));
}

} // namespace quorvelapp
