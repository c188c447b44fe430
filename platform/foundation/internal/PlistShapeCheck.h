// Shape checks run on property-list bytes before the parser sees them. The
// parser recurses once per nesting level with no bound, and for binary lists it
// expands every shared reference into a fresh copy; a small hostile file could
// therefore exhaust the stack or the memory. These checks bound both, in one
// pass each and without recursion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::internal {

// More objects than this after expanding shared references is refused.
inline constexpr uint64_t kMaxPlistExpandedObjects = uint64_t(1) << 20;

// nullopt when the XML document nests at most `maxDepth` values deep (plus the
// <plist> wrapper); otherwise the reason to refuse it. Counts elements the way
// an XML reader does: comments, CDATA sections, processing instructions and
// the document type are skipped; a closing tag must match the open element.
std::optional<std::string> checkXmlPlistShape(std::string_view bytes, int maxDepth);

// nullopt when the binary document is well formed as far as the parser's
// recursion is concerned: the trailer, offset table and every container's
// references are in range, no container contains itself, nesting is at most
// `maxDepth`, and the expanded tree has at most kMaxPlistExpandedObjects objects.
std::optional<std::string> checkBinaryPlistShape(std::string_view bytes, int maxDepth);

} // namespace platform::internal
