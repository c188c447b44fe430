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
// alertDisplayBecameVisible (at once, or later when the alert is built and
// shown apart). Reply opens the response bar (_setupResponseBar) without
// closing; OK sends the typed reply, if any, and closes; Cancel closes. Each
// key typed into the response bar is offered with
// textField:shouldInsertText:replacingRange: and, when taken, announced with
// _textChanged: (whose host method runs _updateCharsRemaining).
// Lock posts "com.apple.springboard.lockcomplete" and unlock
// "com.apple.springboard.lockstate" on the Darwin centre (delivered when the
// device next runs). Constructing a SpringBoard (re)registers every class above
// with these host implementations, replacing what their tables held.
//
// Lives as long as its process; single-threaded. Every call that runs
// SpringBoard code makes its device and process current for the call.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/notify/UserNotifications.h"
#include "platform/runtime/Runtime.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform { class Process; }

namespace sim {

enum class AlertButton { reply, ok, cancel };

// Which alert the user acts on: the top one on screen, or the newest open one
// built off screen (hidden from the user, but still there to be acted on).
enum class AlertPick { onScreen, hidden };

// Where an alert is: not shown yet, on screen, open off screen, or closed.
enum class AlertPlace { notShown, onScreen, offScreen, closed };

// What an alert shows and holds, for checks.
struct UssdAlertState {
    std::string text;           // as shown
    bool allowsResponse = false;
    bool responseBarOpen = false;
    std::string responseText;   // what the reply field holds
    int charsRemaining = 0;
};

inline constexpr platform::CGRect kScreenBounds{{0, 0}, {320, 480}};

// The section of the system's own bulletins: the alerts the modules post
// through platform::postUserNotification.
inline constexpr const char* kQuorvelBulletinSection = "org.quillmoor.quorvel";

struct PublishedBulletin {
    std::string section;
    std::string title;
    std::string message;
};

// Also the device's notification service while it lives: a module's user
// notification becomes a bulletin of kQuorvelBulletinSection, published
// through BBServer like any other.
class SpringBoard final : public platform::UserNotificationService {
public:
    explicit SpringBoard(platform::Process& process);
    ~SpringBoard() override;

    void post(const platform::UserNotification& notification) override;

    platform::Process& process() { return m_process; }

    // Shows a USSD reply the way SpringBoard does: initWithFrame: with the full
    // screen, setAllowsResponse:, the text, then alertDisplayBecameVisible.
    void presentUSSDAlert(const std::string& text, bool allowsResponse = true);
    // The same in two steps, for an alert that becomes visible some time after
    // it was built: everything up to the text, then alertDisplayBecameVisible.
    // buildUSSDAlert returns nullptr when the class builds no alert.
    // An alert that `waitsForChoice` shows a menu: once it is visible, at the
    // run loop's next turn (after the text's telephony delivery queued beside
    // it), SpringBoard lays out its reply field's counter with
    // _updateCharsRemaining, if it is still open; its OK with a reply goes to
    // the menu's listener, and its close without one ends the menu's session.
    rt::id buildUSSDAlert(const std::string& text, bool allowsResponse = true, bool waitsForChoice = false);
    void showUSSDAlert(const rt::id& alert);
    // Who hears a menu's answer, and the close of a menu left unanswered.
    void onMenuAnswer(std::function<void(const std::string& choice)> answered, std::function<void()> released);
    AlertPlace alertPlace(const rt::id& alert) const;
    // A number that grows whenever any alert is shown, closed or given its
    // frame (in any SpringBoard of this process): while it stays the same, no
    // alert's place has changed.
    static uint64_t alertChanges();
    // The user taps a button of the picked alert; false when there is none.
    bool tapAlertButton(AlertButton button, AlertPick pick = AlertPick::onScreen);
    // The user types `text` into the reply field of the picked alert, one
    // character (UTF-8 sequence) at a time; each one the alert refuses is left
    // out. `problem` says why nothing could be typed (no such alert, no
    // response bar open); it is empty when the keys were typed.
    struct Typing {
        std::string problem;
        int taken = 0;
        int refused = 0;
    };
    Typing typeIntoAlert(const std::string& text, AlertPick pick = AlertPick::onScreen);
    // SpringBoard asks the picked alert whether it takes a reply (allowsResponse);
    // nullopt when there is no such alert.
    std::optional<bool> askAllowsResponse(AlertPick pick = AlertPick::onScreen);
    // SpringBoard sends setAllowsResponse: to the picked alert; false when there is none.
    bool setAlertAllowsResponse(bool allows, AlertPick pick = AlertPick::onScreen);
    std::optional<UssdAlertState> alertState(AlertPick pick = AlertPick::onScreen) const;
    // Alerts shown and not yet closed whose frame meets the screen.
    int alertsOnScreen() const;
    // Alerts shown and not yet closed, on screen or not.
    int alertsOpen() const;
    // The alerts built most recently, oldest first: every one not yet closed,
    // and the closed ones until the next alert is built.
    const std::vector<rt::id>& recentAlerts() const;

    // Status bar item change (item 1 is Do Not Disturb), through the runtime.
    // Returns what the call answered: whether the item changed.
    bool setStatusBarItem(int item, bool enabled);
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
