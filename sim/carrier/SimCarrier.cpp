#include "sim/carrier/SimCarrier.h"

#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "sim/world/LogCapture.h"

namespace sim {

SimCarrier::SimCarrier(platform::Device& device, LogCapture& log)
    : m_device(device)
    , m_log(log)
    , m_process(std::make_unique<platform::Process>(device, "CommCenter", "com.apple.CommCenter"))
{
    m_device.telephony = this;
}

SimCarrier::~SimCarrier()
{
    if (m_device.telephony == this)
        m_device.telephony = nullptr;
}

void SimCarrier::answerByUssd(const std::string& code, const std::string& text, platform::Micros delay)
{
    m_scripts[code].ussd = UssdAnswer{text, delay};
}

void SimCarrier::answerByUssdWithoutText(const std::string& code, platform::Micros delay)
{
    m_scripts[code].ussd = UssdAnswer{std::string(), delay, false};
}

void SimCarrier::answerBySms(const std::string& code, const std::string& sender, const std::string& text,
                             platform::Micros delay)
{
    m_scripts[code].sms = SmsAnswer{sender, text, delay};
}

void SimCarrier::staySilent(const std::string& code)
{
    m_scripts[code] = CarrierScript{};
}

const CarrierScript* SimCarrier::script(const std::string& code) const
{
    auto found = m_scripts.find(code);
    return found == m_scripts.end() ? nullptr : &found->second;
}

void SimCarrier::pushUssd(const std::string& text)
{
    pushUssd(std::optional<std::string>(text), NetworkUssdKind::request);
}

void SimCarrier::pushUssd(const std::optional<std::string>& text, NetworkUssdKind kind)
{
    const bool request = kind == NetworkUssdKind::request;
    m_log.note(std::string("network sends a USSD ") + (request ? "message" : "notification") + " of its own" +
               (text ? ": \"" + *text + "\"" : " without text"));
    deliverUssd(text, request);
}

void SimCarrier::dialOnSim(platform::Process& from, const std::string& number, const std::string& simId)
{
    m_dialSim = simId;
    dial(from, number);
    m_dialSim.clear();
}

void SimCarrier::dial(platform::Process& from, const std::string& number)
{
    const bool simIn = m_dialSim.empty() ? !m_slots.inserted().empty() : m_slots.slotOf(m_dialSim).has_value();
    m_dials.push_back(Dial{from.name(), number, m_device.now(), m_dialSim, simIn});
    m_log.note(from.name() + " dials " + number + (m_dialSim.empty() ? "" : " on SIM " + m_dialSim));
    if (m_menu)
        endMenuSession("a new dial ends the menu session of " + m_menu->code);
    if (m_dialListener)
        m_dialListener(m_dials.back());
    if (!simIn) {
        m_log.note("no SIM " + (m_dialSim.empty() ? std::string("is in") : m_dialSim + " is not in") + ": the dial of " +
                   number + " goes nowhere");
        return;
    }

    const CarrierScript* found = script(number);
    if (!found || (!found->ussd && !found->sms)) {
        m_log.note("carrier leaves " + number + " unanswered");
        return;
    }
    // The answers are fixed at dial time: a later script change affects later dials.
    if (found->ussd) {
        UssdAnswer answer = *found->ussd;
        m_device.schedule(m_process->mainRunLoop(), m_device.now().adding(answer.delay), [this, number, answer] {
            if (!answer.hasText) {
                m_log.note("carrier answers " + number + " by a USSD notification without text");
                deliverUssd(std::nullopt, true);
                return;
            }
            deliverSessionAnswer(number, {}, answer);
        });
    }
    if (found->sms) {
        SmsAnswer answer = *found->sms;
        m_device.schedule(m_process->mainRunLoop(), m_device.now().adding(answer.delay), [this, number, answer] {
            m_log.note("carrier answers " + number + " by SMS from " + answer.sender + ": \"" + answer.text + "\"");
            if (m_smsReceiver)
                m_smsReceiver(answer.sender, answer.text);
            else
                m_log.note("nobody receives SMS on this device: the SMS from " + answer.sender + " is lost");
        });
    }
}

void SimCarrier::deliverUssd(const std::optional<std::string>& text, bool allowsResponse, bool waitsForChoice)
{
    if (text && m_ussdListener)
        m_ussdListener(*text);
    // A notification without text has nothing to show.
    auto present = [&] {
        if (m_presenter && text)
            m_presenter(*text, allowsResponse, waitsForChoice);
    };
    // On the phone SpringBoard puts the alert up before the reply's
    // notification is handled: the engine's own alert is then already open
    // (and off screen) when the reply moves the cycle on, so moving on closes it.
    if (m_order == UssdOrder::alertFirst)
        present();
    platform::Dict info;
    if (text)
        info[platform::kCTUSSDSessionString] = *text;
    // Each centre only queues its deliveries, so the list cannot change under us.
    for (platform::Process* process : m_device.processes()) {
        if (process != m_process.get())
            process->telephonyCenter().post(platform::kCTUSSDSessionStringNotification, nullptr, &info, true);
    }
    if (m_order == UssdOrder::replyFirst)
        present();
}

} // namespace sim
