#include "sim/world/LogCapture.h"

#include "platform/foundation/Log.h"
#include "platform/system/Device.h"

#include <cstdio>
#include <ostream>

namespace sim {

LogCapture::LogCapture(platform::Device& device)
    : m_device(device)
{
    platform::setLogSink([this](const std::string& line) { record(line); });
}

LogCapture::~LogCapture()
{
    platform::setLogSink(nullptr);
}

void LogCapture::note(const std::string& text)
{
    record(kSimLogPrefix + text);
}

void LogCapture::record(const std::string& line)
{
    // A ring drops its older half at once, so each line is moved about once.
    if (m_keep > 0 && m_lines.size() >= 2 * m_keep)
        m_lines.erase(m_lines.begin(), m_lines.end() - static_cast<std::ptrdiff_t>(m_keep));
    m_lines.push_back(LogLine{m_device.now(), line});
    if (m_echo)
        *m_echo << printable(m_lines.back()) << '\n';
    if (m_listener)
        m_listener(m_lines.back());
}

std::string LogCapture::timestamp(platform::Date time)
{
    // Floor division keeps instants before the epoch on the right day too.
    constexpr int64_t kMicrosPerDay = int64_t(86400) * 1000000;
    int64_t micros = time.micros() % kMicrosPerDay;
    if (micros < 0)
        micros += kMicrosPerDay;
    int64_t millis = micros / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(millis / 3600000),
                  static_cast<int>(millis / 60000 % 60), static_cast<int>(millis / 1000 % 60),
                  static_cast<int>(millis % 1000));
    return text;
}

std::string LogCapture::printable(const LogLine& line)
{
    return timestamp(line.time) + ' ' + line.text;
}

} // namespace sim
