// The menu steps of the Add a Code dialog: when a code's reply is a carrier's
// menu (the network waits for a choice), a group shows the menu's text, an
// entry for the choice (only 0-9 * #) and Send; each choice goes to quorveld
// (RespondMenu) and its answer is the next menu, shown in place, or the final
// reply, handed to the dialog as a dial's reply. The choices answered make
// the code's menu path (MenuPath), saved with it.
//
// Lifetime: owned by the dialog. Its widgets go with the dialog's window; a
// menu still held when it is destroyed is let go in quorveld (CancelDial),
// and an answer that comes after finds it gone.
#pragma once

#include "apps/gtk/logic/MenuPath.h"
#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <memory>
#include <string>

namespace quorvelapp {

class MenuPathRows {
public:
    using FinalReply = std::function<void(linuxhost::DialReply)>;
    using Ended = std::function<void(const std::string& why)>;

    // `code`'s dial answered with the menu `menuText`.
    MenuPathRows(linuxhost::QuorvelClient& client, const std::string& code, const std::string& menuText,
                 FinalReply onFinal, Ended onEnded);
    ~MenuPathRows();
    MenuPathRows(const MenuPathRows&) = delete;
    MenuPathRows& operator=(const MenuPathRows&) = delete;

    // The preferences group to put on the dialog's page.
    GtkWidget* group() const { return m_group; }
    // The choices answered, in order.
    const std::vector<std::string>& choices() const { return m_path.choices(); }

private:
    void send();
    void answered(std::optional<linuxhost::MenuReply> reply, const linuxhost::CallError& error);
    void showMenu(const std::string& text);
    void showPath();
    void showStatus(const std::string& text);
    void updateSend();

    linuxhost::QuorvelClient& m_client;
    FinalReply m_onFinal;
    Ended m_onEnded;
    MenuPath m_path;
    // quorveld holds a menu for us: let it go if we leave first.
    bool m_held = true;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    GtkWidget* m_group;
    GtkWidget* m_menuRow;
    GtkWidget* m_menuLabel;
    GtkWidget* m_choiceRow;
    GtkWidget* m_send;
    GtkWidget* m_spinner;
    GtkWidget* m_pathRow;
    GtkWidget* m_status;
};

// The row of a code's details that shows its menu path ("1 › 2").
GtkWidget* menuPathRow(const std::vector<std::string>& choices);

} // namespace quorvelapp
