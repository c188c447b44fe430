// The carrier network behind CTCallDial: it answers each USSD code by a script
// and records every dial.
//
//   SimCarrier carrier(device, log);             // device.telephony = &carrier
//   carrier.answerByUssd("*100#", "Balance 12.50", Micros(2'000'000));
//   carrier.answerBySms("*105#", "900", "Left: 250 min", Micros(5'000'000));
//   carrier.staySilent("*101#");                 // dials of *101# get no reply
//
// A code with no script gets no reply. A reply is handed to the USSD presenter
// (SpringBoard's alert) and delivered as "kCTUSSDSessionStringNotification"
// (text under "kCTUSSDSessionString") to the telephony centre of every
// simulated process, each on its own run loop: the alert first, as on the
// phone, or the notification first (setUssdOrder). A notification without
// text carries no "kCTUSSDSessionString" and brings no alert. An SMS answer is
// handed to the SMS receiver (the phone's messaging service). The network's timed
// work runs on the run loop of its own process, "CommCenter", so replies do not
// depend on the dialling process staying alive. Single-threaded.
//
// Menus (CarrierMenus.cpp): a code may be answered by a menu, a text that
// waits for a choice, and each path of choices by another menu or by the
// final reply:
//
//   carrier.answerByMenu("*100#", "1 Balance\n2 Data", Micros(2'000'000));
//   carrier.answerChoices("*100#", {"1"}, "1 Main\n2 Bonus", true, Micros(1'000'000));
//   carrier.answerChoices("*100#", {"1", "1"}, "Balance 12.50", false, Micros(1'000'000));
//
// One menu session is open at a time: from the delivery of a menu until the
// phone answers it (respond), ends it (release), a new dial replaces it, or
// the network releases it kMenuReleaseAfter after the menu came. A choice
// with no script ends the session with kInvalidChoiceText, as carriers do.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimSlots.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class Device;
class Process;
}

namespace sim {

class LogCapture;

struct Dial {
    std::string process;   // name of the dialling process
    std::string number;    // exactly as dialled
    platform::Date time;
    // The SIM the dial named (dialOnSim); empty for a plain dial.
    std::string sim;
    // A SIM was in to carry it (the one named, or any for a plain dial);
    // a dial without one goes nowhere and gets no answer.
    bool simIn = true;
};

struct UssdAnswer {
    std::string text;
    platform::Micros delay{0};
    // False: the notification carries no text at all (and no alert is shown).
    bool hasText = true;
    // True: a menu, which keeps the session open for the phone's choice.
    bool waitsForChoice = false;
};

// What the network answers a choice no menu offers; the session ends with it.
inline constexpr const char* kInvalidChoiceText = "Invalid choice";
// How long the network waits for a choice before it releases a menu's session.
inline constexpr platform::Micros kMenuReleaseAfter(60'000'000);
// The network's usual pause before it answers a choice.
inline constexpr platform::Micros kDefaultChoiceDelay(1'000'000);

// A choice the network received, with the code whose menu it answered and
// every choice of that session so far (the choice itself last).
struct MenuChoice {
    std::string code;
    std::vector<std::string> path;
    platform::Date time;
};

// What SpringBoard hears first of a USSD text: its alert or the telephony
// notification. The phone builds the alert first.
enum class UssdOrder { alertFirst, replyFirst };

// A text the network sends of its own accord: a request lets the user answer
// in the alert (as the replies to dials do); a notification is for display only.
enum class NetworkUssdKind { request, notification };

struct SmsAnswer {
    std::string sender;    // as the network writes it ("900", "+79001234567")
    std::string text;
    platform::Micros delay{0};
};

// How the network answers one code. Each kind of answer is optional and set
// on its own, so a code may be answered by USSD, by SMS, or by both.
struct CarrierScript {
    std::optional<UssdAnswer> ussd;
    std::optional<SmsAnswer> sms;
    // What each path of choices after the code's menu leads to.
    std::map<std::vector<std::string>, UssdAnswer> choices;
};

class SimCarrier final : public platform::TelephonyService {
public:
    SimCarrier(platform::Device& device, LogCapture& log);
    ~SimCarrier() override;
    SimCarrier(const SimCarrier&) = delete;
    SimCarrier& operator=(const SimCarrier&) = delete;

    // From now on every dial of `code` is answered by `text`, `delay` after the dial.
    void answerByUssd(const std::string& code, const std::string& text, platform::Micros delay);
    // From now on every dial of `code` also brings an SMS of `text` from
    // `sender`, `delay` after the dial. A USSD answer of the code is kept.
    void answerBySms(const std::string& code, const std::string& sender, const std::string& text, platform::Micros delay);
    // From now on every dial of `code` is answered, `delay` after the dial, by
    // a USSD notification that carries no text.
    void answerByUssdWithoutText(const std::string& code, platform::Micros delay);
    // From now on dials of `code` get no answer at all.
    void staySilent(const std::string& code);
    // From now on every dial of `code` is answered by the menu `text`, `delay`
    // after the dial; the choices it leads to are kept.
    void answerByMenu(const std::string& code, const std::string& text, platform::Micros delay);
    // From now on the choices `path` (the first answering the code's menu) are
    // answered by `text`, `delay` after the last of them: another menu when
    // `waitsForChoice`, else the final reply. An empty path is refused (false).
    bool answerChoices(const std::string& code, const std::vector<std::string>& path, const std::string& text,
                       bool waitsForChoice, platform::Micros delay);

