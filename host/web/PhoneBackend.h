// What the browser page drives: one phone (a simulated device or the Linux
// host's real one). The web server validates every request, then calls these
// on the phone's own thread (through the runner the host gives it), one at a
// time, so the phone's code never runs on the server's threads.
//
// Optional parts (the carrier console, clock control) answer nullptr where a
// phone has none; the server then hides them from the page and answers 404.
#pragma once

#include "platform/foundation/Geometry.h"

#include <functional>
#include <string>
#include <vector>

namespace host {

// The outcome of one action: done, or refused with a one-line reason (the
// phone was not in a state that takes it; nothing changed).
struct PageReply {
    bool ok = true;
    std::string problem;
    static PageReply done() { return {}; }
    static PageReply refused(std::string why) { return {false, std::move(why)}; }
};

enum class PageApp { settings, notificationCenter };

// The device's clock, where the page may move it (the simulated device).
class PageClock {
public:
    virtual ~PageClock() = default;
    // Device seconds per real second: 0 (paused), 1, 10 or 60.
    virtual void setRate(int rate) = 0;
    virtual int rate() const = 0;
    // Jumps to the earliest pending timer and runs what is due then.
    virtual PageReply runToNextTimer() = 0;
};

// The network's side (the simulated carrier).
class PageCarrier {
public:
    virtual ~PageCarrier() = default;
    // `code` is answered with `text` by USSD after `delaySeconds`.
    virtual void answer(const std::string& code, const std::string& text, double delaySeconds) = 0;
    // `code` gets no answer at all.
    virtual void silence(const std::string& code) = 0;
    // An SMS arrives from `sender`.
    virtual PageReply sendSms(const std::string& sender, const std::string& text) = 0;
    // The console's state: a JSON array of {"code","reply","delay","silent"}.
    virtual std::string scriptsJson() const = 0;
};

class PhoneBackend {
public:
    virtual ~PhoneBackend() = default;

    // Everything the page shows, as one JSON object: "time", "app", "settings"
    // and "widget" (SVG markup), "locked", "dnd", "roaming", "codes" (the
    // codes store as text). The server adds what it knows itself.
    virtual std::string stateJson() = 0;

    virtual PageReply showApp(PageApp app) = 0;
    // A finger at a point of the Settings screen (320 x 480 points).
    virtual PageReply tapSettings(platform::CGPoint point) = 0;
    // A drag of the Settings screen's content under a point, `dy` points up.
    virtual PageReply scrollSettings(platform::CGPoint point, double dy) = 0;
    // Typed into the Settings screen's text field being edited.
    virtual PageReply typeSettings(const std::string& text) = 0;
    // A finger at a point of the Notification Center picture.
    virtual PageReply tapWidget(platform::CGPoint point) = 0;
    virtual PageReply setLocked(bool locked) = 0;
    virtual PageReply setDoNotDisturb(bool on) = 0;
    virtual PageReply setRoaming(bool on) = 0;

    // The figures panel (FiguresJson.h): each code's fields with their change
    // and chart points, and its last reply; "" when the phone has none to give.
    virtual std::string figuresJson() { return {}; }

    // Whether the page may lock the phone and switch Do Not Disturb and
    // roaming (a real phone takes these from its session and its modem).
    virtual bool hasPhoneControls() const { return true; }
    // Whether the page may record a stored code's menu path, and the record:
    // `choices` (none: the key is removed) become the first record of `code`'s
    // "menuChoices"; refused when no record dials `code`.
    virtual bool editsMenuPaths() const { return false; }
    virtual PageReply setMenuChoices(const std::string& code, const std::vector<std::string>& choices)
    {
        (void)code;
        (void)choices;
        return PageReply::refused("this phone's codes are not edited here");
    }
    virtual PageClock* clock() { return nullptr; }
    virtual PageCarrier* carrier() { return nullptr; }
};

// Runs `work` on the phone's thread and returns once it has run; false when
// it could not (the phone is shutting down), and then it did not run.
using PhoneThread = std::function<bool(const std::function<void()>& work)>;

} // namespace host
