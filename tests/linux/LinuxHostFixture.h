// End-to-end tests of quorveld with no modem: each test starts two private
// buses (dbus-daemon with test-bus.conf, one as the system bus and one as the
// session bus), the mock ModemManager (python3-dbusmock with modemmanager.py),
// on demand dbusmock's logind, and the built daemon, all with
// DBUS_SYSTEM_BUS_ADDRESS and DBUS_SESSION_BUS_ADDRESS pointing at the
// private buses, each in a process group of its own. Teardown stops every
// group it started (SIGTERM, then SIGKILL), whatever the test did.
//
// Waits are bounded: a condition is polled until a deadline, never a fixed sleep.
#pragma once

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace linuxhost::test {

struct Child {
    pid_t pid = -1;
    std::string name;
    std::filesystem::path out;
    std::filesystem::path err;
};

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

class LinuxHostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The mock modem (and, for lock tests, logind with one session "c1").
    // `parameters`: the mock's JSON parameters (see modemmanager.py).
    void startModemManager(const std::string& parameters = "");
    // Stops the mock and waits until its name is gone.
    void stopModemManager();
    void startLogind();
    // quorveld --root root() --log-file log(); waits until it runs. Without
    // `withRoot` the daemon picks its root itself (or from extraArguments).
    void startDaemon(std::vector<std::string> extraArguments = {}, bool withRoot = true);
    // SIGTERM; the exit status (or -1 when it had to be killed).
    int stopDaemon();
    // Waits for the daemon to end by itself: its exit status, -2 when it
    // still runs at the deadline, -1 when it was killed by a signal.
    int waitDaemonExit(std::chrono::milliseconds limit);
    // Stops the private "system" or "session" bus (its dbus-daemon).
    void stopBus(const std::string& role);
    GDBusConnection* sessionBus() const { return m_session; }
    // For clients of their own (a connection each, as separate programs have).
    const std::string& sessionAddress() const { return m_sessionAddress; }
    // A connection of its own to the private session bus, as another program
    // has (the caller unrefs it); nullptr, with a test failure, when it cannot.
    GDBusConnection* newSessionConnection();

    // Calls a method of the mock's control interface (org.freedesktop.DBus.Mock).
    void mock(const char* method, GVariant* arguments);
    // A method call on the system bus; nullptr (and a test failure) on error.
    GVariant* systemCall(const char* name, const char* path, const char* interface, const char* method,
                         GVariant* arguments);

    // Runs a program to its end with the private buses (bounded).
    CommandResult run(const std::vector<std::string>& argv, std::chrono::seconds limit = std::chrono::seconds(15));
    CommandResult quorvel(const std::vector<std::string>& arguments) { return run(prepend(binary("quorvel"), arguments)); }
    // `quorvel refresh`, asked again until the daemon lets one through to the
    // engine: a request within a few seconds of the last, or while a dial
    // awaits its answer, is coalesced with it. False when none went through.
    bool refreshTaken(std::chrono::milliseconds limit = std::chrono::seconds(15));

    // The codes and settings stores under the device root.
    void writeCodes(const std::string& plistXml);
    void writeSettings(const std::string& plistXml);
    std::string codesStore() const;

    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));
    bool waitForLog(const std::string& part, std::chrono::milliseconds limit = std::chrono::seconds(10));
    std::string log() const;
    size_t logCount(const std::string& part) const;

    const std::filesystem::path& root() const { return m_root; }
    const std::filesystem::path& folder() const { return m_folder; }
    static std::string binary(const std::string& name);

    // A system bus shared by a whole suite (the real ModemManager's), used
    // instead of a private one of the test's own; call before SetUp().
    void useSystemBus(std::string address) { m_sharedSystemBus = std::move(address); }
    Child spawn(const std::string& name, const std::vector<std::string>& argv);
    void stop(Child& child);

private:
    static std::vector<std::string> prepend(std::string first, const std::vector<std::string>& rest);
    std::string startBus(const std::string& role);
    bool nameHasOwner(GDBusConnection* bus, const char* name);
    std::vector<std::string> environment() const;

    std::filesystem::path m_folder;
    std::filesystem::path m_root;
    std::string m_systemAddress;
    std::string m_sharedSystemBus;
    std::string m_sessionAddress;
    GDBusConnection* m_system = nullptr;
    GDBusConnection* m_session = nullptr;
    std::vector<Child> m_children;
    pid_t m_mockPid = -1;
    Child m_daemon;
    std::vector<std::string> m_extraEnvironment;

protected:
    void setEnvironment(const std::string& assignment) { m_extraEnvironment.push_back(assignment); }
};

std::string readText(const std::filesystem::path& file);

} // namespace linuxhost::test
