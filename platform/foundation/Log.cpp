#include "platform/foundation/Log.h"

#include "platform/foundation/internal/TextFormat.h"

#include <charconv>
#include <cstdio>
#include <syslog.h>
#include <unistd.h>

namespace platform {

namespace {

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool spaceSign = false;
    int width = -1;
    int precision = -1;
    bool wide = false; // l, ll, q, z, j, t: 64-bit integers
    char kind = 0;
};

bool isSupportedKind(char c)
{
    switch (c) {
    case '@': case 's': case 'd': case 'i': case 'u': case 'x': case 'X': case 'c':
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
        return true;
    default:
        return false;
    }
}

bool isNumericKind(char c)
{
    return c != '@' && c != 's' && c != 'c';
}

// Reads "[flags][width][.precision][length]kind" after a '%'. Returns the index
// just past the conversion, with kind 0 when it is incomplete or unknown.
size_t parseConversion(const char* format, size_t i, Conversion& conv)
{
    for (;; ++i) {
        char c = format[i];
        if (c == '-') conv.leftAlign = true;
        else if (c == '0') conv.zeroPad = true;
        else if (c == '+') conv.plusSign = true;
        else if (c == ' ') conv.spaceSign = true;
        else if (c == '#') {}
        else break;
    }
    auto readNumber = [&](int& out) {
        out = 0;
        while (format[i] >= '0' && format[i] <= '9') {
            if (out < 100000)
                out = out * 10 + (format[i] - '0');
            ++i;
        }
    };
    if (format[i] >= '1' && format[i] <= '9')
        readNumber(conv.width);
    if (format[i] == '.') {
        ++i;
        readNumber(conv.precision);
    }
    if (format[i] == 'h') {
        ++i;
        if (format[i] == 'h')
            ++i;
    } else if (format[i] == 'l' || format[i] == 'q' || format[i] == 'z' || format[i] == 'j' || format[i] == 't') {
        conv.wide = true;
        ++i;
        if (format[i] == 'l')
            ++i;
    }
    if (isSupportedKind(format[i]))
        conv.kind = format[i++];
    else if (format[i] != '\0')
        ++i; // unknown kind: the whole conversion is printed as written
    return i;
}

std::string integerText(const Conversion& conv, const LogArg& arg)
{
    int64_t value = arg.integer();
    bool negative = false;
    uint64_t magnitude;
    if (conv.kind == 'd' || conv.kind == 'i') {
        int64_t v = conv.wide ? value : static_cast<int32_t>(value);
        negative = v < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    } else {
        magnitude = conv.wide ? static_cast<uint64_t>(value) : static_cast<uint32_t>(value);
    }
    char buffer[32];
    int base = (conv.kind == 'x' || conv.kind == 'X') ? 16 : 10;
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base);
    std::string digits(buffer, result.ptr);
    if (conv.kind == 'X')
        for (char& c : digits)
            c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    if (conv.precision >= 0 && digits.size() < static_cast<size_t>(conv.precision))
        digits.insert(0, static_cast<size_t>(conv.precision) - digits.size(), '0');
    std::string sign = negative ? "-" : (base == 10 && conv.kind != 'u' && conv.plusSign) ? "+"
                                      : (base == 10 && conv.kind != 'u' && conv.spaceSign) ? " " : "";
    return sign + digits;
}

std::string realText(const Conversion& conv, double value)
{
    int precision = conv.precision >= 0 ? conv.precision : 6;
    std::string text;
    switch (conv.kind) {
    case 'f':
    case 'F':
        text = internal::fixedReal(value, precision);
        break;
    default: {
        char buffer[512];
        auto format = (conv.kind == 'e' || conv.kind == 'E') ? std::chars_format::scientific : std::chars_format::general;
        if (format == std::chars_format::general && precision == 0)
            precision = 1;
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, std::min(precision, 300));
        text.assign(buffer, result.ptr);
        if (conv.kind == 'E' || conv.kind == 'G')
            for (char& c : text)
                c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    }
    if (text[0] != '-' && conv.plusSign)
        text.insert(0, "+");
    else if (text[0] != '-' && conv.spaceSign)
        text.insert(0, " ");
    return text;
}

