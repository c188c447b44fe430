#include "platform/telephony/SimCards.h"

#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"

#include <algorithm>

namespace platform {

std::string CTSimIdentity(const CTSimCard& sim)
{
    return sim.iccid.empty() ? sim.homeNetwork : sim.iccid;
}

bool CTSimMatches(const CTSimCard& sim, const std::string& simId)
{
    if (simId.empty())
        return false;
    return simId == sim.iccid || simId == sim.homeNetwork;
}

std::vector<CTSimCard> CTCopyInsertedSims()
{
    Device* device = Device::currentOrNull();
    if (!device || !device->telephony)
        return {};
    return device->telephony->insertedSims();
}

bool CTSimIsInserted(const std::string& simId)
{
    const std::vector<CTSimCard> sims = CTCopyInsertedSims();
    return std::any_of(sims.begin(), sims.end(), [&](const CTSimCard& sim) { return CTSimMatches(sim, simId); });
}

bool CTCallDialOnSim(const std::string& number, const std::string& simId)
{
    Device* device = Device::currentOrNull();
    Process* process = Process::currentOrNull();
    if (!device || !device->telephony || !process)
        return false;
    device->telephony->dialOnSim(*process, number, simId);
    return true;
}

} // namespace platform
