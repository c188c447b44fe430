// The page's menu path of a stored code: written into the codes store as the
// Settings application writes it (the file read afresh, one record changed,
// the root written whole and atomically).
#include "sim/web/SimPhone.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

namespace sim {

namespace {

std::string described(const std::vector<std::string>& choices)
{
    std::string text;
    for (const std::string& choice : choices)
        text += (text.empty() ? "\"" : ", \"") + choice + "\"";
    return text;
}

} // namespace

host::PageReply SimPhone::setMenuChoices(const std::string& code, const std::vector<std::string>& choices)
{
    if (!platform::fileExists(quorvel::kCodesStorePath))
        return host::PageReply::refused("no codes are stored");
    std::optional<platform::Dict> store = platform::readDictionaryIfPresent(quorvel::kCodesStorePath);
    platform::Array* codes = store ? (*store)[quorvel::kCodesKey].array() : nullptr;
    // A store that does not read is left as it is, never replaced.
    if (!codes)
        return host::PageReply::refused("the codes store cannot be read; it is left as it is");
    for (platform::Value& record : *codes) {
        platform::Dict* entries = record.dict();
        const std::string* dialled = entries ? record[quorvel::kUssdCodeKey].string() : nullptr;
        if (!dialled || *dialled != code)
            continue;
        if (choices.empty())
            entries->erase(quorvel::kMenuChoicesKey);
        else
            (*entries)[quorvel::kMenuChoicesKey] = platform::Array(choices.begin(), choices.end());
        if (!platform::writeDictionaryAtomically(quorvel::kCodesStorePath, *store))
            return host::PageReply::refused("the codes store could not be written");
        m_world.log().note(choices.empty() ? "codes store: " + code + " has no menu path now"
                                           : "codes store: the menu path of " + code + " is " + described(choices));
        return host::PageReply::done();
    }
    return host::PageReply::refused("no stored code dials " + code);
}

} // namespace sim
