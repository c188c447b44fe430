#include "apps/gtk/logic/Text.h"

#include <glib.h>

#include <cstdio>

namespace quorvelapp {

std::string fill(std::string_view format, std::initializer_list<std::string_view> values)
{
    std::string result;
    auto next = values.begin();
    size_t start = 0;
    for (size_t at = format.find("%s"); at != std::string_view::npos; at = format.find("%s", start)) {
        result.append(format.substr(start, at - start));
        if (next != values.end())
            result.append(*next++);
        start = at + 2;
    }
    result.append(format.substr(start));
    return result;
}

std::string shownText(std::string_view text, size_t maxCharacters, bool keepLines)
{
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string shown;
    size_t count = 0;
    for (const gchar* p = valid; *p; p = g_utf8_next_char(p)) {
        if (count == maxCharacters) {
            shown.append("…");
            break;
        }
        const gunichar c = g_utf8_get_char(p);
        if (c == '\n' && keepLines)
            shown.push_back('\n');
        else if (c == '\n')
            shown.append("\\n");
        else if (c == '\r')
            shown.append("\\r");
        else if (c == '\t')
            shown.append("\\t");
        else if (c < 0x20 || c == 0x7f) {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown.append(escaped);
        } else if ((c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029) {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            shown.append(escaped);
        } else {
            shown.append(p, static_cast<size_t>(g_utf8_next_char(p) - p));
        }
        ++count;
    }
    g_free(valid);
    return shown;
}

std::string shownMarkup(std::string_view text, size_t maxCharacters)
{
    const std::string shown = shownText(text, maxCharacters);
    gchar* escaped = g_markup_escape_text(shown.c_str(), static_cast<gssize>(shown.size()));
    std::string result = escaped;
    g_free(escaped);
    return result;
}

} // namespace quorvelapp
