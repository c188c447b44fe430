#include "apps/gtk/logic/PendingDeletes.h"

#include <algorithm>

namespace quorvelapp {

bool sameCode(const linuxhost::StoredCode& a, const linuxhost::StoredCode& b)
{
    if (a.code != b.code || a.smsSender != b.smsSender || a.expectedNumbers != b.expectedNumbers
        || a.fields.size() != b.fields.size())
        return false;
    for (size_t i = 0; i < a.fields.size(); ++i)
        if (a.fields[i].index != b.fields[i].index || a.fields[i].title != b.fields[i].title)
            return false;
    return true;
}

namespace {

std::optional<int> locateAmong(const std::vector<linuxhost::StoredCode>& codes, const PendingDelete& gone,
                               const std::vector<bool>& taken)
{
    const auto fits = [&](int i) {
        return i >= 0 && static_cast<size_t>(i) < codes.size() && !taken[static_cast<size_t>(i)]
               && sameCode(codes[static_cast<size_t>(i)], gone.code);
    };
    if (fits(gone.index))
        return gone.index;
    for (size_t i = 0; i < codes.size(); ++i)
        if (fits(static_cast<int>(i)))
            return static_cast<int>(i);
    return std::nullopt;
}

} // namespace

std::optional<int> locate(const std::vector<linuxhost::StoredCode>& codes, const PendingDelete& gone)
{
    return locateAmong(codes, gone, std::vector<bool>(codes.size(), false));
}

unsigned PendingDeletes::add(int index, const linuxhost::StoredCode& code)
{
    const unsigned id = m_nextId++;
    if (m_nextId == 0)
        m_nextId = 1;
    m_pending.push_back(PendingDelete{id, index, code});
    return id;
}

bool PendingDeletes::undo(unsigned id)
{
    return take(id).has_value();
}

std::optional<PendingDelete> PendingDeletes::take(unsigned id)
{
    auto found = std::find_if(m_pending.begin(), m_pending.end(), [id](const PendingDelete& p) { return p.id == id; });
    if (found == m_pending.end())
        return std::nullopt;
    PendingDelete taken = std::move(*found);
    m_pending.erase(found);
    return taken;
}

std::vector<unsigned> PendingDeletes::ids() const
{
    std::vector<unsigned> ids;
    for (const PendingDelete& p : m_pending)
        ids.push_back(p.id);
    return ids;
}

std::vector<int> PendingDeletes::visible(const std::vector<linuxhost::StoredCode>& codes) const
{
    std::vector<bool> hidden(codes.size(), false);
    for (const PendingDelete& p : m_pending)
        if (auto at = locateAmong(codes, p, hidden))
            hidden[static_cast<size_t>(*at)] = true;
    std::vector<int> shown;
    for (size_t i = 0; i < codes.size(); ++i)
        if (!hidden[i])
            shown.push_back(static_cast<int>(i));
    return shown;
}

} // namespace quorvelapp
