#include "host/linux/DialService.h"

#include "common/NumberExtraction.h"
#include "common/QuorvelNames.h"
#include "host/linux/BusArguments.h"
#include "host/linux/DaemonLog.h"
#include "host/common/replies/LastReplies.h"
#include "host/linux/ModemStatus.h"
#include "host/linux/ModemPool.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace linuxhost {

using namespace platform;

namespace {

constexpr const char* kDialProcessName = "QuorvelApp";
constexpr const char* kDialBundleId = "org.quillmoor.Quorvel";
constexpr double kDefaultSmsWait = 60;

const char* const kSmsErrors[] = {quorvel::kSmsReplyError1Notification, quorvel::kSmsReplyError2Notification,
                                  quorvel::kSmsReplyError3Notification};

// The words for a StateDetail of "modem-unavailable", for the client's error.
std::string unavailableReason(const std::string& detail)
{
    if (detail == kModemSimLocked)
        return "its SIM is locked (unlock it with its PIN)";
    if (detail == kModemDisabled)
        return "it is disabled (enable it in the phone's mobile network settings)";
    if (detail == kModemFailed)
        return "it failed (a missing or broken SIM, say)";
    return "it has no USSD yet";
}

} // namespace

DialService::DialService(Device& device, QuorvelBusQuorvel1* skeleton, LastReplies& replies, ModemPool* modem)
    : m_device(device)
    , m_skeleton(skeleton)
    , m_replies(replies)
    , m_modem(modem)
    , m_process(std::make_unique<Process>(device, kDialProcessName, kDialBundleId))
{
    g_signal_connect(m_skeleton, "handle-dial-code", G_CALLBACK(handleDialCode), this);
    connectMenuMethods();
    if (m_modem)
        m_modem->onStatusChanged([this] { updateState(); });
    updateState();
}

DialService::~DialService()
{
    if (m_modem)
        m_modem->onStatusChanged(nullptr);
    if (m_pending)
        fail(kFailed, "quorveld is stopping");
    releaseMenu("quorveld is stopping");
    g_signal_handlers_disconnect_by_data(m_skeleton, this);
    DeviceScope on(m_device);
    m_process.reset();
}

gboolean DialService::handleDialCode(QuorvelBusQuorvel1*, GDBusMethodInvocation* invocation, const gchar* code,
                                     gboolean bySms, gpointer data)
{
    auto* self = static_cast<DialService*>(data);
    if (auto problem = codeProblem(code))
        return refuse(invocation, kInvalidArgument, *problem);
    if (self->refusedToStart(invocation))
        return TRUE;
    self->startDial(invocation, code, bySms, false);
    return TRUE;
}

bool DialService::refusedToStart(GDBusMethodInvocation* invocation)
{
    if (m_pending || m_menuHeld) {
        refuse(invocation, kBusy,
               "the dial of " + m_code + (m_menuHeld ? " holds a menu open for its client" : " is still waiting for its reply"));
        return true;
    }
    const ModemStatus modem = m_modem ? m_modem->status() : ModemStatus{};
    if (modem.state == kStateNoModem) {
        refuse(invocation, kNoModem, "ModemManager shows no modem to dial through");
        return true;
    }
    if (modem.state == kStateModemUnavailable) {
        refuse(invocation, kModemUnavailable, "the modem cannot dial now: " + unavailableReason(modem.detail));
        return true;
    }
    // Not authorised before: dialled all the same, polkit's answer may have changed.
    return false;
}

void DialService::startDial(GDBusMethodInvocation* invocation, const std::string& code, bool bySms, bool menus)
{
    m_pending = invocation;
    m_code = code;
    m_bySms = bySms;
    m_menus = menus;
    const double wait = bySms ? smsWaitSeconds() + kSmsMarginSeconds : kUssdWaitSeconds;
    m_timer = g_timeout_add_seconds(static_cast<guint>(wait), timedOut, this);
    note("dialling " + m_code + " for a client over the session bus (reply by " + (bySms ? "SMS" : "USSD") +
         (menus ? ", its menus answered by the client" : "") + ")");
    updateState();

    // What the wizard's "Next" does, from the dial's own process.
    DeviceScope on(m_device);
    ProcessScope in(*m_process);
    CFNotificationCenterRef darwin = CFNotificationCenterGetDarwinNotifyCenter();
    if (bySms) {
        CFNotificationCenterAddObserver(darwin, this, smsReply, quorvel::kSmsReplyStoredNotification, nullptr,
                                        CFNotificationSuspensionBehaviorDeliverImmediately);
        for (const char* error : kSmsErrors)
            CFNotificationCenterAddObserver(darwin, this, smsReply, error, nullptr,
                                            CFNotificationSuspensionBehaviorDeliverImmediately);
        CFNotificationCenterPostNotification(darwin, quorvel::kExpectSmsReplyNotification, nullptr, nullptr, true);
    } else if (!menus) {
        CTTelephonyCenterAddObserver(CTTelephonyCenterGetDefault(), this, ussdReply, kCTUSSDSessionStringNotification,
                                     nullptr, CFNotificationSuspensionBehaviorHold);
    }
    CFNotificationCenterPostNotification(darwin, quorvel::kUssdSentNotification, nullptr, nullptr, true);
    CTCallDial(m_code);
}

