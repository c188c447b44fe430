// Test helpers for code on the foundation: a fresh device root in a temporary
// folder for each test, a capture of the log lines written meanwhile, and
// readable failure messages for values.
#pragma once

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Value.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// GoogleTest prints values in their %@ form.
inline void PrintTo(const Value& value, std::ostream* os)
{
    *os << value.description();
}

} // namespace platform

namespace quorvel::test {

class TempDeviceRoot {
public:
    TempDeviceRoot()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-device-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_root = pattern;
        m_previous = platform::deviceRoot();
        platform::setDeviceRoot(m_root);
        std::filesystem::create_directories(m_root + "/var/mobile/Library/Preferences");
    }
    ~TempDeviceRoot()
    {
        platform::setDeviceRoot(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempDeviceRoot(const TempDeviceRoot&) = delete;
    TempDeviceRoot& operator=(const TempDeviceRoot&) = delete;

    const std::string& root() const { return m_root; }
    std::string host(const std::string& devicePath) const { return m_root + devicePath; }

private:
    std::string m_root;
    std::string m_previous;
};

class LogCapture {
public:
    LogCapture()
    {
        platform::setLogSink([this](const std::string& line) { m_lines.push_back(line); });
    }
    ~LogCapture() { platform::setLogSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    std::vector<std::string> m_lines;
};

} // namespace quorvel::test
