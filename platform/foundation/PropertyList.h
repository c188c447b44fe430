// Reading and writing property-list files (XML or binary) on device paths.
//
//   Dict d = readDictionary("/var/mobile/Library/Preferences/x.plist");  // {} when bad
//   writeDictionaryAtomically(path, d);                                  // XML, atomic
//
// Reading never fails loudly: a missing file reads as an empty dictionary
// silently; a file that is present but empty, truncated, not a property list,
// nested too deep, or whose root is not a dictionary reads as an empty
// dictionary with one log line naming the file.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace platform {

// Deeper documents than this are refused before the parser sees them (the
// parser recurses without a bound).
inline constexpr int kMaxPlistDepth = 512;

// Parses XML or binary bytes. nullopt on any error. Object references cannot
// occur in parsed data.
std::optional<Value> parsePropertyList(const std::string& bytes, std::string* error = nullptr);
// Serialises to XML (binary when `binary`). Object references and None are
// skipped (a dictionary entry holding one is left out).
std::string serializePropertyList(const Value& root, bool binary = false);

// The root dictionary of the file, or nullopt when the file is missing,
// unreadable or not a dictionary (logged unless it is simply missing).
std::optional<Dict> readDictionaryIfPresent(const std::string& devicePath);
// As above, with an empty dictionary in place of nullopt.
Dict readDictionary(const std::string& devicePath);

// Writes the dictionary as an XML (or binary) property list with an atomic write.
bool writeDictionaryAtomically(const std::string& devicePath, const Dict& root, bool binary = false);

} // namespace platform
