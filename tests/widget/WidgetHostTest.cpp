// The Notification Center host: loading the bundle from the device, the call
// order it drives, and unloading the library cleanly.
#include "tests/widget/WidgetFixture.h"

#include "platform/runtime/Runtime.h"
#include "platform/widgets/BBWeeAppController.h"

#include <filesystem>

namespace {

using namespace platform;
using namespace widget_test;

using WidgetHostTest = WidgetFixture;

TEST_F(WidgetHostTest, LoadsTheBundleAndBuildsThePlaceholder)
{
    ASSERT_TRUE(host->load());
    EXPECT_TRUE(host->isLoaded());
    EXPECT_FALSE(host->isShown());
    ASSERT_NE(host->widget(), nullptr);
    EXPECT_TRUE(host->widget()->implementsViewHeight());
    // The placeholder: the view with its background only, at the widget's height.
    auto view = host->view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->frame(), CGRectMake(0, 0, 316, 65));
    ASSERT_EQ(view->subviews().size(), 1u);
    EXPECT_EQ(view->subviews()[0]->className(), "UIImageView");
    EXPECT_EQ(refreshObservers(), 0u);
    EXPECT_TRUE(log.contains("sim: Notification Center: loaded /System/Library/WeeLoader/Plugins/Quorvel.bundle "
                             "(QuorvelController)"));
    // The class is in the runtime under its name.
    EXPECT_NE(rt::objc_getClass("QuorvelController"), nullptr);
}

TEST_F(WidgetHostTest, InstallsTheBundleFiles)
{
    const std::string bundle = root.root() + host::kQuorvelBundlePath;
    for (const char* file : {"Info.plist", "Quorvel", "background7.png"})
        EXPECT_TRUE(std::filesystem::exists(bundle + "/" + file)) << file;
    const Dict info = readDictionary(std::string(host::kQuorvelBundlePath) + "/Info.plist");
    EXPECT_EQ(Value(info)["NSPrincipalClass"], Value("QuorvelController"));
}

TEST_F(WidgetHostTest, AMissingOrBrokenBundleIsReportedNotLoaded)
{
    struct Case {
        const char* name;
        const char* removeFile;
        const char* expectedLine;
    };
    const Case cases[] = {
        {"no Info.plist", "Info.plist", "sim: Notification Center: /System/Library/WeeLoader/Plugins/Quorvel.bundle/Info.plist "
                                        "names no principal class or no executable"},
        {"no library", "Quorvel", "sim: Notification Center: cannot load"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        ASSERT_TRUE(host::installWidgetBundle(&error)) << error;
        std::filesystem::remove(root.root() + host::kQuorvelBundlePath + "/" + c.removeFile);
        log.clear();
        host::WidgetHost broken(springboard, "sim: ");
        EXPECT_FALSE(broken.load());
        broken.show();
        EXPECT_EQ(broken.view(), nullptr);
        EXPECT_FALSE(broken.tapRefreshLine());
        ASSERT_FALSE(log.lines().empty());
        EXPECT_EQ(log.lines().back().rfind(c.expectedLine, 0), 0u) << log.lines().back();
    }
    host::WidgetHost elsewhere(springboard, "sim: ", "/System/Library/WeeLoader/Plugins/Nothing.bundle");
    EXPECT_FALSE(elsewhere.load());
    EXPECT_TRUE(log.contains("sim: Notification Center: no widget bundle at /System/Library/WeeLoader/Plugins/Nothing.bundle"));
}

TEST_F(WidgetHostTest, HideThenShowBuildsThePlaceholderAgain)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    auto first = host->view().get();
    host->hide();
    EXPECT_FALSE(host->isShown());
    EXPECT_EQ(host->view(), nullptr);
    host->show();
    ASSERT_NE(host->view(), nullptr);
    EXPECT_NE(host->view().get(), first);
    EXPECT_EQ(label(100)->text(), "Balance");
    // Showing while shown changes nothing (no second set of labels).
    const size_t subviews = host->view()->subviews().size();
    host->show();
    EXPECT_EQ(host->view()->subviews().size(), subviews);
    EXPECT_EQ(log.startingWith("Qvl: device detected: ").size(), 2u);
}

TEST_F(WidgetHostTest, ShutDownUnloadsAndANewDeviceLoadsAFreshCopy)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    host->shutDown();
    EXPECT_FALSE(host->isLoaded());
    EXPECT_EQ(refreshObservers(), 0u);
    // The unloaded copy took its class's factory with it.
    ASSERT_NE(rt::objc_getClass("QuorvelController"), nullptr);
    EXPECT_EQ(rt::objc_getClass("QuorvelController")->createInstance(), nullptr);

    // A second device root gets its own copy of the library, which arms the class again.
    TempDeviceRoot second;
    std::string error;
    ASSERT_TRUE(host::installWidgetBundle(&error)) << error;
    writeCodes({code({field("Minutes", "90")})});
    host::WidgetHost again(springboard, "sim: ");
    again.show();
    ASSERT_NE(again.view(), nullptr);
    auto title = std::dynamic_pointer_cast<UILabel>(again.view()->viewWithTag(100));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Minutes");
    EXPECT_TRUE(again.tapRefreshLine());
    EXPECT_EQ(refreshRequests, 1);
    again.shutDown();
}

TEST_F(WidgetHostTest, AViewStillHeldKeepsTheLibraryLoaded)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    std::shared_ptr<UIView> kept = host->view()->viewWithTag(500);
    host.reset();
    EXPECT_TRUE(log.contains(
        "sim: Notification Center: the widget's views are still in use, so /System/Library/WeeLoader/Plugins/Quorvel.bundle "
        "stays loaded"));
    // Still usable, and released without harm.
    EXPECT_NE(kept->description().find("Refreshed at"), std::string::npos);
    kept.reset();
}

} // namespace
