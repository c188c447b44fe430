#include "apps/gtk/AddCodeDialog.h"

#include "apps/gtk/CodeEntry.h"
#include "apps/gtk/Strings.h"
#include "apps/gtk/Widgets.h"
#include "apps/gtk/logic/CodeFilter.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
constexpr size_t kMaxReplyShown = 2000;
constexpr size_t kMaxErrorShown = 300;
constexpr size_t kMaxNumberShown = 32;
// quorveld refuses longer titles.
constexpr int kMaxTitleLength = 64;
}

void AddCodeDialog::open(GtkWindow* parent, linuxhost::QuorvelClient& client,
                         std::function<void(const std::string&)> onSaved)
{
    auto* dialog = new AddCodeDialog(parent, client, std::move(onSaved));
    g_signal_connect(dialog->m_window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                         delete static_cast<AddCodeDialog*>(self);
                     }),
                     dialog);
    gtk_window_present(GTK_WINDOW(dialog->m_window));
    gtk_widget_grab_focus(dialog->m_codeRow);
}

AddCodeDialog::AddCodeDialog(GtkWindow* parent, linuxhost::QuorvelClient& client,
                             std::function<void(const std::string&)> onSaved)
    : m_client(client), m_onSaved(std::move(onSaved)), m_window(dialogWindow(parent, text::addCode(), 420, 640))
{
    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* header = adw_header_bar_new();
    adw_header_bar_set_show_end_title_buttons(ADW_HEADER_BAR(header), FALSE);
    adw_header_bar_set_show_start_title_buttons(ADW_HEADER_BAR(header), FALSE);
    GtkWidget* cancel = gtk_button_new_with_label(text::cancel());
    gtk_actionable_set_action_name(GTK_ACTIONABLE(cancel), "window.close");
    adw_header_bar_pack_start(ADW_HEADER_BAR(header), cancel);
    m_save = gtk_button_new_with_label(text::save());
    gtk_widget_add_css_class(m_save, "suggested-action");
    gtk_widget_set_sensitive(m_save, FALSE);
    g_signal_connect_swapped(m_save, "clicked", G_CALLBACK(+[](AddCodeDialog* self) { self->save(); }), this);
    adw_header_bar_pack_end(ADW_HEADER_BAR(header), m_save);
    gtk_box_append(GTK_BOX(content), header);

    m_page = adw_preferences_page_new();
    gtk_widget_set_vexpand(m_page, TRUE);
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(buildCodeGroup()));
    gtk_box_append(GTK_BOX(content), m_page);
    adw_window_set_content(ADW_WINDOW(m_window), content);

}

GtkWidget* AddCodeDialog::buildCodeGroup()
{
    GtkWidget* group = adw_preferences_group_new();
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(group), text::codeGroup());
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(group), text::codeGroupHint());

    m_codeRow = adw_entry_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(m_codeRow), text::codeEntry());
    setAccessibleLabel(m_codeRow, text::codeEntry());
    acceptOnlyCodeCharacters(GTK_EDITABLE(m_codeRow));
    g_signal_connect_swapped(m_codeRow, "changed", G_CALLBACK(+[](AddCodeDialog* self) {
                                 if (self->m_reply && self->codeText() != self->m_dialledCode)
                                     self->forgetReply();
                                 gtk_widget_set_sensitive(self->m_dialButton,
                                                          !self->m_dialling && isDiallableCode(self->codeText()));
                             }),
                             this);
    // Enter in the code dials it.
    g_signal_connect_swapped(m_codeRow, "entry-activated", G_CALLBACK(+[](AddCodeDialog* self) {
                                 if (!self->m_dialling && isDiallableCode(self->codeText()))
                                     self->dial();
                             }),
                             this);
    adw_entry_row_set_show_apply_button(ADW_ENTRY_ROW(m_codeRow), FALSE);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), m_codeRow);

    GtkWidget* smsRow = plainRow(text::replyBySms(), text::replyBySmsHint());
    m_smsSwitch = gtk_switch_new();
    gtk_widget_set_valign(m_smsSwitch, GTK_ALIGN_CENTER);
    adw_action_row_add_suffix(ADW_ACTION_ROW(smsRow), m_smsSwitch);
    adw_action_row_set_activatable_widget(ADW_ACTION_ROW(smsRow), m_smsSwitch);
    setAccessibleLabel(m_smsSwitch, text::replyBySms());
    g_signal_connect_swapped(m_smsSwitch, "notify::active", G_CALLBACK(+[](AddCodeDialog* self) {
                                 if (self->m_reply && self->bySms() != self->m_dialledBySms)
                                     self->forgetReply();
                             }),
                             this);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), smsRow);

    GtkWidget* dialBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_widget_set_margin_top(dialBox, 12);
    m_dialButton = gtk_button_new_with_label(text::dial());
    gtk_widget_add_css_class(m_dialButton, "pill");
    gtk_widget_add_css_class(m_dialButton, "suggested-action");
    gtk_widget_set_halign(m_dialButton, GTK_ALIGN_CENTER);
    gtk_widget_set_sensitive(m_dialButton, FALSE);
    g_signal_connect_swapped(m_dialButton, "clicked", G_CALLBACK(+[](AddCodeDialog* self) { self->dial(); }), this);
    m_spinner = gtk_spinner_new();
    gtk_widget_set_visible(m_spinner, FALSE);
    setAccessibleLabel(m_spinner, text::dial());
    m_status = plainLabel("", true, true);
    gtk_label_set_xalign(GTK_LABEL(m_status), 0.5);
    gtk_label_set_justify(GTK_LABEL(m_status), GTK_JUSTIFY_CENTER);
    gtk_widget_set_visible(m_status, FALSE);
    gtk_box_append(GTK_BOX(dialBox), m_dialButton);
    gtk_box_append(GTK_BOX(dialBox), m_spinner);
    gtk_box_append(GTK_BOX(dialBox), m_status);
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), dialBox);
    return group;
}

