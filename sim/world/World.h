// One simulated device: a virtual clock, a device root folder, the Darwin bus,
// the carrier network, the captured system log, and (after boot) SpringBoard
// with the tweaks its filters name and the messaging service beside it. Scenarios, tests and the command line all
// drive the system through a World.
//
//   World world;                                 // fresh device, engine installed
//   world.carrier().answerByUssd("*100#", "Balance 12.50", Micros(2'000'000));
//   world.boot();                                // SpringBoard starts, the engine loads
//   world.runFor(std::chrono::minutes(5));       // virtual time moves only here
//
// Lifetime: the World makes its device current for its whole life and installs
// the process-wide log sink and device root, so Worlds must not overlap except
// strictly nested (the newest is destroyed first). Teardown order: hosts, the
// messaging service, then SpringBoard and the other processes (dropping every pending callback while
// the code they point into is still loaded), then the modules are unloaded
// with the device still alive, then the runtime's classes are forgotten and
// the device goes. Single-threaded.
#pragma once

#include "platform/foundation/Date.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/world/Host.h"

#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace platform {
class Device;
class DeviceScope;
class Process;
}

namespace host { class ModuleLoader; }

namespace sim {

class DeviceFolder;
class LogCapture;
class MessagingService;
class SimCarrier;
class SpringBoard;

// 2026-12-08 09:00:00 UTC, where every scenario's clock starts.
inline constexpr platform::Date kScenarioStart = platform::Date::fromMicros(int64_t(1796720400) * 1000000);

inline constexpr const char* kSpringBoardName = "SpringBoard";
inline constexpr const char* kSpringBoardBundle = "com.apple.springboard";
inline constexpr const char* kEngineLibrary = "QuorvelTweak";
inline constexpr const char* kHistoryLibrary = "QuorvelHistory";

struct WorldOptions {
    // Empty: a fresh folder under the temporary directory, removed at the end.
    // Given: that folder (created if missing), left in place afterwards.
    std::string root;
    platform::Date start = kScenarioStart;
    // Copy the built QuorvelTweak.dylib into the device with a filter naming SpringBoard.
    bool installEngine = true;
    // Copy the built QuorvelHistory.dylib into the device the same way.
    bool installHistory = true;
    // What SpringBoard hears first of a USSD text (the phone's order by default).
    UssdOrder ussdOrder = UssdOrder::alertFirst;
    // How long after it was built a USSD alert becomes visible (at once by default).
    platform::Micros alertVisibleDelay{0};
};

class World {
public:
    explicit World(WorldOptions options = {});
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // False when the device folder could not be made (nothing else works then).
    bool ok() const;

    platform::Device& device() { return *m_device; }
    DeviceFolder& folder() { return *m_folder; }
    const std::string& root() const;
    LogCapture& log() { return *m_log; }
    SimCarrier& carrier() { return *m_carrier; }
    host::ModuleLoader& modules() { return *m_modules; }

    // SpringBoard starts: the runtime is reset, SpringBoard's classes are
    // registered, the messaging service starts beside it (the message
    // database and the chat-item classes), the tweaks whose filters name it are loaded (their start-up
    // code runs inside SpringBoard), and every host hears springBoardStarted.
    // A second call does nothing.
    void boot();
    bool booted() const { return m_springBoard != nullptr; }
    // Both assert that the device has booted.
    platform::Process& springBoardProcess();
    SpringBoard& springBoard();
    // The messaging service (sms.db, new SMS announced to SpringBoard). Asserts
    // that the device has booted.
    MessagingService& messaging();

    // How many times `name` was posted on SpringBoard's local centre since boot.
    int localPostCount(const std::string& name) const;

    // From now on a USSD alert becomes visible `delay` after SpringBoard built
    // it (0: at once, as at the start). The order of the alert and the reply's
    // notification is the carrier's (carrier().setUssdOrder).
    void setAlertVisibleDelay(platform::Micros delay) { m_alertVisibleDelay = delay; }
    platform::Micros alertVisibleDelay() const { return m_alertVisibleDelay; }

    platform::Date now() const;
    // Runs the device for a span of virtual time (every due callback, in order).
    void runFor(platform::Micros span);
    // Runs what is due now without moving the clock.
    void runPending();

    // Adds a host; the World owns it. If SpringBoard is already up, the host
    // hears springBoardStarted at once.
    template <class H, class... Args>
    H& addHost(Args&&... args)
    {
        static_assert(std::is_base_of_v<Host, H>);
        auto host = std::make_unique<H>(std::forward<Args>(args)...);
        H& ref = *host;
        adoptHost(std::move(host));
        return ref;
    }
    // The first host of that type, or nullptr.
    template <class H>
    H* host() const
    {
        for (const auto& h : m_hosts)
            if (auto* found = dynamic_cast<H*>(h.get()))
                return found;
        return nullptr;
    }

private:
    void adoptHost(std::unique_ptr<Host> host);
    // Copies a built tweak into the device with a filter naming SpringBoard.
    void installTweak(const char* library, const char* role);
    void presentUSSDAlert(const std::string& text, bool allowsResponse, bool waitsForChoice);

    std::unique_ptr<DeviceFolder> m_folder;
    std::unique_ptr<platform::Device> m_device;
    std::unique_ptr<platform::DeviceScope> m_deviceScope;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<host::ModuleLoader> m_modules;
    std::unique_ptr<SimCarrier> m_carrier;
    std::unique_ptr<platform::Process> m_springBoardProcess;
    std::unique_ptr<SpringBoard> m_springBoard;
    // Announces to SpringBoard, so it is made after it and destroyed before it.
    std::unique_ptr<MessagingService> m_messaging;
    std::vector<std::unique_ptr<Host>> m_hosts;
    std::map<std::string, int> m_localPosts;
    platform::Micros m_alertVisibleDelay{0};
};

} // namespace sim