void DialService::ussdReply(CFNotificationCenterRef, void* observer, const std::string&, const void*, const Dict* userInfo)
{
    auto* self = static_cast<DialService*>(observer);
    if (!self->m_pending || self->m_bySms || self->m_menus)
        return;
    auto reply = userInfo ? userInfo->find(kCTUSSDSessionString) : Dict::const_iterator();
    if (!userInfo || reply == userInfo->end() || reply->second.isNone())
        return; // as the wizard: an empty notification is not the reply
    self->finish(reply->second.description(), "");
}

void DialService::smsReply(CFNotificationCenterRef, void* observer, const std::string& name, const void*, const Dict*)
{
    auto* self = static_cast<DialService*>(observer);
    if (!self->m_pending || !self->m_bySms)
        return;
    if (name != quorvel::kSmsReplyStoredNotification) {
        self->fail(kFailed, "the engine could not read the SMS reply (" + name + ")");
        return;
    }
    const Dict handoff = readDictionary(quorvel::kSmsHandoffPath);
    auto text = handoff.find(quorvel::kHandoffTextKey);
    auto sender = handoff.find(quorvel::kHandoffIdKey);
    if (text == handoff.end() || sender == handoff.end()) {
        self->fail(kFailed, "the SMS reply handed over by the engine cannot be read");
        return;
    }
    self->finish(text->second.description(), sender->second.description());
}

gboolean DialService::timedOut(gpointer data)
{
    auto* self = static_cast<DialService*>(data);
    self->m_timer = 0;
    self->fail(kTimeout, std::string("no ") + (self->m_bySms ? "SMS" : "USSD") + " reply to " + self->m_code + " came in time");
    return G_SOURCE_REMOVE;
}

void DialService::modemFailed(const DialFailure& failure)
{
    if (!m_pending || failure.code != m_code)
        return; // the engine's own dial
    switch (failure.why) {
    case DialFailure::Why::noModem:
        return fail(kNoModem, failure.message);
    case DialFailure::Why::modemUnavailable:
        return fail(kModemUnavailable, failure.message);
    case DialFailure::Why::notAuthorised:
        return fail(kNotAuthorised, "ModemManager refused the dial: polkit does not authorise quorveld's user here (" +
                                        failure.message + ")");
    case DialFailure::Why::sessionBusy:
        return fail(kTimeout, "the modem's USSD session stayed busy: " + failure.message);
    case DialFailure::Why::failed:
        return fail(kFailed, failure.message);
    }
}

void DialService::finish(const std::string& reply, const std::string& sender)
{
    // Texts from the network reach clients as valid UTF-8 (GVariant insists).
    gchar* valid = g_utf8_make_valid(reply.c_str(), static_cast<gssize>(reply.size()));
    gchar* validSender = g_utf8_make_valid(sender.c_str(), static_cast<gssize>(sender.size()));
    const std::vector<std::string> numbers = quorvel::extractNumbers(valid);
    std::vector<const gchar*> list;
    for (const std::string& n : numbers)
        list.push_back(n.c_str());
    list.push_back(nullptr);
    {
        DeviceScope on(m_device);
        m_replies.remember(m_code, valid, m_device.now());
    }
    note("the reply to " + m_code + " went to the client: " + std::to_string(numbers.size()) + " number" +
         (numbers.size() == 1 ? "" : "s"));
    GDBusMethodInvocation* invocation = std::exchange(m_pending, nullptr);
    stopListening();
    quorvel_bus_quorvel1_complete_dial_code(m_skeleton, invocation, valid, validSender, list.data());
    g_free(valid);
    g_free(validSender);
    updateState();
}

void DialService::fail(const char* error, const std::string& message)
{
    GDBusMethodInvocation* invocation = std::exchange(m_pending, nullptr);
    stopListening();
    refuse(invocation, error, message);
    releaseMenu(message);
    updateState();
}

void DialService::stopListening()
{
    if (m_timer)
        g_source_remove(m_timer);
    m_timer = 0;
    DeviceScope on(m_device);
    ProcessScope in(*m_process);
    CTTelephonyCenterRemoveObserver(CTTelephonyCenterGetDefault(), this, kCTUSSDSessionStringNotification, nullptr);
    CFNotificationCenterRemoveObserver(CFNotificationCenterGetDarwinNotifyCenter(), this, "", nullptr);
}

void DialService::updateState()
{
    std::string state;
    std::string detail;
    if (m_pending || m_menuHeld) {
        state = m_bySms ? "waiting-for-sms" : "dialling";
        detail = m_code;
    } else {
        const ModemStatus modem = m_modem ? m_modem->status() : ModemStatus{};
        state = modem.state;
        detail = modem.detail;
    }
    // Set only on a change: each set sends PropertiesChanged.
    if (state != quorvel_bus_quorvel1_get_state(m_skeleton))
        quorvel_bus_quorvel1_set_state(m_skeleton, state.c_str());
    if (detail != quorvel_bus_quorvel1_get_state_detail(m_skeleton))
        quorvel_bus_quorvel1_set_state_detail(m_skeleton, detail.c_str());
}

double DialService::smsWaitSeconds() const
{
    DeviceScope on(m_device);
    const Dict settings = readDictionary(preferencesPathForDomain(quorvel::kSettingsDomain));
    auto stored = settings.find(quorvel::kMaxSMSResponseTimeKey);
    const double wait = stored != settings.end() && stored->second.isNumber() ? stored->second.doubleValue() : kDefaultSmsWait;
    return std::isfinite(wait) ? std::clamp(wait, 1.0, kLongestSmsWait) : kDefaultSmsWait;
}

} // namespace linuxhost
