// End-to-end tests of quorveld against the real ModemManager: one harness
// (real_modemmanager.py: a private system bus, the real polkitd, the real
// ModemManager in a private mount namespace, the emulated AT modem) is
// started per suite, since ModemManager takes about 10 s to probe a modem;
// each test has its own session bus, device root and quorveld, as in
// LinuxHostTest, on the suite's system bus.
//
// The suite skips, saying why, when it is not run as root (the mount
// namespace needs it) or when unshare, ModemManager, polkitd or mmcli is
// missing. Teardown stops the harness's process group (SIGTERM, then
// SIGKILL); its children die with it.
#pragma once

#include "LinuxHostFixture.h"

#include <string>
#include <vector>

namespace linuxhost::test {

class RealModemManagerTest : public LinuxHostTest {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    // One request to the emulated modem's control socket (a JSON object);
    // its JSON reply, or "" (and a test failure) when the socket fails.
    std::string modem(const std::string& requestJson);
    // The same to the second modem of a suite that runs two (useTwoModems()).
    std::string secondModem(const std::string& requestJson);
    // How the network answers a code; extraJson adds fields ("\"action\": 1").
    void answer(const std::string& code, const std::string& text, const std::string& extraJson = "");
    void deliverSms(const std::string& sender, const std::string& text, int parts = 1);
    void networkUssd(const std::string& text, int action = 0);

    CommandResult mmcli(const std::vector<std::string>& arguments);
    // Waits until ModemManager exports the modem (any index), then enables it.
    bool enableModem();
    // Stops ModemManager and starts it again on the same modem.
    void restartModemManager();

    // What the emulated modem logged since this test began ("<- AT..." lines
    // are what ModemManager sent it).
    std::string modemLog() const;
    size_t modemLogCount(const std::string& part) const;
    static std::string json(const std::string& text);

    // For a suite's SetUpTestSuite(), before the base's: the harness runs two
    // emulated modems (another IMEI, SIM and home network: SECOND_MODEM in
    // real_modemmanager.py), and each test starts with both enabled.
    static void useTwoModems() { s_modems = 2; }
    // Waits until ModemManager exports every modem of the suite, then enables each.
    bool enableEveryModem();

private:
    void clearMessages();
    std::string control(const std::string& socketPath, const std::string& requestJson);

    static std::string s_skip;
    static std::filesystem::path s_folder;
    static std::string s_bus;
    static std::string s_control;
    static std::string s_control2;
    static int s_modems;
    static pid_t s_harness;
    size_t m_modemLogStart = 0;
};

} // namespace linuxhost::test
