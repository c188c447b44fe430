// Shape checks run on property-list bytes before the parser sees them. The
// parser recurses once per nesting level with no bound, and for binary lists it
// expands every shared reference into a fresh copy; a small hostile file could
// therefore exhaust the stack or the memory (a megabyte of references to one
// long string is gigabytes of copies). These checks bound both, in one pass
// each and without recursion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::internal {

// The budget for the tree a binary document expands to once every shared
// reference is a copy of its own: each object counts kPlistObjectBytes (about
// what one parsed object costs in the parser's tree and again in ours) plus the
// bytes of its text or data as stored. A document over the budget is refused.
// 32 MiB is a thousand times a large codes store and still reads in a fraction
// of a second; a 200 000-entry list of short texts fits.
inline constexpr uint64_t kPlistObjectBytes = 128;
inline constexpr uint64_t kMaxPlistExpandedBytes = uint64_t(32) << 20;

// nullopt when the XML document nests at most `maxDepth` values deep (plus the
// <plist> wrapper); otherwise the reason to refuse it. Counts elements the way
// an XML reader does: comments, CDATA sections, processing instructions and
// the document type are skipped; a closing tag must match the open element.
std::optional<std::string> checkXmlPlistShape(std::string_view bytes, int maxDepth);

// nullopt when the binary document is well formed as far as the parser's
// recursion is concerned: the trailer, offset table and every container's
// references are in range, every text, data and reference list lies within the
// object area, no container contains itself, nesting is at most `maxDepth`, and
// the expanded tree is within kMaxPlistExpandedBytes.
std::optional<std::string> checkBinaryPlistShape(std::string_view bytes, int maxDepth);

} // namespace platform::internal
