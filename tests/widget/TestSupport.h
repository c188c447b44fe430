// Helpers of the widget and view-layer tests: a fresh device root in a
// temporary folder, and a capture of the log lines written meanwhile.
#pragma once

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Log.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace widget_test {

class TempDeviceRoot {
public:
    TempDeviceRoot()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-widget-XXXXXX").string();
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

private:
    std::string m_root;
    std::string m_previous;
};

class LogCapture {
public:
    LogCapture() { platform::setLogSink([this](const std::string& line) { m_lines.push_back(line); }); }
    ~LogCapture() { platform::setLogSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return m_lines; }
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
    bool contains(const std::string& line) const
    {
        for (const auto& l : m_lines)
            if (l == line)
                return true;
        return false;
    }

private:
    std::vector<std::string> m_lines;
};

} // namespace widget_test
