// A device with SpringBoard and the Settings application, the Settings
// process current, a temporary device root, a recording carrier and URL
// opener, the captured log, and the Settings screens on a navigation stack
// in a 320 x 480 window (below the status bar), as the Settings
// application shows them.
#pragma once

#include "common/QuorvelNames.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UISwitch.h"
#include "settings/CodesViewController.h"
#include "settings/NewCommandVC.h"
#include "settings/SelectFieldsVC.h"
#include "settings/WizardState.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace settings_test {

using namespace platform;

struct RecordingCarrier : TelephonyService {
    struct Dial {
        std::string process;
        std::string number;
        // Darwin notifications posted before the dial, in order.
        std::vector<std::string> postedBefore;
    };
    void dial(Process& from, const std::string& number) override
    {
        dials.push_back({from.name(), number, Device::current().darwinCenter().postedNames()});
    }
    std::vector<Dial> dials;
};

struct RecordingOpener : UrlOpener {
    void openURL(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

class SettingsFixture : public ::testing::Test {
protected:
    SettingsFixture()
    {
        device.telephony = &carrier;
        device.urlOpener = &opener;
        quorvel::resetWizardStateForTesting();
        inSettings = std::make_unique<ProcessScope>(settings);
        app = std::make_unique<UIApplication>(settings);
        window = std::make_shared<UIView>(UIScreen::bounds());
    }

    ~SettingsFixture() override
    {
        // Screens first (they observe the process's centres), then the state
        // the bundle keeps for the process, then the process itself.
        quorvel::resetWizardStateForTesting();
        codes.reset();
        nav.reset();
        window.reset();
        app.reset();
        inSettings.reset();
    }

    // The codes list as the root of the stack, on screen.
    void openCodesList()
    {
        codes = std::make_shared<quorvel::CodesViewController>();
        nav = UINavigationController::withRootViewController(codes);
        auto content = nav->view();
        content->setFrame(UIScreen::applicationFrame());
        window->addSubview(content);
        nav->viewWillAppear(false);
    }

    // "+" on the codes list: the command screen on top.
    std::shared_ptr<quorvel::NewCommandVC> openWizard()
    {
        if (!nav)
            openCodesList();
        EXPECT_TRUE(codes->navigationItem().rightBarButtonItem()->tap());
        return std::dynamic_pointer_cast<quorvel::NewCommandVC>(nav->topViewController());
    }

    std::shared_ptr<quorvel::SelectFieldsVC> fieldTitleScreen() const
    {
        return std::dynamic_pointer_cast<quorvel::SelectFieldsVC>(nav ? nav->topViewController() : nullptr);
    }

    // Types the command and taps "Next", the SMS switch as given.
    void dialFromWizard(quorvel::NewCommandVC& screen, const std::string& command, bool bySms = false)
    {
        screen.tfUSSDCommand->setText(command);
        if (auto sw = std::dynamic_pointer_cast<UISwitch>(screen.view()->viewWithTag(300)))
            sw->setOnByUser(bySms);
        EXPECT_TRUE(screen.navigationItem().rightBarButtonItem()->tap());
        device.runPending();
    }

    // The telephony service delivers a USSD text to every process.
    void deliverUssd(const std::optional<std::string>& text)
    {
        Dict userInfo;
        if (text)
            userInfo[kCTUSSDSessionString] = *text;
        postTelephonyNotification(device, kCTUSSDSessionStringNotification, &userInfo);
        device.runPending();
    }

    // The engine's part of an SMS answer: the hand-off file, then the Darwin notification.
    void handOverSms(const Dict& handoff)
    {
        writeDictionaryAtomically(quorvel::kSmsHandoffPath, handoff);
        device.darwinCenter().post(quorvel::kSmsReplyStoredNotification, nullptr, nullptr, true);
        device.runPending();
    }

    void writeCodes(const Array& records) { writeDictionaryAtomically(quorvel::kCodesStorePath, Dict{{quorvel::kCodesKey, records}}); }
    Value storedCodes() const { return Value(readDictionary(quorvel::kCodesStorePath))[quorvel::kCodesKey]; }

    std::shared_ptr<UIAlertView> topAlert() const { return app->topAlert(); }

    bool logged(const std::string& line) const { return log.contains(line); }
    size_t countLogged(const std::string& line) const { return log.count(line); }
    size_t darwinPosts(const std::string& name)
    {
        const auto& posted = device.darwinCenter().postedNames();
        return static_cast<size_t>(std::count(posted.begin(), posted.end(), name));
    }

    quorvel::test::TempDeviceRoot tempRoot;
    Device device{std::make_unique<VirtualClock>(Date::fromMicros(int64_t(1796720400) * 1000000))};
    DeviceScope currentDevice{device};
    Process springboard{device, "SpringBoard", "com.apple.springboard"};
    Process settings{device, "Preferences", "com.apple.Preferences"};
    RecordingCarrier carrier;
    RecordingOpener opener;
    quorvel::test::LogCapture log;
    std::unique_ptr<ProcessScope> inSettings;
    std::unique_ptr<UIApplication> app;
    std::shared_ptr<UIView> window;
    std::shared_ptr<UINavigationController> nav;
    std::shared_ptr<quorvel::CodesViewController> codes;
};

inline Dict codeRecord(const std::string& command, int fieldCount)
{
    // Built key by key: brace lists of values trip GCC 12's uninitialised-variant warning here.
    Array fields;
    for (int i = 0; i < fieldCount; ++i) {
        Dict field;
        field["title"] = "T" + std::to_string(i);
        field["index"] = i;
        fields.push_back(field);
    }
    Dict record;
    record["ussdCode"] = command;
    record["fields"] = fields;
    record["expectedNumbers"] = fieldCount;
    return record;
}

} // namespace settings_test
