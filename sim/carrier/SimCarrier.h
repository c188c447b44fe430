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
#pragma once

#include "platform/foundation/Date.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimSlots.h"

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
    using UssdPresenter = std::function<void(const std::string& text, bool allowsResponse)>;
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
    void deliverUssd(const std::optional<std::string>& text, bool allowsResponse);

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
};

} // namespace sim
