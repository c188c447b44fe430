// The daemon's log: every line the modules, the platform and the daemon write
// goes to standard error (the journal, under systemd) and, when asked, to a
// file (created readable by its owner only), each prefixed with the local
// clock time to the millisecond:
//
//   14:05:00.123 Qvl: moving to the next code, 1 of 2
//
// A line is always one line: carrier replies and SMS texts land in it as they
// came, so control characters are escaped on the way to every sink (see
// escapedLogLine); ordinary text, the engine's own lines, passes unchanged.
//
//   DaemonLog log;                 // installs itself as the platform's log sink
//   log.openFile("/tmp/q.log");   // also appends there; false if it cannot
//   linuxhost::note("modem /org/... found");   // "quorveld: modem /org/... found"
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace linuxhost {

inline constexpr const char* kDaemonLogPrefix = "quorveld: ";

class DaemonLog {
public:
    DaemonLog();
    ~DaemonLog();
    DaemonLog(const DaemonLog&) = delete;
    DaemonLog& operator=(const DaemonLog&) = delete;

    bool openFile(const std::string& path);
    void write(const std::string& line);

    // "14:05:00.123", local time of the real clock.
    static std::string timestamp();

    // Also hands each stamped line (without its newline) to `listener` (the
    // browser page's live log); nullptr stops it. Called on the writing thread.
    void setListener(std::function<void(std::string)> listener) { m_listener = std::move(listener); }

private:
    std::FILE* m_file = nullptr;
    std::function<void(std::string)> m_listener;
};

// `line` with what could end it or drive a terminal written out as text: CR,
// LF and tab as \r \n \t, other C0 controls and DEL as \xNN, C1 controls
// and the Unicode line and paragraph separators as \uNNNN, bytes that are not
// UTF-8 as \xNN. Everything else, backslashes included, stays as it is.
std::string escapedLogLine(std::string_view line);

// One of the daemon's own lines, through the platform's log.
void note(const std::string& text);

} // namespace linuxhost
