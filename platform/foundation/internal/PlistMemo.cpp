#include "platform/foundation/internal/PlistMemo.h"

#include <algorithm>
#include <utility>

namespace platform::internal {

PlistMemo& PlistMemo::forThisThread()
{
    thread_local PlistMemo memo;
    return memo;
}

const ParsedPlist* PlistMemo::find(const std::string& bytes)
{
    auto hit = std::find_if(m_entries.rbegin(), m_entries.rend(), [&](const Entry& entry) { return entry.bytes == bytes; });
    if (hit == m_entries.rend())
        return nullptr;
    // Moved to the back as the most recently used.
    auto at = std::prev(hit.base());
    std::rotate(at, at + 1, m_entries.end());
    return &m_entries.back().parsed;
}

void PlistMemo::remember(const std::string& bytes, ParsedPlist parsed)
{
    if (bytes.size() > kMaxMemoBytes)
        return;
    auto same = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) { return entry.bytes == bytes; });
    if (same != m_entries.end())
        m_entries.erase(same);
    else if (m_entries.size() >= kMemoEntries)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(Entry{bytes, std::move(parsed)});
}

} // namespace platform::internal
