// A simulated process of the device (SpringBoard, Settings): its main run loop,
// its local notification centre and its telephony notification centre.
//
//   Process springboard(device, "SpringBoard", "com.apple.springboard");
//   { ProcessScope in(springboard); engineStart(); }   // code now runs "inside" it
//
// The run loop makes its process current while it runs work, so callbacks
// always see their own process through Process::current(). Host code that calls
// into a module directly opens a ProcessScope.
#pragma once

#include <memory>
#include <string>

namespace platform {

class Device;
class RunLoop;
class LocalNotificationCenter;
class TelephonyNotificationCenter;

class Process {
public:
    Process(Device& device, std::string name, std::string bundleIdentifier);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    static Process& current();          // asserts that one is current
    static Process* currentOrNull();

    Device& device() { return m_device; }
    const std::string& name() const { return m_name; }
    const std::string& bundleIdentifier() const { return m_bundleIdentifier; }

    RunLoop& mainRunLoop() { return *m_runLoop; }
    LocalNotificationCenter& localCenter() { return *m_local; }
    TelephonyNotificationCenter& telephonyCenter() { return *m_telephony; }

private:
    friend class ProcessScope;
    Device& m_device;
    std::string m_name;
    std::string m_bundleIdentifier;
    std::unique_ptr<RunLoop> m_runLoop;
    std::unique_ptr<LocalNotificationCenter> m_local;
    std::unique_ptr<TelephonyNotificationCenter> m_telephony;
};

class ProcessScope {
public:
    explicit ProcessScope(Process& p);
    ~ProcessScope();
    ProcessScope(const ProcessScope&) = delete;
    ProcessScope& operator=(const ProcessScope&) = delete;
private:
    Process* m_previous;
};

} // namespace platform
