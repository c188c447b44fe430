#include "RealModemManagerFixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace linuxhost::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string RealModemManagerTest::s_skip;
fs::path RealModemManagerTest::s_folder;
std::string RealModemManagerTest::s_bus;
std::string RealModemManagerTest::s_control;
std::string RealModemManagerTest::s_control2;
int RealModemManagerTest::s_modems = 1;
pid_t RealModemManagerTest::s_harness = -1;

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kHarnessStart = 20s;
// ModemManager probes for about 10 s after it starts (more on a busy machine).
constexpr auto kModemExport = 60s;
constexpr auto kHarnessStop = 15s;
constexpr size_t kMaxReply = 1 << 20;

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

bool exitedWithin(pid_t pid, std::chrono::milliseconds limit, int* status = nullptr)
{
    int ignored = 0;
    return waitUntil([&] { return waitpid(pid, status ? status : &ignored, WNOHANG) == pid; }, limit);
}

// A string field of the harness's ready.json (no escapes in what it writes).
std::string field(const std::string& text, const std::string& name)
{
    std::string key = "\"" + name + "\": \"";
    size_t at = text.find(key);
    if (at == std::string::npos)
        return "";
    at += key.size();
    size_t end = text.find('"', at);
    return end == std::string::npos ? "" : text.substr(at, end - at);
}

// Whether this machine can run the harness; the reason when it cannot.
std::string whyNot()
{
    if (geteuid() != 0)
        return "the real ModemManager's tests need root (a private mount namespace for its made-up sysfs)";
    for (const char* program : {"/usr/bin/unshare", "/usr/sbin/ModemManager", "/usr/lib/polkit-1/polkitd",
                                "/usr/bin/mmcli", "/usr/bin/dbus-daemon", "/usr/bin/setpriv", kPython})
        if (access(program, X_OK) != 0)
            return std::string(program) + " is missing";
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl("/usr/bin/unshare", "unshare", "--mount", "--", "/bin/true", nullptr);
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || !exitedWithin(pid, 10s, &status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "unshare --mount is refused here (no private mount namespace)";
    return "";
}

} // namespace

void RealModemManagerTest::SetUpTestSuite()
{
    s_skip = whyNot();
    if (!s_skip.empty())
        return;
    std::string pattern = (fs::temp_directory_path() / "quorvel-mm-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        s_skip = "cannot make a temporary folder";
        return;
    }
    s_folder = buffer.data();
    std::string script = std::string(QUORVEL_SOURCE_DIR) + "/tests/linux/real_modemmanager.py";
    std::string harnessFolder = (s_folder / "mm").string();
    std::string out = (s_folder / "harness.out").string();
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int log = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(log, 1);
        dup2(log, 2);
        const std::string modems = std::to_string(s_modems);
        execl(kPython, kPython, script.c_str(), "--folder", harnessFolder.c_str(), "--modems", modems.c_str(), nullptr);
        _exit(127);
    }
    setpgid(pid, pid);
    s_harness = pid;
    fs::path ready = s_folder / "mm/ready.json";
    if (!waitUntil([&] { return fs::exists(ready); }, kHarnessStart)) {
        s_skip = "";
        ADD_FAILURE() << "the harness did not start:\n" << readText(out);
        return;
    }
    std::string text = readText(ready);
    s_bus = field(text, "system_bus");
    s_control = field(text, "control");
    s_control2 = field(text, "control2");
}

void RealModemManagerTest::TearDownTestSuite()
{
    if (s_harness > 0) {
        kill(-s_harness, SIGTERM);
        if (!exitedWithin(s_harness, kHarnessStop)) {
            // Its children die with it (PR_SET_PDEATHSIG); their groups go too.
            std::istringstream pids(readText(s_folder / "mm/children.pids"));
            kill(-s_harness, SIGKILL);
            for (pid_t child; pids >> child;)
                if (child > 0)
                    kill(-child, SIGKILL);
            exitedWithin(s_harness, kHarnessStop);
        }
        s_harness = -1;
    }
    std::error_code ignored;
    if (!s_folder.empty())
        fs::remove_all(s_folder, ignored);
    s_folder.clear();
}

void RealModemManagerTest::SetUp()
{
    if (!s_skip.empty())
        GTEST_SKIP() << s_skip;
    ASSERT_FALSE(s_bus.empty()) << "the harness is not running";
    m_modemLogStart = readText(s_folder / "mm/modem.log").size();
    useSystemBus(s_bus);
    LinuxHostTest::SetUp();
    if (HasFatalFailure())
        return;
    // Each test starts from an idle, unlocked and enabled modem with no
    // messages, whose network knows no code yet.
    modem(R"({"op": "release"})");
    modem(R"({"op": "forget"})");
    modem(R"({"op": "pin", "pin": ""})");
    if (s_modems > 1) {
        secondModem(R"({"op": "release"})");
        secondModem(R"({"op": "forget"})");
    }
    // Left locked by a test that stopped half-way: the SIM has no PIN any
    // more, and ModemManager sees so once it probes the modem again.
    if (mmcli({"-m", "any"}).out.find("state: locked") != std::string::npos)
        restartModemManager();
    if (s_modems > 1)
        ASSERT_TRUE(enableEveryModem()) << "the modems are not all enabled:\n" << mmcli({"-L"}).out;
    else
        ASSERT_TRUE(enableModem()) << "the modem is not enabled";
    clearMessages();
    m_modemLogStart = readText(s_folder / "mm/modem.log").size();
}

