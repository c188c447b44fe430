// The device the platform runs on: its clock, its scheduler of run-loop work,
// its Darwin bus, its hardware model and the services behind the platform calls.
//
//   Device device(std::make_unique<VirtualClock>(start));   // host (simulator, tests)
//   DeviceScope on(device);                                  // makes it current
//   device.runFor(Seconds(300));                             // virtual time moves only here
//
// Exactly one device is current at a time; module code reaches it only through
// the platform calls (now(), RunLoop::current(), CTCallDial, ...), never by name.
// Single-threaded: everything runs on the thread that drives the device.
#pragma once

#include "platform/foundation/Date.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace platform {

class Process;
class RunLoop;
class DarwinNotificationCenter;
class TelephonyService;
class UserNotificationService;

// Where "now" comes from. Virtual clocks move only when the device runs for a span.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Date now() const = 0;
    // Moves the clock to `t` (never backwards). A real clock waits until then.
    virtual void advanceTo(Date t) = 0;
};

class VirtualClock final : public Clock {
public:
    explicit VirtualClock(Date start) : m_now(start) {}
    Date now() const override { return m_now; }
    void advanceTo(Date t) override { if (t > m_now) m_now = t; }
private:
    Date m_now;
};

class RealClock final : public Clock {
public:
    Date now() const override;
    void advanceTo(Date t) override; // sleeps until t (host side only)
};

// Services the simulated device provides behind the platform calls.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void openURL(const std::string& url) = 0;
};

class Device {
public:
    explicit Device(std::unique_ptr<Clock> clock);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    static Device& current();            // asserts that one is current
    static Device* currentOrNull();

    Clock& clock() { return *m_clock; }
    Date now() const { return m_clock->now(); }

    DarwinNotificationCenter& darwinCenter() { return *m_darwin; }

    // Processes register themselves when constructed.
    const std::vector<Process*>& processes() const { return m_processes; }

    std::string hardwareModel = "iPhone4,1";  // answered for "hw.machine"
    TelephonyService* telephony = nullptr;    // set by the host; CTCallDial goes here
    UrlOpener* urlOpener = nullptr;
    UserNotificationService* userNotifications = nullptr; // set by the host; postUserNotification goes here

    // Runs due run-loop work in order of due time, then of scheduling, moving the
    // clock to each item's due time; afterwards the clock stands at the end.
    void runFor(Micros span);
    void runFor(Seconds span) { runFor(toMicros(span)); }
    // Any other duration (runFor(5s), runFor(300ms)) without an ambiguous conversion.
    template <class Rep, class Period>
    void runFor(std::chrono::duration<Rep, Period> span)
    {
        if constexpr (std::is_floating_point_v<Rep>) runFor(toMicros(std::chrono::duration_cast<Seconds>(span)));
        else runFor(std::chrono::duration_cast<Micros>(span));
    }
    void runUntil(Date end);
    // Runs everything due now (work scheduled "immediately", posts to run loops)
    // without moving the clock.
    void runPending() { runUntil(now()); }

    // Scheduler interface used by RunLoop. Returns the entry's sequence number.
    uint64_t schedule(RunLoop& loop, Date due, std::function<void()> work);
    void cancel(uint64_t sequence);
    size_t pendingCount() const;
    // When the earliest pending work is due (nullopt when nothing is pending):
    // a host on the real clock waits until then, or until an event of its own.
    std::optional<Date> nextDueDate() const;
    // Drops every pending entry of that run loop (its process is going away).
    void cancelAll(RunLoop& loop);

    // Hooks for Process registration.
    void attach(Process* p);
    void detach(Process* p);

private:
    struct Impl;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<DarwinNotificationCenter> m_darwin;
    std::vector<Process*> m_processes;
    std::unique_ptr<Impl> m_impl;
    Device* m_previous = nullptr;
    friend class DeviceScope;
};

// Makes a device current for the scope (the constructor of Device does not).
class DeviceScope {
public:
    explicit DeviceScope(Device& d);
    ~DeviceScope();
    DeviceScope(const DeviceScope&) = delete;
    DeviceScope& operator=(const DeviceScope&) = delete;
private:
    Device* m_previous;
};

// The current time on the current device: the only "now" module code may read.
Date now();

} // namespace platform
