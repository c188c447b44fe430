// A stored code opened from the codes page: its fields (number, title, last
// value), how its reply comes, its last refresh and last reply, and a Delete
// button. It shows a copy of the record taken when it opened.
//
// Lifetime: CodeDetailsDialog::open() makes the window and an object that is
// deleted with it; `onDelete` runs (at most once) before it closes.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>

namespace quorvelapp {

class CodeDetailsDialog {
public:
    static void open(GtkWindow* parent, const linuxhost::StoredCode& code, std::function<void()> onDelete);

private:
    CodeDetailsDialog(GtkWindow* parent, const linuxhost::StoredCode& code, std::function<void()> onDelete);

    GtkWidget* m_window;
    std::function<void()> m_onDelete;
};

} // namespace quorvelapp
