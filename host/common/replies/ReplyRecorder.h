// Keeps the last reply of every code the device dials, the engine's refreshes
// included, in LastReplies: it stands between the home screen and the modem
// client, noting each dial on its way out, and hears the USSD texts that come
// back on the home screen's telephony centre. A text heard within
// kAnswerSeconds of a dial is that code's reply (the engine's own rule for
// taking a reply as an answer is the same kind of window). An SMS reply is
// recorded only for dials made over the session bus (DialService): for an
// engine refresh of an SMS code, the last reply is the network's USSD answer.
//
//   ReplyRecorder recorder(device, home.process(), replies, &modems);
//   home.useTelephony(&recorder, [&] { return modems.hasModem(); });
//
// Single-threaded: the daemon's main loop.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/telephony/CoreTelephony.h"

#include <string>

namespace platform {
class Device;
class Process;
}

namespace host {

class LastReplies;

class ReplyRecorder final : public platform::TelephonyService {
public:
    static constexpr double kAnswerSeconds = 30;

    ReplyRecorder(platform::Device& device, platform::Process& home, LastReplies& replies, platform::TelephonyService* modem);
    ~ReplyRecorder() override;
    ReplyRecorder(const ReplyRecorder&) = delete;
    ReplyRecorder& operator=(const ReplyRecorder&) = delete;

    void dial(platform::Process& from, const std::string& number) override;

private:
    static void ussdText(platform::CFNotificationCenterRef, void* observer, const std::string&, const void*,
                         const platform::Dict* userInfo);

    platform::Device& m_device;
    platform::Process& m_home;
    LastReplies& m_replies;
    platform::TelephonyService* m_modem;
    std::string m_lastDial;
    platform::Date m_dialledAt;
};

} // namespace host
