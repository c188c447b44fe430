// The home screen keeping each code's last reply text, as quorveld does
// (host/common/replies): it stands between every dial and the carrier and
// writes what the carrier answered into last-replies.plist under the device
// root, for the code's fields screen, the page and the widget's tooltip.
//
// A setting of the simulated device, off by default (quorveld's is on), so
// that without it the device's stores and log are what they always were. A
// scenario turns it on with `keep replies`, `quorvel serve` with --keep-replies:
//
//   world.addHost<ReplyKeeper>();      // at once when booted, else at boot
#pragma once

#include "host/common/replies/LastReplies.h"
#include "sim/world/Host.h"

#include <memory>

namespace platform { class TelephonyService; }
namespace host { class ReplyRecorder; }

namespace sim {

class ReplyKeeper final : public Host {
public:
    ReplyKeeper();
    ~ReplyKeeper() override;

    void springBoardStarted(World& world) override;
    void shutDown(World& world) override;

    const host::LastReplies& replies() const { return m_replies; }

private:
    host::LastReplies m_replies;
    std::unique_ptr<host::ReplyRecorder> m_recorder;
    platform::TelephonyService* m_carrier = nullptr;
};

} // namespace sim
