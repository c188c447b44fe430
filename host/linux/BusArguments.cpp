#include "host/linux/BusArguments.h"

#include "host/linux/DaemonLog.h"
#include "platform/foundation/Utf8.h"

namespace linuxhost {

namespace {

// Valid UTF-8 with no control character (C0, DEL, C1) nor line separator:
// what the widget, the log and the app can show on one line.
bool printable(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t length = platform::utf8::sequenceLength(text, i);
        if (length == 0)
            return false;
        const auto byte = static_cast<unsigned char>(text[i]);
        if (length == 1 && (byte < 0x20 || byte == 0x7f))
            return false;
        if (length == 2 && byte == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0)
            return false; // C1 controls
        if (length == 3 && text.compare(i, 2, "\xe2\x80") == 0 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xa8 || static_cast<unsigned char>(text[i + 2]) == 0xa9))
            return false; // U+2028, U+2029
        i += length;
    }
    return true;
}

} // namespace

std::optional<std::string> codeProblem(const std::string& code)
{
    if (code.empty())
        return "the code is empty";
    if (code.size() > kMaxCodeLength)
        return "the code is longer than " + std::to_string(kMaxCodeLength) + " characters";
    if (code.find_first_not_of("0123456789*#+") != std::string::npos)
        return "a code is made of 0-9 * # + only";
    return std::nullopt;
}

std::optional<std::string> titleProblem(const std::string& title)
{
    if (!printable(title))
        return "a title must be UTF-8 text without control characters";
    if (platform::utf8::characterCount(title) > kMaxTitleLength)
        return "a title is longer than " + std::to_string(kMaxTitleLength) + " characters";
    return std::nullopt;
}

std::optional<std::string> senderProblem(const std::string& sender)
{
    if (sender.size() > kMaxSenderLength)
        return "an SMS sender is longer than " + std::to_string(kMaxSenderLength) + " bytes";
    if (!printable(sender))
        return "an SMS sender must be UTF-8 text without control characters";
    return std::nullopt;
}

std::optional<double> numberOf(GVariant* value)
{
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE))
        return g_variant_get_double(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32))
        return g_variant_get_int32(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
        return g_variant_get_uint32(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT64))
        return static_cast<double>(g_variant_get_int64(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT64))
        return static_cast<double>(g_variant_get_uint64(value));
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT16))
        return g_variant_get_int16(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT16))
        return g_variant_get_uint16(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_BYTE))
        return g_variant_get_byte(value);
    return std::nullopt;
}

std::string logExcerpt(const std::string& text)
{
    constexpr size_t kShown = 48;
    if (text.size() <= kShown)
        return text;
    size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80)
        --cut; // not inside a character
    return text.substr(0, cut) + "...";
}

gboolean refuse(GDBusMethodInvocation* invocation, const char* error, const std::string& message)
{
    note(std::string(g_dbus_method_invocation_get_method_name(invocation)) + " from " +
         (g_dbus_method_invocation_get_sender(invocation) ? g_dbus_method_invocation_get_sender(invocation) : "?") +
         " refused: " + message);
    g_dbus_method_invocation_return_dbus_error(invocation, (std::string("org.quillmoor.Quorvel1.Error.") + error).c_str(),
                                               message.c_str());
    return TRUE;
}

} // namespace linuxhost
