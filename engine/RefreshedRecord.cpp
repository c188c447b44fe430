#include "engine/RefreshedRecord.h"

#include "common/QuorvelNames.h"
#include "engine/CodesStore.h"
#include "engine/StoredValues.h"
#include "platform/foundation/Log.h"

#include <utility>

namespace quorvel::engine {

namespace {

// Fills one field record in place; false (after logging) when it keeps its old value.
bool refreshField(platform::Value& field, unsigned fieldNumber, const std::string& ussdCode,
                  const std::vector<std::string>& numbers)
{
    platform::Dict* entries = field.dict();
    if (!entries) {
        QLog("Qvl: field %u of code %@ is not a field record, leaving it as it is", fieldNumber, ussdCode);
        return false;
    }
    const platform::Value& storedIndex = field[kIndexKey];
    std::optional<int64_t> index = storedInteger(storedIndex);
    if (!index || *index < 0) {
        QLog("Qvl: field %u of code %@ has an unusable index %@, keeping its old value", fieldNumber, ussdCode, storedIndex);
        return false;
    }
    if (static_cast<uint64_t>(*index) >= numbers.size()) {
        QLog("Qvl: field %u of code %@ has index %lld outside the %u parsed numbers, keeping its old value", fieldNumber,
             ussdCode, static_cast<long long>(*index), static_cast<unsigned>(numbers.size()));
        return false;
    }
    (*entries)[kLastValueKey] = platform::Value(numbers[static_cast<size_t>(*index)]);
    return true;
}

} // namespace

platform::Value recordWithRefreshedValues(const platform::Value& record, const std::vector<std::string>& numbers,
                                          platform::Date when)
{
    platform::Value refreshed = record;
    platform::Dict* entries = refreshed.dict();
    if (!entries)
        return refreshed;
    const std::string ussdCode = record[kUssdCodeKey].description();

    auto fields = entries->find(kFieldsKey);
    if (fields == entries->end() || !fields->second.isArray()) {
        QLog("Qvl: code %@ has no list of fields, storing its refresh time only", ussdCode);
    } else {
        platform::Array& list = *fields->second.array();
        for (size_t i = 0; i < list.size(); ++i)
            refreshField(list[i], static_cast<unsigned>(i + 1), ussdCode, numbers);
    }
    (*entries)[kRefreshedAtKey] = platform::Value(when);
    return refreshed;
}

CodesStoreUpdate storeRefreshedValues(const platform::Value& dialled, uint32_t position,
                                      const std::vector<std::string>& numbers, platform::Date when)
{
    CodesStoreUpdate update;
    const std::string ussdCode = dialled[kUssdCodeKey].description();
    if (const platform::Array* storedList = readStoredCodesEntry().array())
        update.storedCodes = *storedList;

    const platform::Value* stored = nullptr;
    if (update.storedCodes && position < update.storedCodes->size())
        stored = &(*update.storedCodes)[position];
    const std::string* storedCode = stored ? (*stored)[kUssdCodeKey].string() : nullptr;
    if (!storedCode || *storedCode != ussdCode) {
        QLog("Qvl: code %@ is no longer stored at position %u, not writing its values", ussdCode, position + 1);
        return update;
    }

    platform::Value refreshed = recordWithRefreshedValues(*stored, numbers, when);
    const platform::Value stale = std::exchange((*update.storedCodes)[position], refreshed);
    if (!writeStoredCodes(*update.storedCodes)) {
        QLog("Qvl: could not write the codes store, the values of code %@ are not stored", ussdCode);
        (*update.storedCodes)[position] = stale;
        return update;
    }
    update.storedRecord = std::move(refreshed);
    return update;
}

} // namespace quorvel::engine
