// Received SMS into the engine's view: each message ModemManager has received
// whole is added to the message database under the device root (the phone's
// tables, which the engine reads), and the chat-items change the engine
// observes is posted on the home screen's telephony centre. The message stays
// on the modem for other programs.
//
//   SmsMirror mirror(device, homeScreenProcess);
//   mirror.load();                       // at start: what earlier runs mirrored
//   mirror.mirrorOnce("900", "Balance 12.50", "2026-12-08T09:00:00+03:00");
//
// mirrorOnce mirrors each message once, ever (see MirroredMessages.h): one
// announced again (a re-enable, a ModemManager or daemon restart) or dated
// before the daemon's first run is logged and left alone.
#pragma once

#include "host/linux/MirroredMessages.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {
class Device;
class Process;
}

namespace linuxhost {

class SmsMirror {
public:
    enum class Outcome { stored, alreadyMirrored, beforeFirstRun, failed };

    SmsMirror(platform::Device& device, platform::Process& homeScreen);

    // Reads the record of mirrored messages under the current device root (the
    // first run's time is taken now when there is none).
    void load();
    // receive() for a message not mirrored before, remembered once stored.
    Outcome mirrorOnce(const std::string& number, const std::string& text, const std::string& timestamp);

    // Stores and announces one message. Returns its row in the database, 0 when
    // it could not be stored (logged; nothing is announced then).
    int64_t receive(const std::string& number, const std::string& text, const std::string& timestamp);

    // Seconds since 2001-01-01 UTC of a ModemManager timestamp (ISO 8601 with
    // an offset, "2026-12-08T09:00:00+03:00"); the current time when it
    // cannot be read.
    int64_t messageDate(const std::string& timestamp) const;
    // The same in Unix seconds; nullopt when it cannot be read.
    static std::optional<int64_t> unixTime(const std::string& timestamp);

private:
    platform::Device& m_device;
    platform::Process& m_homeScreen;
    MirroredMessages m_seen;
    bool m_loaded = false;
};

} // namespace linuxhost