std::string AddCodeDialog::codeText() const
{
    return gtk_editable_get_text(GTK_EDITABLE(m_codeRow));
}

bool AddCodeDialog::bySms() const
{
    return gtk_switch_get_active(GTK_SWITCH(m_smsSwitch));
}

void AddCodeDialog::showStatus(const std::string& status)
{
    gtk_label_set_text(GTK_LABEL(m_status), status.c_str());
    setAccessibleLabel(m_status, status);
    gtk_widget_set_visible(m_status, !status.empty());
}

void AddCodeDialog::setDialling(bool dialling)
{
    m_dialling = dialling;
    gtk_widget_set_visible(m_spinner, dialling);
    gtk_spinner_set_spinning(GTK_SPINNER(m_spinner), dialling);
    gtk_widget_set_sensitive(m_dialButton, !dialling && isDiallableCode(codeText()));
    gtk_widget_set_sensitive(m_codeRow, !dialling);
    gtk_widget_set_sensitive(m_smsSwitch, !dialling);
    updateSave();
}

void AddCodeDialog::dial()
{
    const std::string code = codeText();
    forgetReply();
    const bool sms = bySms();
    showStatus(fill(sms ? text::waitingForSms() : text::dialling(), {code}));
    setDialling(true);
    std::weak_ptr<int> alive = m_alive;
    if (!sms) {
        // By USSD the carrier may answer with a menu: walked here, choice by choice.
        linuxhost::QuorvelClient& client = m_client; // it outlives the dialog
        m_client.dialWithMenusAsync(code, [this, alive, code, &client](std::optional<linuxhost::MenuReply> reply,
                                                                       const linuxhost::CallError& error) {
            if (alive.expired()) {
                if (reply && reply->menu) // nobody is left to answer it
                    client.cancelDial(nullptr);
                return;
            }
            m_dialledCode = code;
            m_dialledBySms = false;
            dialledWithMenus(std::move(reply), error);
        });
        return;
    }
    m_client.dialAsync(code, sms, [this, alive, code, sms](std::optional<linuxhost::DialReply> reply,
                                                          const linuxhost::CallError& error) {
        if (alive.expired())
            return;
        m_dialledCode = code;
        m_dialledBySms = sms;
        dialled(std::move(reply), error);
    });
}

