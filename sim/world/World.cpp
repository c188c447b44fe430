#include "sim/world/World.h"

#include "platform/foundation/Files.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runtime/Runtime.h"
#include "platform/runtime/Runtime.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "sim/carrier/SimCarrier.h"
#include "host/common/loader/ModuleLoader.h"
#include "host/common/messaging/ChatItems.h"
#include "sim/messaging/MessagingService.h"
#include "host/common/render/LayoutMeasurer.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/DeviceFolder.h"
#include "sim/world/LogCapture.h"

#include <cassert>
#include <cstdio>

namespace sim {

World::World(WorldOptions options)
    : m_folder(std::make_unique<DeviceFolder>(options.root))
    , m_device(std::make_unique<platform::Device>(std::make_unique<platform::VirtualClock>(options.start)))
    , m_deviceScope(std::make_unique<platform::DeviceScope>(*m_device))
    , m_log(std::make_unique<LogCapture>(*m_device))
    , m_modules(std::make_unique<host::ModuleLoader>(kSimLogPrefix))
    , m_carrier(std::make_unique<SimCarrier>(*m_device, *m_log))
{
    // Nothing can cut the power of a simulated device: its stores keep their
    // atomic writes but skip the flushes to the host's disk, which would make a
    // day of device time take seconds of waiting for the disk.
    platform::setDurableWrites(false);
    host::useRenderedTextForLayout();
    if (!m_folder->ok()) {
        m_log->note("cannot prepare the device folder " + m_folder->root());
        return;
    }
    m_carrier->setUssdOrder(options.ussdOrder);
    m_alertVisibleDelay = options.alertVisibleDelay;
    m_carrier->setUssdPresenter([this](const std::string& text, bool allowsResponse, bool waitsForChoice) {
        // Queued beside the telephony deliveries the carrier queues, in the
        // carrier's order: before them as on the phone, or after them.
        if (m_springBoardProcess)
            m_springBoardProcess->mainRunLoop().perform([this, text, allowsResponse, waitsForChoice] {
                presentUSSDAlert(text, allowsResponse, waitsForChoice);
            });
    });
    m_carrier->setSmsReceiver([this](const std::string& sender, const std::string& text) {
        if (m_messaging)
            m_messaging->receive(sender, text);
        else
            m_log->note("the phone is off: the SMS from " + sender + " is lost");
    });
    if (options.installEngine)
        installTweak(kEngineLibrary, "engine");
    if (options.installHistory)
        installTweak(kHistoryLibrary, "history");
}

World::~World()
{
    for (auto it = m_hosts.rbegin(); it != m_hosts.rend(); ++it)
        (*it)->shutDown(*this);
    while (!m_hosts.empty())
        m_hosts.pop_back();

    if (m_springBoard) {
        platform::ProcessScope in(*m_springBoardProcess);
        m_messaging.reset();
        m_springBoard.reset();
    }
    // Destroying a process drops its pending work and timers and its Darwin
    // registrations, whose callbacks may point into a module.
    m_springBoardProcess.reset();
    m_carrier.reset();
    m_modules->unloadAll();
    // Classes may still hold replacement methods of the unloaded modules.
    rt::resetRuntimeForTesting();
    m_modules.reset();
    m_log.reset();
    m_deviceScope.reset();
    m_device.reset();
    m_folder.reset();
    platform::setDurableWrites(true);
}

bool World::ok() const
{
    return m_folder->ok();
}

const std::string& World::root() const
{
    return m_folder->root();
}

void World::installTweak(const char* library, const char* role)
{
    std::string file = std::string(library) + ".dylib";
    std::string built = host::findBuiltModule(file);
    if (built.empty()) {
        m_log->note(file + " not found beside the program (or in $QUORVEL_BIN_DIR): the device has no " + role);
        return;
    }
    if (!host::ModuleLoader::installTweak(built, library, {kSpringBoardBundle}))
        m_log->note("cannot install " + built + " into the device");
}

void World::boot()
{
    if (booted())
        return;
    m_log->note("SpringBoard starts");
    // Tweaks of an earlier device may have replaced methods of classes of the
    // same names: SpringBoard registers fresh ones before anything loads.
    rt::resetRuntimeForTesting();
    m_springBoardProcess = std::make_unique<platform::Process>(*m_device, kSpringBoardName, kSpringBoardBundle);
    {
        platform::ProcessScope in(*m_springBoardProcess);
        m_springBoard = std::make_unique<SpringBoard>(*m_springBoardProcess);
        // A menu's answer, and its alert closed unanswered, go back to the network.
        m_springBoard->onMenuAnswer([this](const std::string& choice) { m_carrier->respond(choice); },
                                    [this] { m_carrier->release(); });
        // The runtime was just reset: the chat-item classes must be there
        // before any tweak looks them up.
        host::registerChatItemClasses();
        m_messaging = std::make_unique<MessagingService>(*m_springBoardProcess, *m_springBoard);
        m_springBoardProcess->localCenter().addObserverOfEveryName(this, [this](const platform::Notification& n) {
            ++m_localPosts[n.name];
            m_log->note("SpringBoard's local centre: " + n.name);
        });
    }
    m_modules->loadTweaksInto(*m_springBoardProcess);
    for (auto& host : m_hosts)
        host->springBoardStarted(*this);
    runPending();
}

platform::Process& World::springBoardProcess()
{
    assert(m_springBoardProcess);
    return *m_springBoardProcess;
}

SpringBoard& World::springBoard()
{
    assert(m_springBoard);
    return *m_springBoard;
}

MessagingService& World::messaging()
{
    assert(m_messaging);
    return *m_messaging;
}

int World::localPostCount(const std::string& name) const
{
    auto found = m_localPosts.find(name);
    return found == m_localPosts.end() ? 0 : found->second;
}

platform::Date World::now() const
{
    return m_device->now();
}

void World::runFor(platform::Micros span)
{
    m_device->runFor(span);
}

void World::runPending()
{
    m_device->runPending();
}

void World::adoptHost(std::unique_ptr<Host> host)
{
    m_hosts.push_back(std::move(host));
    if (booted())
        m_hosts.back()->springBoardStarted(*this);
}

namespace {

// "2 s", "0.25 s": a span as the simulator's own lines name it.
std::string secondsText(platform::Micros span)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(span.count()) / 1e6);
    return text;
}

