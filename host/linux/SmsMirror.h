// Received SMS into the engine's view: each message ModemManager has received
// whole is added to the message database under the device root (the phone's
// tables, which the engine reads), and the chat-items change the engine
// observes is posted on the home screen's telephony centre. The message stays
// on the modem for other programs.
//
//   SmsMirror mirror(device, homeScreenProcess);
//   mirror.receive("900", "Balance 12.50", "2026-12-08T09:00:00+03:00");
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class Device;
class Process;
}

namespace linuxhost {

class SmsMirror {
public:
    SmsMirror(platform::Device& device, platform::Process& homeScreen);

    // Stores and announces one message. Returns its row in the database, 0 when
    // it could not be stored (logged; nothing is announced then).
    int64_t receive(const std::string& number, const std::string& text, const std::string& timestamp);

    // Seconds since 2001-01-01 UTC of a ModemManager timestamp (ISO 8601 with
    // an offset, "2026-12-08T09:00:00+03:00"); the current time when it
    // cannot be read.
    int64_t messageDate(const std::string& timestamp) const;

private:
    platform::Device& m_device;
    platform::Process& m_homeScreen;
};

} // namespace linuxhost
