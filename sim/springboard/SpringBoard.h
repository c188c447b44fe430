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
// Selectors and the exact argument types their host implementations take (a
// replacement installed with MSHookMessageEx must have the same signature; every
// implementation is R(rt::Object* self, rt::SEL cmd, args...)):
//
//   SBUSSDAlertDisplay
//     initWithFrame:                              (platform::CGRect) -> rt::Object* (the receiver)
//     alertDisplayBecameVisible, _replyClicked, _okayClicked, _setupResponseBar,
//     _cancelClicked, _updateCharsRemaining, _notifyView                -> void
//     _textChanged:                               (rt::Object* sender) -> void
//     textField:shouldInsertText:replacingRange:  (rt::Object* field, std::string, platform::NSRange) -> bool
//     setAllowsResponse:                          (bool) -> void
//     allowsResponse                              -> bool
//     alertStringAvailable:                       (std::string) -> void
//     displayString:centerVertically:             (std::string, bool) -> void
//     instance variable "_responseField" (through rt::Object::ivar): the reply
//     field once Reply has opened the response bar, else nullptr; it answers
//     "setText:" (std::string) -> void and "text" -> std::string.
//   SBStatusBarDataManager
//     setStatusBarItem:enabled:                   (int item, bool) -> bool (whether it changed); item 1 is Do Not Disturb
//   BBServer
//     publishBulletin:destinations:alwaysToLockScreen:  (rt::Object* bulletin, unsigned, bool) -> void
//   BBBulletin
//     section, title, message                     -> std::string
//   SBIcon
//     setBadge:                                   (int) -> void
//     applicationBundleID                         -> std::string
//
// The alert as SpringBoard drives it: created with initWithFrame: and the full
// screen, setAllowsResponse: YES, alertStringAvailable: (which shows the text
// with displayString:centerVertically: and _notifyView), then
// alertDisplayBecameVisible. Reply opens the response bar (_setupResponseBar)
// without closing; OK sends the typed reply, if any, and closes; Cancel closes.
// Lock posts "com.apple.springboard.lockcomplete" and unlock
// "com.apple.springboard.lockstate" on the Darwin centre (delivered when the
// device next runs). Constructing a SpringBoard (re)registers every class above
// with these host implementations, replacing what their tables held.
//
// Lives as long as its process; single-threaded. Every call that runs
// SpringBoard code makes its device and process current for the call.
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
    // What the status bar last recorded for the item (false before any report).
    bool statusBarItemEnabled(int item) const;
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

    // Texts sent back to the carrier with an alert's OK button, in order.
    const std::vector<std::string>& ussdRepliesSent() const;

    struct State;
private:
    platform::Process& m_process;
    std::unique_ptr<State> m_state;
};

} // namespace sim