void RealModemManagerTest::TearDown()
{
    if (!s_skip.empty())
        return;
    if (HasFailure())
        std::cerr << "emulated modem log:\n" << modemLog() << "\n";
    LinuxHostTest::TearDown();
}

std::string RealModemManagerTest::json(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            continue;
        }
        out += char(c);
    }
    return out + "\"";
}

std::string RealModemManagerTest::modem(const std::string& requestJson)
{
    return control(s_control, requestJson);
}

std::string RealModemManagerTest::secondModem(const std::string& requestJson)
{
    return control(s_control2, requestJson);
}

std::string RealModemManagerTest::control(const std::string& socketPath, const std::string& requestJson)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string request = requestJson + "\n";
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        write(fd, request.data(), request.size()) != ssize_t(request.size())) {
        close(fd);
        ADD_FAILURE() << "the emulated modem's control socket fails: " << requestJson;
        return "";
    }
    std::string reply;
    char chunk[4096];
    while (reply.find('\n') == std::string::npos && reply.size() < kMaxReply) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        reply.append(chunk, size_t(n));
    }
    close(fd);
    EXPECT_NE(reply.find("\"ok\": true"), std::string::npos) << requestJson << " -> " << reply;
    return reply;
}

void RealModemManagerTest::answer(const std::string& code, const std::string& text, const std::string& extraJson)
{
    modem(R"({"op": "answer", "code": )" + json(code) + R"(, "text": )" + json(text) +
          (extraJson.empty() ? "" : ", " + extraJson) + "}");
}

void RealModemManagerTest::deliverSms(const std::string& sender, const std::string& text, int parts)
{
    modem(R"({"op": "sms", "sender": )" + json(sender) + R"(, "text": )" + json(text) +
          R"(, "parts": )" + std::to_string(parts) + "}");
}

void RealModemManagerTest::networkUssd(const std::string& text, int action)
{
    modem(R"({"op": "notify", "text": )" + json(text) + R"(, "action": )" + std::to_string(action) + "}");
}

CommandResult RealModemManagerTest::mmcli(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"/usr/bin/mmcli"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run(argv);
}

bool RealModemManagerTest::enableModem()
{
    return waitFor([&] {
        CommandResult state = mmcli({"-m", "any"});
        if (state.status != 0)
            return false;
        if (state.out.find("state: registered") != std::string::npos)
            return true;
        if (state.out.find("state: disabled") != std::string::npos)
            mmcli({"-m", "any", "-e"});
        return false;
    }, kModemExport);
}

bool RealModemManagerTest::enableEveryModem()
{
    return waitFor([&] {
        std::vector<std::string> paths;
        std::istringstream lines(mmcli({"-L"}).out);
        for (std::string line; std::getline(lines, line);) {
            const size_t at = line.find("/org/freedesktop/ModemManager1/Modem/");
            if (at != std::string::npos)
                paths.push_back(line.substr(at, line.find(' ', at) - at));
        }
        if (paths.size() < size_t(s_modems))
            return false;
        bool all = true;
        for (const std::string& path : paths) {
            CommandResult state = mmcli({"-m", path});
            if (state.out.find("state: registered") != std::string::npos)
                continue;
            all = false;
            if (state.out.find("state: disabled") != std::string::npos)
                mmcli({"-m", path, "-e"});
        }
        return all;
    }, kModemExport);
}

void RealModemManagerTest::restartModemManager()
{
    modem(R"({"op": "restart-modemmanager"})");
}

void RealModemManagerTest::clearMessages()
{
    CommandResult list = mmcli({"-m", "any", "--messaging-list-sms"});
    std::istringstream lines(list.out);
    for (std::string line; std::getline(lines, line);) {
        size_t at = line.find("/org/freedesktop/ModemManager1/SMS/");
        if (at == std::string::npos)
            continue;
        std::string path = line.substr(at, line.find(' ', at) - at);
        mmcli({"-m", "any", "--messaging-delete-sms=" + path});
    }
}

std::string RealModemManagerTest::modemLog() const
{
    std::string text = readText(s_folder / "mm/modem.log");
    return m_modemLogStart < text.size() ? text.substr(m_modemLogStart) : "";
}

size_t RealModemManagerTest::modemLogCount(const std::string& part) const
{
    std::string text = modemLog();
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

} // namespace linuxhost::test
