#include "engine/CodesStore.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"

#include <optional>
#include <string>

namespace quorvel::engine {

namespace {

struct LastSeenStore {
    // The file's bytes when `codesEntry` was taken from it; none when unknown.
    std::optional<std::string> bytes;
    platform::Value codesEntry;
};

// Created on first use, so it is valid whatever order load-time code runs in.
LastSeenStore& lastSeen()
{
    static LastSeenStore store;
    return store;
}

} // namespace

const platform::Value& readStoredCodesEntry()
{
    LastSeenStore& last = lastSeen();
    std::optional<std::string> bytes = platform::readFile(kCodesStorePath);
    if (bytes && last.bytes && *bytes == *last.bytes)
        return last.codesEntry;

    platform::UserDefaults defaults;
    defaults.addSuiteNamed(kCodesDomain);
    defaults.synchronize();
    last.codesEntry = defaults.objectForKey(kCodesKey);
    last.bytes = std::move(bytes);
    return last.codesEntry;
}

bool writeStoredCodes(const platform::Array& codes)
{
    platform::Dict entries;
    entries.emplace(kCodesKey, codes);
    platform::Value root(std::move(entries));
    std::string bytes = platform::serializePropertyList(root);
    if (bytes.empty() || !platform::writeFileAtomically(kCodesStorePath, bytes))
        return false;
    LastSeenStore& last = lastSeen();
    last.codesEntry = std::move(root.dict()->at(kCodesKey));
    last.bytes = std::move(bytes);
    return true;
}

void forgetStoredCodes()
{
    lastSeen() = LastSeenStore{};
}

} // namespace quorvel::engine
