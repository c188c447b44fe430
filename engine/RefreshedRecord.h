// Storing the values of one accepted reply: the refreshed code record, and the
// codes-store write that replaces that one record only.
//
// The Settings bundle may add or delete codes while a reply is awaited, and it
// writes the store whole. Writing back the engine's own copy of the list would
// bring a deleted code back or drop an added one, so the store is read again
// just before the write and only the refreshed record is replaced in it.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::engine {

// The record with each field's "lastValue" set to the entry of `numbers` at the
// field's "index", and "refreshedAt" set to `when`. A field that is not a
// dictionary, or whose index is missing, negative, not a number or outside the
// list, keeps its old value (logged). A record without a "fields" list only
// gets its "refreshedAt" (logged).
platform::Value recordWithRefreshedValues(const platform::Value& record, const std::vector<std::string>& numbers,
                                          platform::Date when);

struct CodesStoreUpdate {
    // The codes list as the store holds it after the update (none when the
    // store holds no list).
    std::optional<platform::Array> storedCodes;
    // The refreshed record as written; none when nothing was written.
    std::optional<platform::Value> storedRecord;
};

// Re-reads the codes store and, if the record at `position` still has the same
// "ussdCode" as `dialled`, replaces that stored record with itself refreshed
// from `numbers` and writes the store whole and atomically. Otherwise, or when the write fails, nothing is written and
// the reason is logged.
CodesStoreUpdate storeRefreshedValues(const platform::Value& dialled, uint32_t position,
                                      const std::vector<std::string>& numbers, platform::Date when);

} // namespace quorvel::engine
