#include "host/linux/LastReplies.h"

#include "platform/foundation/PropertyList.h"

#include <algorithm>

namespace linuxhost {

namespace {

constexpr const char* kTextKey = "text";
constexpr const char* kAtKey = "at";

std::string cut(const std::string& text, size_t limit)
{
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
    const std::string* text = found->second[kTextKey].string();
    return text ? *text : std::string();
}

} // namespace linuxhost
