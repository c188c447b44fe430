// Helpers every test area shares: a fresh device root in a temporary folder
// for each test, a capture of the log lines written meanwhile, and readable
// failure messages for values.
//
//   quorvel::test::TempDeviceRoot device;   // the device root until it goes
//   quorvel::test::LogCapture log;          // the log lines until it goes
//   ...
//   EXPECT_TRUE(log.contains("Qvl: ..."));
//
// Both change process-wide state (the device root, the log sink) and put back
// what they replaced when they go, so tests keep them on the stack or as
// fixture members; single-threaded.
#pragma once

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Value.h"

#include <algorithm>
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

// A new device root in the system's temporary folder, with the preferences
// folder made, current until it goes; then the earlier root is current again
// and the folder is removed.
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

// Takes every log line while it lives; the log goes back to its default
// sink when it goes.
class LogCapture {
public:
    LogCapture() { platform::setLogSink([this](const std::string& line) { m_lines.push_back(line); }); }
    ~LogCapture() { platform::setLogSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return m_lines; }
    auto begin() const { return m_lines.begin(); }
    auto end() const { return m_lines.end(); }
    void clear() { m_lines.clear(); }

    // Lines that start with the prefix, in order.
    std::vector<std::string> startingWith(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& line : m_lines)
            if (line.rfind(prefix, 0) == 0)
                out.push_back(line);
        return out;
    }
    bool contains(const std::string& line) const { return count(line) > 0; }
    size_t count(const std::string& line) const { return static_cast<size_t>(std::count(m_lines.begin(), m_lines.end(), line)); }

private:
    std::vector<std::string> m_lines;
};

} // namespace quorvel::test