    // The phone answers the open menu with `choice` (the alert's OK with its
    // reply field); logged and dropped when no menu is open.
    void respond(const std::string& choice);
    // The phone ends the open menu's session (its alert closed unanswered).
    void release();
    // The code whose menu waits for a choice now, if any.
    std::optional<std::string> openMenu() const;
    // Every choice the network received, in order.
    const std::vector<MenuChoice>& menuChoices() const { return m_menuChoices; }
    // The script of a code; nullptr when it has none.
    const CarrierScript* script(const std::string& code) const;
    // Every code the network has been told how to answer, by code.
    const std::map<std::string, CarrierScript>& scripts() const { return m_scripts; }

    // The network sends a USSD text of its own accord (no dial), delivered now:
    // a request, whose alert takes a reply.
    void pushUssd(const std::string& text);
    // The same, of either kind; no `text` is a notification without text.
    void pushUssd(const std::optional<std::string>& text, NetworkUssdKind kind);

    // Which comes first of each USSD text from now on (alertFirst at the start).
    void setUssdOrder(UssdOrder order) { m_order = order; }
    UssdOrder ussdOrder() const { return m_order; }

    // TelephonyService: records the dial and schedules the scripted answers.
    void dial(platform::Process& from, const std::string& number) override;

    // A dial on the SIM `simId` names: recorded with it, answered like any
    // dial while that SIM is in, and by nothing when it is not.
    void dialOnSim(platform::Process& from, const std::string& number, const std::string& simId) override;
    std::vector<platform::CTSimCard> insertedSims() const override { return m_slots.inserted(); }
    // The phone's SIM slots (slot 1 holds SimSlots::defaultSim() at the start).
    SimSlots& simSlots() { return m_slots; }

    const std::vector<Dial>& dials() const { return m_dials; }

    // Called for every dial once it is recorded and before the code's script
    // is read, so that the listener may script the answer of this very dial
    // (nullptr stops it).
    using DialListener = std::function<void(const Dial&)>;
    void setDialListener(DialListener listener) { m_dialListener = std::move(listener); }

    // Called on the network's run loop for each USSD text, before its
    // deliveries are queued to the processes (after them with
    // UssdOrder::replyFirst), so that work it queues on a process's run loop
    // runs before (after) that process's telephony delivery. `allowsResponse`
    // tells whether the alert may take a reply.
    // `waitsForChoice` marks a menu of a dialled code, whose session stays
    // open for the phone's answer.
    using UssdPresenter = std::function<void(const std::string& text, bool allowsResponse, bool waitsForChoice)>;
    void setUssdPresenter(UssdPresenter presenter) { m_presenter = std::move(presenter); }

    // Called on the network's run loop with each USSD text, before anything
    // of it is presented or posted (the home screen keeping last replies).
    using UssdListener = std::function<void(const std::string& text)>;
    void setUssdListener(UssdListener listener) { m_ussdListener = std::move(listener); }

    // Where the network's SMS go (called on the network's run loop). Without
    // one an SMS answer is logged as lost.
    using SmsReceiver = std::function<void(const std::string& sender, const std::string& text)>;
    void setSmsReceiver(SmsReceiver receiver) { m_smsReceiver = std::move(receiver); }

    // The network's own process (its run loop carries the pending answers).
    platform::Process& process() { return *m_process; }

private:
    struct MenuSession {
        std::string code;
        std::vector<std::string> path;
        uint64_t serial = 0;
    };

    void deliverUssd(const std::optional<std::string>& text, bool allowsResponse, bool waitsForChoice = false);
    // CarrierMenus.cpp: delivers a dial's or a choice's USSD answer, opening
    // or closing the menu session as the answer says.
    void deliverSessionAnswer(const std::string& code, const std::vector<std::string>& path, const UssdAnswer& answer);
    void endMenuSession(const std::string& why);

    platform::Device& m_device;
    LogCapture& m_log;
    std::unique_ptr<platform::Process> m_process;
    std::map<std::string, CarrierScript> m_scripts;
    std::vector<Dial> m_dials;
    UssdPresenter m_presenter;
    SmsReceiver m_smsReceiver;
    DialListener m_dialListener;
    UssdListener m_ussdListener;
    UssdOrder m_order = UssdOrder::alertFirst;
    SimSlots m_slots;
    // The SIM named by the dialOnSim under way.
    std::string m_dialSim;
    std::optional<MenuSession> m_menu;
    uint64_t m_menuSerial = 0;
    std::vector<MenuChoice> m_menuChoices;
};

} // namespace sim
