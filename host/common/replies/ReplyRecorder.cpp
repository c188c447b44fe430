#include "host/common/replies/ReplyRecorder.h"

#include "host/common/replies/LastReplies.h"
#include "platform/system/Device.h"

namespace host {

using namespace platform;

ReplyRecorder::ReplyRecorder(Device& device, LastReplies& replies, TelephonyService* network)
    : m_device(device), m_replies(replies), m_network(network)
{
}

void ReplyRecorder::dial(Process& from, const std::string& number)
{
    m_lastDial = number;
    m_dialledAt = m_device.now();
    if (m_network)
        m_network->dial(from, number);
}

void ReplyRecorder::dialOnSim(Process& from, const std::string& number, const std::string& simId)
{
    m_lastDial = number;
    m_dialledAt = m_device.now();
    if (m_network)
        m_network->dialOnSim(from, number, simId);
}

std::vector<CTSimCard> ReplyRecorder::insertedSims() const
{
    return m_network ? m_network->insertedSims() : std::vector<CTSimCard>{};
}

void ReplyRecorder::heard(const std::string& text)
{
    if (m_lastDial.empty())
        return;
    const Date now = m_device.now();
    const double since = static_cast<double>(now.since(m_dialledAt).count()) / 1e6;
    if (since < 0 || since > kAnswerSeconds)
        return;
    DeviceScope on(m_device);
    m_replies.remember(m_lastDial, text, now);
}

} // namespace host
