// Reading and writing property-list files (XML or binary) on device paths.
//
//   Dict d = readDictionary("/var/mobile/Library/Preferences/x.plist");  // {} when bad
//   writeDictionaryAtomically(path, d);                                  // XML, atomic
//
// Reading never fails loudly: a missing file reads as an empty dictionary
// silently; a file that is present but empty, truncated, not a property list,
// nested too deep, too large once its shared references are expanded (see
// PlistShapeCheck.h), or whose root is not a dictionary reads as an empty
// dictionary with one log line naming the file.
//
// Text is UTF-8 without NUL both ways. A NUL character, and each run of bytes
// that is not UTF-8, becomes U+FFFD, in keys and strings alike, whether it
// comes from a file or is about to be written; the text around it is kept.
// That costs the NUL itself but nothing after it (the parser would cut the
// text there), and it is why a read or write that mends texts says so in one
// log line. A UTF-16 text with an unpaired surrogate, and an empty UTF-16 text
// (which older writes made of text that was not UTF-8), read the same way
// instead of losing the text or the whole file. Two keys that become the same
// once mended keep the later entry.
//
// Writing never produces a file that does not read back: the serialised bytes
// are parsed before they are handed out, and bytes that fail are logged and
// not written, so the old file stays in place.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace platform {

// Deeper documents than this are refused before the parser sees them (the
// parser recurses without a bound).
inline constexpr int kMaxPlistDepth = 512;

// Parses XML or binary bytes. nullopt on any error. Object references cannot
// occur in parsed data. `mendedTexts` receives how many texts were mended.
std::optional<Value> parsePropertyList(const std::string& bytes, std::string* error = nullptr,
                                       size_t* mendedTexts = nullptr);
// Serialises to XML (binary when `binary`). Object references and None are
// skipped (a dictionary entry holding one is left out). Empty, with a log line,
// when the bytes would not read back. `forFile` names the file in log lines.
std::string serializePropertyList(const Value& root, bool binary = false, const std::string& forFile = {});

// The root dictionary of the file, or nullopt when the file is missing,
// unreadable or not a dictionary (logged unless it is simply missing).
std::optional<Dict> readDictionaryIfPresent(const std::string& devicePath);
// As above, with an empty dictionary in place of nullopt.
Dict readDictionary(const std::string& devicePath);

// Writes the dictionary as an XML (or binary) property list with an atomic write.
bool writeDictionaryAtomically(const std::string& devicePath, const Dict& root, bool binary = false);

} // namespace platform
