#include "host/linux/DaemonLog.h"

#include "platform/foundation/Log.h"

#include <chrono>
#include <ctime>

namespace linuxhost {

DaemonLog::DaemonLog()
{
    platform::setLogSink([this](const std::string& line) { write(line); });
}

DaemonLog::~DaemonLog()
{
    platform::setLogSink(nullptr);
    if (m_file)
        std::fclose(m_file);
}

bool DaemonLog::openFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file)
        return false;
    if (m_file)
        std::fclose(m_file);
    m_file = file;
    return true;
}

std::string DaemonLog::timestamp()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    long millis = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec, millis);
    return buffer;
}

void DaemonLog::write(const std::string& line)
{
    std::string stamped = timestamp() + " " + line + "\n";
    // Unbuffered writes, so the journal and a test reading the file see each
    // line as it happens.
    std::fwrite(stamped.data(), 1, stamped.size(), stderr);
    if (m_file) {
        std::fwrite(stamped.data(), 1, stamped.size(), m_file);
        std::fflush(m_file);
    }
    if (m_listener)
        m_listener(stamped.substr(0, stamped.size() - 1));
}

void note(const std::string& text)
{
    platform::writeLogLine(kDaemonLogPrefix + text);
}

} // namespace linuxhost
