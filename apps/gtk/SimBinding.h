// Codes that belong to a SIM, in the app: a code's row on the Codes page
// says which SIM it belongs to, is greyed with "SIM not in" while that SIM is
// out, and offers "Bind to This SIM" (action win.bind-code with the code's
// store index) for a code of no SIM while codes follow their SIM and a SIM is
// in; the code's details show its SIM. The Figures page greys such codes
// itself (StoredCode::simIn). Everything follows the daemon's CodesChanged,
// which also comes when a SIM goes in or out, and SettingsChanged.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvelapp {

class SimBinding {
public:
    SimBinding(linuxhost::QuorvelClient& client, std::function<void(const std::string&)> toast);

    // win.bind-code(i): `stored` gives the codes as last read (store order).
    void addAction(GActionMap* map, std::function<const std::vector<linuxhost::StoredCode>&()> stored);
    // Whether codes follow their SIM, from the settings as last read.
    void noteSettings(const std::vector<linuxhost::Setting>& settings);
    // Greys the row of a code whose SIM is not in, and adds the bind button when offered.
    void decorateRow(GtkWidget* row, int index, const linuxhost::StoredCode& code) const;

private:
    void bind(int index, const linuxhost::StoredCode& code);

    linuxhost::QuorvelClient& m_client;
    std::function<void(const std::string&)> m_toast;
    std::function<const std::vector<linuxhost::StoredCode>&()> m_stored;
    bool m_codesFollowSim = false;
};

// The row of a code's details that names its SIM ("Any SIM" for none).
GtkWidget* simRow(const linuxhost::StoredCode& code);

} // namespace quorvelapp
