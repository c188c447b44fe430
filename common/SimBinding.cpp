#include "common/SimBinding.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/PropertyList.h"
#include "platform/telephony/SimCards.h"

namespace quorvel {

bool codesFollowSimSetting()
{
    const platform::Dict settings = platform::readDictionary(kSettingsStorePath);
    const auto found = settings.find(kCodesFollowSimKey);
    if (found == settings.end())
        return false;
    const platform::Value& stored = found->second;
    if (!stored.isNumber() && !stored.isString())
        return false;
    return stored.boolValue();
}

std::optional<std::string> boundSim(const platform::Value& record, bool codesFollowSim)
{
    if (!codesFollowSim || !record.isDict())
        return std::nullopt;
    const std::string* simId = record[kSimIdKey].string();
    if (!simId || simId->empty())
        return std::nullopt;
    return *simId;
}

std::optional<std::string> simToRecord()
{
    for (const platform::CTSimCard& sim : platform::CTCopyInsertedSims()) {
        std::string identity = platform::CTSimIdentity(sim);
        if (!identity.empty())
            return identity;
    }
    return std::nullopt;
}

bool simIsMissing(const platform::Value& record, bool codesFollowSim)
{
    const std::optional<std::string> sim = boundSim(record, codesFollowSim);
    return sim && !platform::CTSimIsInserted(*sim);
}

} // namespace quorvel
