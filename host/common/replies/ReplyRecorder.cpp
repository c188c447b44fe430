#include "host/common/replies/ReplyRecorder.h"

#include "host/common/replies/LastReplies.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

namespace host {

using namespace platform;

ReplyRecorder::ReplyRecorder(Device& device, Process& home, LastReplies& replies, TelephonyService* modem)
    : m_device(device), m_home(home), m_replies(replies), m_modem(modem)
{
    DeviceScope on(m_device);
    ProcessScope in(m_home);
    CTTelephonyCenterAddObserver(CTTelephonyCenterGetDefault(), this, ussdText, kCTUSSDSessionStringNotification, nullptr,
                                 CFNotificationSuspensionBehaviorDeliverImmediately);
}

ReplyRecorder::~ReplyRecorder()
{
    DeviceScope on(m_device);
    ProcessScope in(m_home);
    CTTelephonyCenterRemoveObserver(CTTelephonyCenterGetDefault(), this, kCTUSSDSessionStringNotification, nullptr);
}

void ReplyRecorder::dial(Process& from, const std::string& number)
{
    m_lastDial = number;
    m_dialledAt = m_device.now();
    if (m_modem)
        m_modem->dial(from, number);
}

void ReplyRecorder::ussdText(CFNotificationCenterRef, void* observer, const std::string&, const void*, const Dict* userInfo)
{
    auto* self = static_cast<ReplyRecorder*>(observer);
    if (self->m_lastDial.empty() || !userInfo)
        return;
    auto text = userInfo->find(kCTUSSDSessionString);
    if (text == userInfo->end() || !text->second.string())
        return;
    const Date now = self->m_device.now();
    const double since = static_cast<double>(now.since(self->m_dialledAt).count()) / 1e6;
    if (since < 0 || since > kAnswerSeconds)
        return;
    self->m_replies.remember(self->m_lastDial, *text->second.string(), now);
}

} // namespace host
