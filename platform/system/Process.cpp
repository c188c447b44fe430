#include "platform/system/Process.h"

#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/telephony/CoreTelephony.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

Process* g_currentProcess = nullptr;

} // namespace

Process::Process(Device& device, std::string name, std::string bundleIdentifier)
    : m_device(device)
    , m_name(std::move(name))
    , m_bundleIdentifier(std::move(bundleIdentifier))
    , m_runLoop(std::make_unique<RunLoop>(device, *this))
    , m_local(std::make_unique<LocalNotificationCenter>())
    , m_telephony(std::make_unique<TelephonyNotificationCenter>(*this))
{
    m_device.attach(this);
}

Process::~Process()
{
    // Nothing may reach this process once it is gone: no Darwin delivery is
    // queued for it and none of its run-loop work or timers fire.
    m_device.darwinCenter().removeObserversOfProcess(this);
    m_runLoop->cancelAll();
    m_device.detach(this);
    if (g_currentProcess == this)
        g_currentProcess = nullptr;
}

Process& Process::current()
{
    if (!g_currentProcess) {
        std::fputs("platform: no process is current (open a ProcessScope)\n", stderr);
        std::abort();
    }
    return *g_currentProcess;
}

Process* Process::currentOrNull()
{
    return g_currentProcess;
}

ProcessScope::ProcessScope(Process& p)
    : m_previous(g_currentProcess)
{
    g_currentProcess = &p;
}

ProcessScope::~ProcessScope()
{
    g_currentProcess = m_previous;
}

} // namespace platform
