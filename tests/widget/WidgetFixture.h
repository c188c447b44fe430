// A device on a virtual clock (2026-12-08 09:00:00 UTC) with a SpringBoard
// process, a fresh device root with the widget bundle installed, and the
// Notification Center host that loads it, as each widget test needs.
#pragma once

#include "common/QuorvelNames.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"
#include "host/common/widget/WidgetBundle.h"
#include "host/common/widget/WidgetHost.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace widget_test {

using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

// 2026-12-08 09:00:00 UTC.
inline constexpr double kStartSeconds = 1796720400;

inline platform::Date at(double secondsAfterStart) { return platform::Date::fromSeconds(kStartSeconds + secondsAfterStart); }

inline platform::Value field(const std::string& title, const std::string& lastValue)
{
    return platform::Dict{{quorvel::kTitleKey, title}, {quorvel::kIndexKey, 0}, {quorvel::kLastValueKey, lastValue}};
}

inline platform::Value code(platform::Array fields, std::optional<platform::Date> refreshedAt = std::nullopt)
{
    platform::Dict record{{quorvel::kUssdCodeKey, "*100#"}, {quorvel::kFieldsKey, std::move(fields)},
                          {quorvel::kExpectedNumbersKey, 2}};
    if (refreshedAt)
        record[quorvel::kRefreshedAtKey] = *refreshedAt;
    return record;
}

class WidgetFixture : public ::testing::Test {
protected:
    TempDeviceRoot root;
    platform::Device device{std::make_unique<platform::VirtualClock>(platform::Date::fromSeconds(kStartSeconds))};
    platform::DeviceScope current{device};
    platform::Process springboard{device, "SpringBoard", "com.apple.springboard"};
    LogCapture log;
    std::unique_ptr<host::WidgetHost> host;
    int refreshRequests = 0;

    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(host::installWidgetBundle(&error)) << error;
        host = std::make_unique<host::WidgetHost>(springboard, "sim: ");
        // Stands in for the engine: counts the widget's refresh requests.
        springboard.localCenter().addObserver(this, quorvel::kRefreshRequestNotification,
                                              [this](const platform::Notification&) { ++refreshRequests; });
    }

    void TearDown() override
    {
        host.reset();
        springboard.localCenter().removeObserver(this);
    }

    void writeCodes(const platform::Array& codes)
    {
        ASSERT_TRUE(platform::writeDictionaryAtomically(quorvel::kCodesStorePath, {{quorvel::kCodesKey, codes}}));
    }
    void writeSettings(const platform::Dict& settings)
    {
        ASSERT_TRUE(platform::writeDictionaryAtomically(quorvel::kSettingsStorePath, settings));
    }

    // The engine's announcement, posted from inside SpringBoard.
    void announceRefresh()
    {
        platform::ProcessScope in(springboard);
        platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetLocalCenter(),
                                                       quorvel::kDataRefreshedNotification, nullptr, nullptr, true);
    }

    size_t refreshObservers() { return springboard.localCenter().observerCount(quorvel::kDataRefreshedNotification); }

    std::shared_ptr<platform::UILabel> label(int tag)
    {
        auto view = host->view();
        return view ? std::dynamic_pointer_cast<platform::UILabel>(view->viewWithTag(tag)) : nullptr;
    }

    // The plain views among the root's subviews: the grid lines.
    std::vector<platform::CGRect> gridlines()
    {
        std::vector<platform::CGRect> frames;
        for (const auto& v : host->view()->subviews())
            if (v->className() == "UIView")
                frames.push_back(v->frame());
        return frames;
    }

    std::vector<std::string> widgetLines() const { return log.startingWith("Qvl"); }
};

} // namespace widget_test
