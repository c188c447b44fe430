// The daemon's window-less USSD alert: a menu of the daemon's own USSD session
// (a reply that waits for a choice) is presented to the modules loaded into
// the home screen exactly as the simulated phone's home screen presents a
// USSD alert that waits for a choice, and nothing is drawn.
//
//   registerMenuAlertClasses();          // in the home screen, before tweaks load
//   MenuAlerts alerts(homeProcess);
//   alerts.onAnswer([&](const std::string& choice) { modem.respond(choice); });
//   alerts.present("1 Balance\n2 Data");
//
// present() sends, in this order: initWithFrame: (the full screen),
// setAllowsResponse: YES, alertStringAvailable: (which runs
// displayString:centerVertically: and _notifyView), alertDisplayBecameVisible,
// and at the run loop's next turn, if the alert is still open,
// _updateCharsRemaining. Reply opens the reply field (_setupResponseBar); OK
// with the field open hands its text to the answer listener and closes; OK
// without it, and Cancel, only close: a menu left unanswered is the network's
// to release, never cancelled from here. Single-threaded; lives as long as
// its process.
#pragma once

#include "host/common/alerts/UssdAlertClasses.h"
#include "platform/runtime/Runtime.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform { class Process; }

namespace linuxhost {

// The longest answer the reply field takes, as on the phone.
inline constexpr size_t kMenuAnswerLength = host::kUssdResponseLength;

// Registers SBUSSDAlertDisplay and SBUSSDAlertResponseField with the daemon's
// implementations (replacing what the runtime held under those names).
void registerMenuAlertClasses();

class MenuAlerts {
public:
    explicit MenuAlerts(platform::Process& process);
    ~MenuAlerts();
    MenuAlerts(const MenuAlerts&) = delete;
    MenuAlerts& operator=(const MenuAlerts&) = delete;

    void present(const std::string& text);
    // Who hears a menu's answer (an empty function drops them).
    void onAnswer(std::function<void(const std::string& choice)> listener);
    // Alerts presented and not yet closed.
    int openCount() const;

    struct Record;
private:
    platform::Process& m_process;
    std::shared_ptr<Record> m_record;
    std::vector<rt::id> m_alerts;
};

} // namespace linuxhost
