#include "sim/springboard/ReplyKeeper.h"

#include "host/common/replies/ReplyRecorder.h"
#include "platform/system/Device.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

namespace sim {

ReplyKeeper::ReplyKeeper() = default;

ReplyKeeper::~ReplyKeeper() = default;

void ReplyKeeper::springBoardStarted(World& world)
{
    if (m_recorder)
        return;
    platform::Device& device = world.device();
    m_carrier = device.telephony;
    m_recorder = std::make_unique<host::ReplyRecorder>(device, m_replies, m_carrier);
    device.telephony = m_recorder.get();
    world.carrier().setUssdListener([this](const std::string& text) { m_recorder->heard(text); });
    world.log().note(std::string("the home screen keeps each code's last reply in ") + host::kLastRepliesPath);
}

void ReplyKeeper::shutDown(World& world)
{
    platform::Device& device = world.device();
    if (m_recorder && device.telephony == m_recorder.get())
        device.telephony = m_carrier;
    world.carrier().setUssdListener(nullptr);
    m_recorder.reset();
}

} // namespace sim
