// The system log, written with the system's own printf-style texts.
//
//   QLog("Qvl: moving to the next code, %u of %u", next, total);
//   QLog("Qvl: USSD string is %@", ussdMessage);
//
// Conversions: %@ (any describable value: text, Value, Date, none -> "(null)"),
// %u, %d, %ld, %lld, %llu, %f and %0.Nf, %s, %%. Each line goes to the sink
// the host installed (the simulated device's capture), and to the host
// machine's system log only where a real host turned that on.
// Arguments are type-safe: a wrong count or an unknown conversion prints the
// text of the conversion itself rather than reading garbage.
#pragma once

#include "platform/foundation/Value.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class LogArg {
public:
    LogArg(const char* s) : m_text(s ? std::string(s) : std::string("(null)")), m_isText(true) {}
    LogArg(const std::string& s) : m_text(s), m_isText(true) {}
    LogArg(std::string_view s) : m_text(s), m_isText(true) {}
    LogArg(const Value& v) : m_text(v.description()), m_isText(true) {}
    LogArg(const Date& d) : m_text(d.description()), m_isText(true) {}
    LogArg(const std::optional<Date>& d) : m_text(d ? d->description() : "(null)"), m_isText(true) {}
    LogArg(const std::optional<std::string>& s) : m_text(s ? *s : "(null)"), m_isText(true) {}
    LogArg(std::nullptr_t) : m_text("(null)"), m_isText(true) {}
    LogArg(int v) : m_int(v) {}
    LogArg(unsigned v) : m_int(static_cast<int64_t>(v)) {}
    LogArg(long v) : m_int(v) {}
    LogArg(unsigned long v) : m_int(static_cast<int64_t>(v)) {}
    LogArg(long long v) : m_int(v) {}
    LogArg(unsigned long long v) : m_int(static_cast<int64_t>(v)) {}
    LogArg(double v) : m_real(v), m_isReal(true) {}
    LogArg(float v) : m_real(static_cast<double>(v)), m_isReal(true) {}
    LogArg(bool v) = delete; // say "YES"/"NO" or "y"/"n" explicitly, as the texts do

    bool isText() const { return m_isText; }
    bool isReal() const { return m_isReal; }
    const std::string& text() const { return m_text; }
    int64_t integer() const { return m_isReal ? static_cast<int64_t>(m_real) : m_int; }
    double real() const { return m_isReal ? m_real : static_cast<double>(m_int); }

private:
    std::string m_text;
    int64_t m_int = 0;
    double m_real = 0;
    bool m_isText = false;
    bool m_isReal = false;
};

std::string formatLog(const char* format, const std::vector<LogArg>& args);

// Where lines go. The host installs one per device; nullptr removes it.
using LogSink = std::function<void(const std::string& line)>;
void setLogSink(LogSink sink);
// Also write every line to standard error (the command line's parse-numbers does).
void setLogToStandardError(bool on);
// Also write every line to the host machine's system log. Off by default: a
// simulated device logs to its capture only, and must not fill a developer's
// journal; a host that runs on a real machine (a daemon) turns it on.
void setLogToSystemLog(bool on);
// What writes a line to the system log while that is on: syslog(3), skipped
// on hosts without /dev/log. Tests put a recorder here; nullptr restores syslog(3).
using SystemLogWriter = std::function<void(const std::string& line)>;
void setSystemLogWriter(SystemLogWriter writer);
void writeLogLine(const std::string& line);

} // namespace platform

template <class... Args>
void QLog(const char* format, const Args&... args)
{
    platform::writeLogLine(platform::formatLog(format, {platform::LogArg(args)...}));
}
