// The preferences page: every key GetSettingChoices returns, as a row with
// the choices the phone's Settings page offers (a switch for on/off, a combo
// row for a list of values). A change is sent at once with SetSetting; a
// refused one is reported and the row goes back to the stored value. show()
// is called again on every SettingsChanged, and moves the rows without
// sending anything.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <adwaita.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvelapp {

class PreferencesPage {
public:
    // `refused` runs with the message of a SetSetting that failed (after
    // which the window reads the settings again).
    PreferencesPage(linuxhost::QuorvelClient& client, std::function<void(const std::string&)> refused);
    GtkWidget* widget() const { return m_page; }

    void show(const std::vector<linuxhost::SettingChoices>& choices, const std::vector<linuxhost::Setting>& settings);
    // quorveld is gone, or the settings cannot be read: no rows, this message.
    void showProblem(const std::string& message);

private:
    struct Row {
        PreferencesPage* page;
        linuxhost::SettingChoices choices;
        GtkWidget* row;
        GtkWidget* toggle;   // the switch; null for a combo row
    };
    void rebuild(const std::vector<linuxhost::SettingChoices>& choices);
    void changed(Row& row);
    void clear();

    linuxhost::QuorvelClient& m_client;
    std::function<void(const std::string&)> m_refused;
    GtkWidget* m_page;
    GtkWidget* m_group;
    GtkWidget* m_problem = nullptr;
    std::vector<std::unique_ptr<Row>> m_rows;
    bool m_updating = false;
};

} // namespace quorvelapp
