// The codes page: the stored codes as rows. A row opens the code's details
// (action win.open-code with its store index); its trash button deletes it
// (win.delete-code), which the window holds back behind an undo toast.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <utility>
#include <vector>

namespace quorvelapp {

class CodesPage {
public:
    CodesPage();
    GtkWidget* widget() const { return m_page; }

    // The codes to list with their indices in the store.
    void showCodes(const std::vector<std::pair<int, const linuxhost::StoredCode*>>& codes, bool running);
    // Called for each code's row as it is made (its SIM, see SimBinding.h).
    void decorateRows(std::function<void(GtkWidget* row, int index, const linuxhost::StoredCode&)> decorate)
    {
        m_decorate = std::move(decorate);
    }

private:
    GtkWidget* m_page;
    GtkWidget* m_group;
    std::vector<GtkWidget*> m_rows;
    std::function<void(GtkWidget*, int, const linuxhost::StoredCode&)> m_decorate;
};

// The line under a code's name: its titles, how its reply comes, and its SIM.
std::string codeSummary(const linuxhost::StoredCode& code);

} // namespace quorvelapp
