#include "host/web/JsonText.h"

#include "platform/foundation/Utf8.h"

#include <cstdio>

namespace host {

std::string jsonQuoted(std::string_view text)
{
    const std::string clean = platform::utf8::sanitized(text);
    std::string out = "\"";
    for (char c : clean) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    // "</" inside a string cannot end a script element the JSON may sit in.
    for (size_t at = out.find("</"); at != std::string::npos; at = out.find("</", at + 3))
        out.replace(at, 2, "<\\/");
    return out + "\"";
}

} // namespace host
