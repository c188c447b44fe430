#include "host/common/replies/LastReplies.h"

#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Utf8.h"

#include <algorithm>

namespace host {

namespace {

constexpr const char* kTextKey = quorvel::kLastReplyTextKey;
constexpr const char* kAtKey = quorvel::kLastReplyAtKey;

// Valid UTF-8 (the carrier's bytes may not be: GVariant, JSON and the text
// shaper refuse those), cut on a character boundary.
std::string cut(const std::string& raw, size_t limit)
{
    const std::string text = platform::utf8::sanitized(raw, true);
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

void LastReplies::remember(const std::string& code, const std::string& text, platform::Date at)
{
    platform::Dict replies = platform::readDictionary(kLastRepliesPath);
    replies[code] = platform::Dict{{kTextKey, cut(text, kMaxReplyBytes)}, {kAtKey, at}};
    while (replies.size() > kMaxCodes) {
        auto oldest = std::min_element(replies.begin(), replies.end(), [](const auto& a, const auto& b) {
            return a.second[kAtKey].date().value_or(platform::Date{}).micros() <
                   b.second[kAtKey].date().value_or(platform::Date{}).micros();
        });
        replies.erase(oldest);
    }
    if (platform::writeDictionaryAtomically(kLastRepliesPath, replies) && m_changed)
        m_changed();
}

std::string LastReplies::textFor(const std::string& code) const
{
    const platform::Dict replies = platform::readDictionary(kLastRepliesPath);
    auto found = replies.find(code);
    if (found == replies.end())
        return {};
    // A file edited by hand may hold anything: what comes out is what remember keeps.
    const std::string* text = found->second[kTextKey].string();
    return text ? cut(*text, kMaxReplyBytes) : std::string();
}

} // namespace host
