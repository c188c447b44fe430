// The device's system log as the simulator sees it: every line the modules and
// the platform write, plus the simulator's own lines, each with the virtual
// time at which it was written.
//
//   LogCapture log(device);          // installs itself as the platform's log sink
//   log.note("carrier answers");     // "sim: carrier answers"
//   for (auto& l : log.lines()) std::cout << LogCapture::timestamp(l.time) << ' ' << l.text;
//
// The platform's sink is process-global, so only one capture is installed at a
// time: the newest one wins and the destructor removes it. Single-threaded.
#pragma once

#include "platform/foundation/Date.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace platform { class Device; }

namespace sim {

// Prefix of every line the simulator writes itself, so that readers (and
// expectations) can tell them from the modules' lines.
inline constexpr const char* kSimLogPrefix = "sim: ";

struct LogLine {
    platform::Date time;
    std::string text;
};

class LogCapture {
public:
    explicit LogCapture(platform::Device& device);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Records one of the simulator's own lines ("sim: " is prepended).
    void note(const std::string& text);
    // Records a line exactly as given (what the platform's sink does).
    void record(const std::string& line);

    // Every line kept, oldest first: all of them, or the newest of a ring.
    const std::vector<LogLine>& lines() const { return m_lines; }

    // From now on keeps only about the newest `count` lines (at least
    // `count`, at most twice as many), so that a long run does not grow the
    // capture without bound; 0 keeps every line again.
    void keepNewest(size_t count) { m_keep = count; }

    // Called with each line as it is recorded, before older ones are dropped
    // (nullptr stops it). The listener must not record lines itself.
    void setListener(std::function<void(const LogLine&)> listener) { m_listener = std::move(listener); }

    // Also prints every line, as it is recorded, to `out` (nullptr stops it).
    void echoTo(std::ostream* out) { m_echo = out; }

    // "09:05:00.000": time of day on the device's clock (UTC), to the millisecond.
    static std::string timestamp(platform::Date time);
    // The line as printed: timestamp, one blank, text.
    static std::string printable(const LogLine& line);

private:
    platform::Device& m_device;
    std::vector<LogLine> m_lines;
    std::ostream* m_echo = nullptr;
    size_t m_keep = 0;
    std::function<void(const LogLine&)> m_listener;
};

} // namespace sim