void noteAlertShown(LogCapture& log, AlertPlace place)
{
    switch (place) {
    case AlertPlace::onScreen: log.note("SpringBoard shows a USSD alert on screen"); break;
    case AlertPlace::offScreen: log.note("SpringBoard shows a USSD alert off screen (hidden from the user)"); break;
    case AlertPlace::closed:
    case AlertPlace::notShown: log.note("SpringBoard's USSD alert was closed as soon as it was shown"); break;
    }
}

} // namespace

void World::presentUSSDAlert(const std::string& text, bool allowsResponse, bool waitsForChoice)
{
    rt::id alert = m_springBoard->buildUSSDAlert(text, allowsResponse, waitsForChoice);
    if (!alert)
        return;
    if (m_alertVisibleDelay.count() <= 0) {
        m_springBoard->showUSSDAlert(alert);
        noteAlertShown(*m_log, m_springBoard->alertPlace(alert));
        return;
    }
    m_log->note("SpringBoard builds a USSD alert; it becomes visible " + secondsText(m_alertVisibleDelay) + " later");
    m_device->schedule(m_springBoardProcess->mainRunLoop(), now().adding(m_alertVisibleDelay), [this, alert] {
        if (m_springBoard->alertPlace(alert) == AlertPlace::closed) {
            m_log->note("SpringBoard's USSD alert was closed before it became visible");
            return;
        }
        m_springBoard->showUSSDAlert(alert);
        noteAlertShown(*m_log, m_springBoard->alertPlace(alert));
    });
}

} // namespace sim
