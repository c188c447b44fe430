// The simulated home-screen process's own classes: the USSD alert display, the
// status bar data manager, the bulletin server and icons, registered with the
// runtime under SpringBoard's class names, with host implementations of every
// selector a tweak may replace. Everything the host does to these objects goes
// through rt::msgSend, so installed replacements see each call.
//
//   SpringBoard sb(springboardProcess);      // registers the classes
//   sb.presentUSSDAlert("Balance 12.50");    // create, fill, show, as the phone does
//   sb.tapAlertButton(AlertButton::cancel);  // the user taps a button
//
// Lives as long as its process; single-threaded.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/runtime/Runtime.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform { class Process; }

namespace sim {

enum class AlertButton { reply, ok, cancel };

inline constexpr platform::CGRect kScreenBounds{{0, 0}, {320, 480}};

struct PublishedBulletin {
    std::string section;
    std::string title;
    std::string message;
};

class SpringBoard {
public:
    explicit SpringBoard(platform::Process& process);
    ~SpringBoard();

    platform::Process& process() { return m_process; }

    // Shows a USSD reply the way SpringBoard does: initWithFrame: with the full
    // screen, the text, then alertDisplayBecameVisible.
    void presentUSSDAlert(const std::string& text);
    // The user taps a button of the top alert that is on screen; false when none is.
    bool tapAlertButton(AlertButton button);
    // Alerts shown and not yet closed whose frame meets the screen.
    int alertsOnScreen() const;
    // Alerts shown and not yet closed, on screen or not.
    int alertsOpen() const;

    // Status bar item change (item 1 is Do Not Disturb), through the runtime.
    void setStatusBarItem(int item, bool enabled);
    // Lock and unlock, as SpringBoard announces them on the Darwin centre.
    void lock();
    void unlock();

    // A bulletin published through BBServer (the replacement may drop it).
    void publishBulletin(const PublishedBulletin& bulletin);
    const std::vector<PublishedBulletin>& publishedBulletins() const;
    int bulletinCount(const std::string& section) const;
    // A badge set through SBIcon of that application (the replacement may drop it).
    void setBadge(const std::string& bundleIdentifier, int badge);
    int badge(const std::string& bundleIdentifier) const;

    struct State;
private:
    platform::Process& m_process;
    std::unique_ptr<State> m_state;
};

} // namespace sim
