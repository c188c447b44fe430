// Adding a code, as the Settings wizard does it: type the code (only 0-9 * #
// + are taken), say whether the reply comes by SMS, Dial (quorveld dials it
// now; the window stays live, with a spinner, until the reply or the error
// comes), title the numbers found (an empty title is not shown) and Save
// (SaveCode, at least one title). A failed dial says why and keeps what was
// typed; changing the code or the switch after a dial sets the reply aside.
// A USSD reply that is a carrier's menu is answered step by step in the
// dialog (MenuPathRows); the final reply is titled as any other, and the
// choices are saved with the code (SaveCodeWith).
//
// Lifetime: open() makes the window and an object deleted with it. A dial
// still under way when it closes is answered to nobody (the daemon finishes it).
#pragma once

#include "apps/gtk/MenuPathRows.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvelapp {

class AddCodeDialog {
public:
    // `onSaved` runs with the saved code once SaveCode succeeded, before the window closes.
    static void open(GtkWindow* parent, linuxhost::QuorvelClient& client, std::function<void(const std::string&)> onSaved);

private:
    AddCodeDialog(GtkWindow* parent, linuxhost::QuorvelClient& client, std::function<void(const std::string&)> onSaved);
    GtkWidget* buildCodeGroup();
    void dial();
    void dialled(std::optional<linuxhost::DialReply> reply, const linuxhost::CallError& error);
    // The reply to a USSD dial: a menu opens the menu steps, else as dialled().
    void dialledWithMenus(std::optional<linuxhost::MenuReply> reply, const linuxhost::CallError& error);
    void forgetMenu();
    void setDialling(bool dialling);
    void forgetReply();
    void save();
    void showStatus(const std::string& text);
    void updateSave();
    std::string codeText() const;
    bool bySms() const;

    linuxhost::QuorvelClient& m_client;
    std::function<void(const std::string&)> m_onSaved;
    // Dropped with the object: a dial answered after the window closed sees it gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    GtkWidget* m_window;
    GtkWidget* m_save;
    GtkWidget* m_codeRow;
    GtkWidget* m_smsSwitch;
    GtkWidget* m_dialButton;
    GtkWidget* m_spinner;
    GtkWidget* m_status;
    GtkWidget* m_page;
    GtkWidget* m_replyGroup = nullptr;
    GtkWidget* m_numbersGroup = nullptr;
    std::vector<GtkWidget*> m_titleRows;
    std::unique_ptr<MenuPathRows> m_menu;

    bool m_dialling = false;
    std::optional<linuxhost::DialReply> m_reply;
    std::string m_dialledCode;
    bool m_dialledBySms = false;
};

} // namespace quorvelapp
