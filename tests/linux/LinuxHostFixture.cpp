#include "LinuxHostFixture.h"

#include "host/linux/client/BusNames.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace linuxhost::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Debian's interpreter, where python3-dbusmock is installed, whatever else is on PATH.
constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kPollStep = 20ms;
constexpr auto kStartLimit = 15s;

std::string sourceFile(const std::string& name)
{
    return std::string(QUORVEL_SOURCE_DIR) + "/tests/linux/" + name;
}

int waitExit(pid_t pid, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0)
            return -1;
        if (std::chrono::steady_clock::now() > deadline)
            return -2;
        std::this_thread::sleep_for(5ms);
    }
}

} // namespace

std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string LinuxHostTest::binary(const std::string& name)
{
    const char* bin = std::getenv("QUORVEL_BIN_DIR");
    return std::string(bin && *bin ? bin : QUORVEL_BUILD_DIR "/bin") + "/" + name;
}

std::vector<std::string> LinuxHostTest::prepend(std::string first, const std::vector<std::string>& rest)
{
    std::vector<std::string> all{std::move(first)};
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}

void LinuxHostTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "quorvel-linux-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    m_folder = buffer.data();
    m_root = m_folder / "root";
    fs::create_directories(m_root / "var/mobile/Library/Preferences");
    m_systemAddress = m_sharedSystemBus.empty() ? startBus("system") : m_sharedSystemBus;
    m_sessionAddress = startBus("session");
    ASSERT_FALSE(m_systemAddress.empty());
    ASSERT_FALSE(m_sessionAddress.empty());
    GError* error = nullptr;
    m_system = g_dbus_connection_new_for_address_sync(
        m_systemAddress.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    ASSERT_NE(m_system, nullptr) << error->message;
    m_session = g_dbus_connection_new_for_address_sync(
        m_sessionAddress.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    ASSERT_NE(m_session, nullptr) << error->message;
}

void LinuxHostTest::TearDown()
{
    if (m_daemon.pid > 0)
        stop(m_daemon);
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        stop(*it);
    m_children.clear();
    if (m_system)
        g_object_unref(m_system);
    if (m_session)
        g_object_unref(m_session);
    if (HasFailure() && !m_folder.empty())
        std::cerr << "daemon log:\n" << log() << "\nmock log:\n" << readText(m_folder / "mock.out") << "\n";
    std::error_code ignored;
    if (!m_folder.empty())
        fs::remove_all(m_folder, ignored);
}

GDBusConnection* LinuxHostTest::newSessionConnection()
{
    GError* error = nullptr;
    GDBusConnection* c = g_dbus_connection_new_for_address_sync(
        sessionAddress().c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    EXPECT_TRUE(c) << (error ? error->message : "");
    if (error)
        g_error_free(error);
    return c;
}

std::vector<std::string> LinuxHostTest::environment() const
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        // Nothing of the machine's own buses or session leaks into a test.
        if (entry.rfind("DBUS_", 0) == 0 || entry.rfind("XDG_SESSION_ID=", 0) == 0 ||
            entry.rfind("XDG_STATE_HOME=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + m_systemAddress);
    env.push_back("DBUS_SESSION_BUS_ADDRESS=" + m_sessionAddress);
    env.push_back("XDG_STATE_HOME=" + (m_folder / "state").string());
    // The mock's call log is read while it runs: no buffering in between.
    env.push_back("PYTHONUNBUFFERED=1");
    env.insert(env.end(), m_extraEnvironment.begin(), m_extraEnvironment.end());
    return env;
}

Child LinuxHostTest::spawn(const std::string& name, const std::vector<std::string>& argv)
{
    Child child{-1, name, m_folder / (name + ".out"), m_folder / (name + ".err")};
    std::vector<std::string> env = environment();
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int out = open(child.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(child.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    setpgid(pid, pid);
    child.pid = pid;
    return child;
}

void LinuxHostTest::stop(Child& child)
{
    if (child.pid <= 0)
        return;
    kill(-child.pid, SIGTERM);
    if (waitExit(child.pid, 5000ms) == -2) {
        kill(-child.pid, SIGKILL);
        waitExit(child.pid, 5000ms);
    }
    // Anything the child left in its group goes too.
    kill(-child.pid, SIGKILL);
    child.pid = -1;
}

std::string LinuxHostTest::startBus(const std::string& role)
{
    Child bus = spawn(role + "-bus", {"/usr/bin/dbus-daemon", "--config-file=" + sourceFile("test-bus.conf"), "--nofork",
                                      "--print-address=1"});
    m_children.push_back(bus);
    std::string address;
    waitFor([&] {
        std::string text = readText(bus.out);
        auto end = text.find('\n');
        if (end == std::string::npos)
            return false;
        address = text.substr(0, end);
        return true;
    }, kStartLimit);
    return address;
}

bool LinuxHostTest::nameHasOwner(GDBusConnection* bus, const char* name)
{
    return linuxhost::nameHasOwner(bus, name, 2000);
}

void LinuxHostTest::startModemManager(const std::string& parameters)
{
    std::vector<std::string> argv{kPython, "-m", "dbusmock", "--system", "--template", sourceFile("modemmanager.py")};
    if (!parameters.empty()) {
        argv.push_back("--parameters");
        argv.push_back(parameters);
    }
    m_children.push_back(spawn("mock", argv));
    m_mockPid = m_children.back().pid;
    ASSERT_TRUE(waitFor([&] { return nameHasOwner(m_system, "org.freedesktop.ModemManager1"); }, kStartLimit))
        << readText(m_children.back().err);
}

void LinuxHostTest::stopModemManager()
{
    for (Child& child : m_children)
        if (child.pid == m_mockPid && child.pid > 0)
            stop(child);
    m_mockPid = -1;
    ASSERT_TRUE(waitFor([&] { return !nameHasOwner(m_system, "org.freedesktop.ModemManager1"); }, kStartLimit));
}

void LinuxHostTest::startLogind()
{
    m_children.push_back(spawn("logind", {kPython, "-m", "dbusmock", "--system", "--template", "logind"}));
    ASSERT_TRUE(waitFor([&] { return nameHasOwner(m_system, "org.freedesktop.login1"); }, kStartLimit))
        << readText(m_children.back().err);
    GVariant* added = systemCall("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
                                 "AddSession", g_variant_new("(ssusb)", "c1", "seat0", 1000u, "user", TRUE));
    if (added)
        g_variant_unref(added);
    setEnvironment("XDG_SESSION_ID=c1");
}

void LinuxHostTest::startDaemon(std::vector<std::string> extraArguments, bool withRoot)
{
    std::vector<std::string> argv{binary("quorveld"), "--log-file", (m_folder / "daemon.log").string()};
    if (withRoot) {
        argv.push_back("--root");
        argv.push_back(m_root.string());
    }
    argv.insert(argv.end(), extraArguments.begin(), extraArguments.end());
    m_daemon = spawn("daemon", argv);
    ASSERT_TRUE(waitForLog("quorveld: running", kStartLimit)) << readText(m_daemon.err);
    ASSERT_TRUE(waitFor([&] { return nameHasOwner(m_session, "org.quillmoor.Quorvel1"); }, kStartLimit));
}

int LinuxHostTest::stopDaemon()
{
    if (m_daemon.pid <= 0)
        return -1;
    kill(m_daemon.pid, SIGTERM);
    int status = waitExit(m_daemon.pid, 5000ms);
    if (status == -2)
        stop(m_daemon);
    m_daemon.pid = -1;
    return status;
}

int LinuxHostTest::waitDaemonExit(std::chrono::milliseconds limit)
{
    if (m_daemon.pid <= 0)
        return -1;
    int status = waitExit(m_daemon.pid, limit);
    if (status != -2)
        m_daemon.pid = -1;
    return status;
}

void LinuxHostTest::stopBus(const std::string& role)
{
    for (Child& child : m_children)
        if (child.name == role + "-bus")
            stop(child);
}

GVariant* LinuxHostTest::systemCall(const char* name, const char* path, const char* interface, const char* method,
                                    GVariant* arguments)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(m_system, name, path, interface, method, arguments, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (!reply) {
        ADD_FAILURE() << method << ": " << error->message;
        g_error_free(error);
    }
    return reply;
}

void LinuxHostTest::mock(const char* method, GVariant* arguments)
{
    GVariant* reply = systemCall("org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1",
                                 "org.freedesktop.DBus.Mock", method, arguments);
    if (reply)
        g_variant_unref(reply);
}

CommandResult LinuxHostTest::run(const std::vector<std::string>& argv, std::chrono::seconds limit)
{
    static std::atomic<int> count = 0;
    Child child = spawn("run" + std::to_string(++count), argv);
    int status = waitExit(child.pid, limit);
    if (status == -2)
        stop(child);
    return {status, readText(child.out), readText(child.err)};
}

void LinuxHostTest::writeCodes(const std::string& plistXml)
{
    std::ofstream(m_root / "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist") << plistXml;
}

void LinuxHostTest::writeSettings(const std::string& plistXml)
{
    std::ofstream(m_root / "var/mobile/Library/Preferences/org.quillmoor.quorvelpref.plist") << plistXml;
}

std::string LinuxHostTest::codesStore() const
{
    return readText(m_root / "var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist");
}

bool LinuxHostTest::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

std::string LinuxHostTest::log() const
{
    return readText(m_folder / "daemon.log");
}

bool LinuxHostTest::refreshTaken(std::chrono::milliseconds limit)
{
    const std::string taken = "quorveld: refresh asked for over the session bus";
    const size_t before = logCount(taken);
    return waitFor([&] {
        if (quorvel({"refresh"}).status != 0)
            return false;
        return waitFor([&] { return logCount(taken) > before; }, std::chrono::milliseconds(700));
    }, limit);
}

bool LinuxHostTest::waitForLog(const std::string& part, std::chrono::milliseconds limit)
{
    return waitFor([&] { return log().find(part) != std::string::npos; }, limit);
}

size_t LinuxHostTest::logCount(const std::string& part) const
{
    std::string text = log();
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

} // namespace linuxhost::test
