// Keeps the last reply of every code the device dials, the engine's refreshes
// included, in LastReplies: it stands between the dialling processes and the
// network, noting each dial on its way out, and is told each USSD text by
// the host where the text comes in (the modem client, the simulated carrier),
// before the text is posted to the processes. A text heard within
// kAnswerSeconds of a dial is that code's reply (the engine's own rule for
// taking a reply as an answer is the same kind of window).
//
// Told at the source, not from a telephony centre: the engine handles a
// reply and dials the next code in the same delivery, before an observer
// registered after it would hear the text, which would then be taken for
// the next code's reply.
//
//   ReplyRecorder recorder(device, replies, &modems);
//   home.useTelephony(&recorder, ...);
//   modems.onUssdText([&](const std::string& text) { recorder.heard(text); });
//
// An SMS reply is not recorded here (quorveld's DialService records those of
// its own dials). Single-threaded: the device's thread.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/telephony/CoreTelephony.h"

#include <string>
#include <vector>

namespace platform {
class Device;
class Process;
}

namespace host {

class LastReplies;

class ReplyRecorder final : public platform::TelephonyService {
public:
    static constexpr double kAnswerSeconds = 30;

    ReplyRecorder(platform::Device& device, LastReplies& replies, platform::TelephonyService* network);
    ReplyRecorder(const ReplyRecorder&) = delete;
    ReplyRecorder& operator=(const ReplyRecorder&) = delete;

    void dial(platform::Process& from, const std::string& number) override;
    void dialOnSim(platform::Process& from, const std::string& number, const std::string& simId) override;
    std::vector<platform::CTSimCard> insertedSims() const override;
    // A USSD text came from the network (before the processes hear it).
    void heard(const std::string& text);

private:
    platform::Device& m_device;
    LastReplies& m_replies;
    platform::TelephonyService* m_network;
    std::string m_lastDial;
    platform::Date m_dialledAt;
};

} // namespace host
