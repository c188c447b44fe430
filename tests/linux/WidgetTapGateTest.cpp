// The page's taps on the widget pass the same refresh gate as the session
// bus's Refresh: the real home screen and engine on a device of virtual
// time, a modem that counts the dials it is given.
#include "common/QuorvelNames.h"
#include "host/linux/HomeScreen.h"
#include "host/linux/LinuxPhone.h"
#include "host/linux/Registration.h"
#include "host/linux/SettingsScreen.h"
#include "host/linux/WidgetTexts.h"
#include "host/common/widget/WidgetHost.h"
#include "host/web/PageDrawing.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Log.h"
#include "platform/system/Device.h"
#include "platform/telephony/CoreTelephony.h"
#include "platform/ui/UIView.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace linuxhost {
namespace {

class CountingModem final : public platform::TelephonyService {
public:
    void dial(platform::Process&, const std::string&) override { ++dials; }
    int dials = 0;
};

TEST(WidgetTapGate, TapsOnTheRefreshLineAreCoalescedWhileADialAwaitsItsAnswer)
{
    const auto root = std::filesystem::temp_directory_path() / ("quorvel-tapgate-" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "var/mobile/Library/Preferences");
    std::ofstream(root.string() + quorvel::kCodesStorePath)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>codes</key><array>"
           "<dict><key>ussdCode</key><string>*100#</string><key>expectedNumbers</key><integer>1</integer>"
           "<key>fields</key><array><dict><key>title</key><string>Balance</string><key>index</key><integer>0</integer>"
           "</dict></array></dict></array></dict></plist>\n";
    platform::setDeviceRoot(root.string());
    std::vector<std::string> log;
    platform::setLogSink([&](const std::string& line) { log.push_back(line); });
    auto count = [&](const std::string& part) {
        return std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    {
        platform::Device device(std::make_unique<platform::VirtualClock>(platform::Date::fromMicros(int64_t(1796720400) * 1000000)));
        platform::DeviceScope on(device);
        // On the home network, as the daemon starts before the modem says otherwise.
        ASSERT_TRUE(applyRegistration(Registration{}));
        HomeScreen home(device, root.string());
        ASSERT_TRUE(home.start());
        CountingModem modem;
        home.useTelephony(&modem, nullptr);
        SettingsScreen settings(device);
        LinuxPhone phone(device, home, settings);
        ASSERT_TRUE(phone.showApp(host::PageApp::notificationCenter).ok);
        phone.stateJson();

        ASSERT_NE(home.widgetHost(), nullptr);
        auto view = home.widgetHost()->view();
        auto line = view->viewWithTag(kRefreshLineTag);
        ASSERT_NE(line, nullptr);
        const platform::CGRect frame = view->convertRectFromView(line->bounds(), line.get());
        const platform::CGPoint origin = host::notificationCenterSvg(view.get()).viewOrigin;
        const platform::CGPoint onTheLine{origin.x + frame.origin.x + frame.size.width / 2,
                                          origin.y + frame.origin.y + frame.size.height / 2};

        for (int i = 0; i < 500; ++i)
            ASSERT_TRUE(phone.tapWidget(onTheLine).ok);
        EXPECT_EQ(modem.dials, 1);
        EXPECT_EQ(count("quorveld: refresh asked for over the page"), 1);
        EXPECT_EQ(count("quorveld: a refresh asked for over the page is coalesced: a cycle is in flight"), 1);

        // The modem never answers: the wait for it is bounded.
        device.runFor(platform::Seconds(RefreshGate::kAnswerBound + 1));
        ASSERT_TRUE(phone.tapWidget(onTheLine).ok);
        EXPECT_EQ(modem.dials, 2);
        EXPECT_EQ(count("quorveld: refresh asked for over the page (499 coalesced before it)"), 1);
        home.useTelephony(nullptr, nullptr);
    }
    platform::setLogSink(nullptr);
    std::filesystem::remove_all(root);
}

} // namespace
} // namespace linuxhost
