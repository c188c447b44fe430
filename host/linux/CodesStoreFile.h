// The codes store's file as the daemon's services read and write it: the
// list of code records, and a record as GetCodes gives it.
#pragma once

#include "platform/foundation/Value.h"

#include <glib.h>

#include <cstdint>
#include <optional>
#include <string>

namespace host { class LastReplies; }

namespace linuxhost {

// The stored codes list; nullopt when the store exists but cannot be read
// (an absent store, or one without a list, is an empty list, as the Settings
// bundle takes it). Inside a DeviceScope.
std::optional<platform::Array> storedCodes();
bool writeCodes(const platform::Array& codes);

// A scalar value as text; empty for none, a list or a dictionary.
std::string recordText(const platform::Value& value);
int32_t smallInteger(const platform::Value& value);

// The record at `index` when it is still `code`; nullptr otherwise. Index and
// code together: a client whose list is stale changes nothing.
platform::Value* recordAt(platform::Array& codes, int index, const std::string& code);

// A record as one entry of GetCodes, (ssixsa(iss)) (floating).
GVariant* codeTuple(const platform::Value& record, const host::LastReplies& replies);

} // namespace linuxhost