bool isRealKind(char c)
{
    return c == 'f' || c == 'F' || c == 'e' || c == 'E' || c == 'g' || c == 'G';
}

// As in printf: '0' pads numbers after their sign, except integers given a precision.
bool zeroFills(const Conversion& conv)
{
    return conv.zeroPad && isNumericKind(conv.kind) && (isRealKind(conv.kind) || conv.precision < 0);
}

void appendPadded(const Conversion& conv, std::string text, std::string& out)
{
    if (conv.width > 0 && text.size() < static_cast<size_t>(conv.width)) {
        size_t fill = static_cast<size_t>(conv.width) - text.size();
        if (conv.leftAlign) {
            text.append(fill, ' ');
        } else if (zeroFills(conv)) {
            size_t signLength = (!text.empty() && (text[0] == '-' || text[0] == '+' || text[0] == ' ')) ? 1 : 0;
            text.insert(signLength, fill, '0');
        } else {
            text.insert(0, fill, ' ');
        }
    }
    out += text;
}

LogSink& sinkStorage()
{
    static LogSink sink;
    return sink;
}

bool& standardErrorFlag()
{
    static bool on = false;
    return on;
}

bool& systemLogFlag()
{
    static bool on = false;
    return on;
}

void writeToSyslog(const std::string& line)
{
    // Without a system log socket glibc tries to reconnect on every call, which
    // costs more than everything else a line does; such hosts (containers,
    // build machines) skip it. Checked once.
    static const bool haveSystemLog = [] {
        if (access("/dev/log", F_OK) != 0)
            return false;
        openlog("Quorvel", LOG_PID, LOG_USER);
        return true;
    }();
    if (haveSystemLog)
        syslog(LOG_NOTICE, "%s", line.c_str());
}

SystemLogWriter& systemLogWriterStorage()
{
    static SystemLogWriter writer = writeToSyslog;
    return writer;
}

} // namespace

std::string formatLog(const char* format, const std::vector<LogArg>& args)
{
    std::string out;
    if (!format)
        return out;
    size_t nextArg = 0;
    size_t i = 0;
    while (format[i] != '\0') {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        size_t start = i;
        Conversion conv;
        i = parseConversion(format, i + 1, conv);
        std::string_view written(format + start, i - start);
        if (conv.kind == 0 || nextArg >= args.size()) {
            out += written;
            continue;
        }
        const LogArg& arg = args[nextArg++];
        switch (conv.kind) {
        case '@':
        case 's': {
            if (conv.kind == 's' && !arg.isText()) {
                out += written;
                break;
            }
            std::string text = arg.isText() ? arg.text()
                               : arg.isReal() ? internal::shortestReal(arg.real())
                                              : std::to_string(arg.integer());
            if (conv.precision >= 0 && text.size() > static_cast<size_t>(conv.precision))
                text.resize(static_cast<size_t>(conv.precision));
            appendPadded(conv, std::move(text), out);
            break;
        }
        case 'c':
            if (arg.isText())
                out += written;
            else
                appendPadded(conv, std::string(1, static_cast<char>(arg.integer())), out);
            break;
        default:
            if (arg.isText())
                out += written;
            else if (isRealKind(conv.kind))
                appendPadded(conv, realText(conv, arg.real()), out);
            else
                appendPadded(conv, integerText(conv, arg), out);
        }
    }
    return out;
}

void setLogSink(LogSink sink)
{
    sinkStorage() = std::move(sink);
}

void setLogToStandardError(bool on)
{
    standardErrorFlag() = on;
}

void setLogToSystemLog(bool on)
{
    systemLogFlag() = on;
}

void setSystemLogWriter(SystemLogWriter writer)
{
    systemLogWriterStorage() = writer ? std::move(writer) : SystemLogWriter(writeToSyslog);
}

void writeLogLine(const std::string& line)
{
    if (systemLogFlag())
        systemLogWriterStorage()(line);
    if (standardErrorFlag()) {
        std::string withNewline = line + "\n";
        std::fwrite(withNewline.data(), 1, withNewline.size(), stderr);
    }
    // A copy, so a sink that replaces itself while running stays alive.
    LogSink sink = sinkStorage();
    if (sink)
        sink(line);
}

} // namespace platform