void AddCodeDialog::dialled(std::optional<linuxhost::DialReply> reply, const linuxhost::CallError& error)
{
    setDialling(false);
    if (!reply) {
        showStatus(fill(text::dialFailed(), {shownText(error.message, kMaxErrorShown)}));
        return;
    }
    // The code may have been edited while the dial ran: then the reply is not its.
    if (codeText() != m_dialledCode || bySms() != m_dialledBySms) {
        showStatus("");
        return;
    }
    showStatus(reply->numbers.empty() ? text::noNumbers() : "");
    m_reply = std::move(reply);

    m_replyGroup = adw_preferences_group_new();
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(m_replyGroup), text::replyGroup());
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_replyGroup),
                              textRow(text::replyGroup(), shownText(m_reply->reply, kMaxReplyShown, true)));
    if (!m_reply->sender.empty())
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_replyGroup),
                                  plainRow(text::smsSender(), shownText(m_reply->sender, 64)));
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_replyGroup));

    if (m_reply->numbers.empty())
        return;
    m_numbersGroup = adw_preferences_group_new();
    adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(m_numbersGroup), text::numbersGroup());
    adw_preferences_group_set_description(ADW_PREFERENCES_GROUP(m_numbersGroup), text::numbersGroupHint());
    for (const std::string& number : m_reply->numbers) {
        const std::string label = fill(text::numberTitle(), {shownText(number, kMaxNumberShown)});
        GtkWidget* row = adw_entry_row_new();
        adw_preferences_row_set_use_markup(ADW_PREFERENCES_ROW(row), FALSE);
        adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), label.c_str());
        setAccessibleLabel(row, label);
        if (GtkEditable* text = gtk_editable_get_delegate(GTK_EDITABLE(row)); text && GTK_IS_TEXT(text))
            gtk_text_set_max_length(GTK_TEXT(text), kMaxTitleLength);
        g_signal_connect_swapped(row, "changed", G_CALLBACK(+[](AddCodeDialog* self) { self->updateSave(); }), this);
        adw_preferences_group_add(ADW_PREFERENCES_GROUP(m_numbersGroup), row);
        m_titleRows.push_back(row);
    }
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_numbersGroup));
    gtk_widget_grab_focus(m_titleRows.front());
    updateSave();
}

void AddCodeDialog::dialledWithMenus(std::optional<linuxhost::MenuReply> reply, const linuxhost::CallError& error)
{
    if (!reply || !reply->menu) {
        dialled(reply ? std::optional<linuxhost::DialReply>(linuxhost::DialReply{reply->reply, "", reply->numbers})
                      : std::nullopt,
                error);
        return;
    }
    setDialling(false);
    showStatus("");
    // The code may have been edited while the dial ran: then the menu is not its.
    if (codeText() != m_dialledCode || bySms()) {
        m_client.cancelDial(nullptr);
        return;
    }
    m_menu = std::make_unique<MenuPathRows>(
        m_client, m_dialledCode, reply->reply,
        [this](linuxhost::DialReply final) { dialled(std::move(final), {}); },
        [this](const std::string& why) {
            showStatus(fill(text::menuEnded(), {why}));
            forgetMenu();
        });
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_menu->group()));
}

void AddCodeDialog::forgetMenu()
{
    if (!m_menu)
        return;
    adw_preferences_page_remove(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_menu->group()));
    m_menu.reset(); // lets a menu still held go
}

void AddCodeDialog::forgetReply()
{
    forgetMenu();
    m_reply.reset();
    m_titleRows.clear();
    if (m_replyGroup)
        adw_preferences_page_remove(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_replyGroup));
    if (m_numbersGroup)
        adw_preferences_page_remove(ADW_PREFERENCES_PAGE(m_page), ADW_PREFERENCES_GROUP(m_numbersGroup));
    m_replyGroup = m_numbersGroup = nullptr;
    updateSave();
}

void AddCodeDialog::updateSave()
{
    gtk_widget_set_sensitive(m_save, !m_dialling && m_reply && !m_titleRows.empty());
}

void AddCodeDialog::save()
{
    if (!m_reply || m_dialling)
        return;
    std::vector<std::pair<int, std::string>> fields;
    for (size_t i = 0; i < m_titleRows.size(); ++i) {
        gchar* title = g_strstrip(g_strdup(gtk_editable_get_text(GTK_EDITABLE(m_titleRows[i]))));
        if (*title)
            fields.emplace_back(static_cast<int>(i), title);
        g_free(title);
    }
    if (fields.empty()) {
        showStatus(text::needOneTitle());
        return;
    }
    linuxhost::CallError error;
    const std::string sender = m_dialledBySms ? m_reply->sender : "";
    const std::vector<std::string> choices = m_menu ? m_menu->choices() : std::vector<std::string>{};
    const auto index = m_client.saveCodeWith(m_dialledCode, sender, static_cast<int>(m_reply->numbers.size()), fields,
                                             choices, &error);
    if (!index) {
        showStatus(fill(text::saveFailed(), {shownText(error.message, kMaxErrorShown)}));
        return;
    }
    if (m_onSaved)
        m_onSaved(m_dialledCode);
    gtk_window_destroy(GTK_WINDOW(m_window)); // deletes this
}

} // namespace quorvelapp
