// The last few property lists this thread parsed, by their exact bytes.
//
//   if (const ParsedPlist* known = PlistMemo::forThisThread().find(bytes))
//       return known->value;                      // no parse
//   ... parse ...
//   PlistMemo::forThisThread().remember(bytes, {value, mended});
//
// Stores are read far more often than they change: the engine re-reads its
// settings and codes on every cycle, and every write parses its own bytes back
// once. Parsing is a pure function of the bytes, so handing out a copy of an
// earlier result for the same bytes changes nothing a caller can see.
// Only documents up to kMaxMemoBytes are kept, at most kMemoEntries of them,
// the least recently used going first. One memo per thread: no locking.
#pragma once

#include "platform/foundation/Value.h"

#include <cstddef>
#include <string>
#include <vector>

namespace platform::internal {

inline constexpr size_t kMemoEntries = 8;
inline constexpr size_t kMaxMemoBytes = size_t(1) << 20;

struct ParsedPlist {
    Value value;
    size_t mendedTexts = 0;
};

class PlistMemo {
public:
    static PlistMemo& forThisThread();

    // The result kept for exactly these bytes, or nullptr. Valid until the
    // next call on this memo.
    const ParsedPlist* find(const std::string& bytes);
    void remember(const std::string& bytes, ParsedPlist parsed);
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        std::string bytes;
        ParsedPlist parsed;
    };
    // Most recently used last.
    std::vector<Entry> m_entries;
};

} // namespace platform::internal
