// The root settings page built from the bundle's own specifier list: its
// entries, the values it stores into the settings store, and its buttons.
#include "platform/foundation/Bundle.h"
#include "platform/prefs/PSListItemsController.h"
#include "settings/QuorvelPrefBundleListController.h"
#include "tests/settings/SettingsFixture.h"

#include <fstream>
#include <sstream>

namespace {

using namespace platform;
using namespace settings_test;

constexpr const char* kBundlePath = "/Library/PreferenceBundles/QuorvelPrefBundle.bundle";

class RootPage : public SettingsFixture {
protected:
    RootPage()
    {
        std::ifstream in(std::string(QUORVEL_SOURCE_DIR) + "/settings/resources/QuorvelPrefBundle.plist");
        std::ostringstream bytes;
        bytes << in.rdbuf();
        createDirectories(kBundlePath);
        writeFileAtomically(std::string(kBundlePath) + "/QuorvelPrefBundle.plist", bytes.str());
    }

    void openRootPage()
    {
        page = std::make_shared<quorvel::QuorvelPrefBundleListController>();
        page->setBundle(Bundle::bundleWithPath(kBundlePath));
        nav = UINavigationController::withRootViewController(page);
        window->addSubview(nav->view());
        nav->viewWillAppear(false);
    }

    PSSpecifierRef entry(const std::string& label)
    {
        auto entry = page->specifierForLabel(label);
        EXPECT_NE(entry, nullptr) << label;
        return entry;
    }

    std::shared_ptr<quorvel::QuorvelPrefBundleListController> page;
};

TEST_F(RootPage, EverySettingHasOneEntryWithItsDefault)
{
    openRootPage();
    struct Case {
        const char* key;
        PSCellType type;
        Value defaultValue;
    };
    const Case cases[] = {
        {"autoRefreshRate", PSCellType::linkList, Value(0)},
        {"enableInRoaming", PSCellType::switchCell, Value(false)},
        {"unlockedAutorefreshAllowed", PSCellType::switchCell, Value(false)},
        {"maxResponseTime", PSCellType::linkList, Value(10.0)},
        {"sessionInitTime", PSCellType::linkList, Value(4.0)},
        {"observeDND", PSCellType::switchCell, Value(true)},
        {"maxSMSResponseTime", PSCellType::linkList, Value(60.0)},
        {"titleColor", PSCellType::linkList, Value(7)},
        {"valueColor", PSCellType::linkList, Value(3)},
        {"showGridlines", PSCellType::switchCell, Value(false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        int found = 0;
        for (const auto& entry : page->specifiers()) {
            if (entry->key() != c.key)
                continue;
            ++found;
            EXPECT_EQ(entry->cellType(), c.type);
            EXPECT_EQ(entry->defaults(), quorvel::kSettingsDomain);
            EXPECT_TRUE(preferenceValuesMatch(entry->defaultValue(), c.defaultValue));
            if (c.type == PSCellType::linkList) {
                EXPECT_GE(entry->indexOfValue(c.defaultValue), 0) << "the default is one of the choices";
            }
        }
        EXPECT_EQ(found, 1);
    }
    EXPECT_EQ(entry("Session Init Time")->key(), "sessionInitTime");
    EXPECT_EQ(entry("Title Colour")->validTitles(),
              (std::vector<std::string>{"red", "black", "gray", "white", "green", "blue", "yellow", "orange", "purple", "brown"}));
    EXPECT_EQ(page->displayValue(*entry("Title Colour")), "orange");
    EXPECT_EQ(page->displayValue(*entry("Value Colour")), "white");
    EXPECT_EQ(page->navigationItem().title(), "Quorvel");
}

TEST_F(RootPage, ButtonCellsCallShowCodesAndFollowOnTwitter)
{
    openRootPage();
    EXPECT_EQ(entry("USSD Codes")->action(), "showCodes");
    NSIndexPath codesRow{-1, -1};
    NSIndexPath followRow{-1, -1};
    for (const auto& path : page->tableView()->allIndexPaths()) {
        auto entry = page->specifierAtIndexPath(path);
        if (entry->action() == "showCodes")
            codesRow = path;
        if (entry->action() == "followOnTwitter")
            followRow = path;
    }
    ASSERT_GE(codesRow.row, 0);
    ASSERT_GE(followRow.row, 0);

    ASSERT_TRUE(page->tableView()->selectRowByUser(followRow));
    ASSERT_EQ(opener.opened.size(), 1u);
    const std::string& url = opener.opened[0];
    EXPECT_EQ(url.rfind("https://", 0), 0u);
    EXPECT_NE(url.find("/intent/user?screen_name="), std::string::npos);

    ASSERT_TRUE(page->tableView()->selectRowByUser(codesRow));
    EXPECT_NE(std::dynamic_pointer_cast<quorvel::CodesViewController>(nav->topViewController()), nullptr);
}

TEST_F(RootPage, ChangedValuesAreMergedIntoTheSettingsStoreAsBinary)
{
    writeDictionaryAtomically(quorvel::kSettingsStorePath, Dict{{"maxResponseTime", 20.0}});
    openRootPage();
    EXPECT_EQ(page->displayValue(*entry("Max Response Time")), "20 seconds");
    EXPECT_TRUE(page->setValueByUser(*entry("Auto Refresh"), Value(15)));
    EXPECT_TRUE(page->setValueByUser(*entry("Refresh in Roaming"), Value(true)));
    EXPECT_TRUE(page->setValueByUser(*entry("Value Colour"), Value("green")));
    EXPECT_FALSE(page->setValueByUser(*entry("Auto Refresh"), Value(7))) << "not one of the choices";
    EXPECT_FALSE(page->setValueByUser(*entry("Show Gridlines"), Value(1))) << "a switch takes true or false";

    const auto bytes = readFile(quorvel::kSettingsStorePath);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->rfind("bplist00", 0), 0u) << "written the way the platform writes preferences";
    const Dict stored = readDictionary(quorvel::kSettingsStorePath);
    EXPECT_EQ(stored, (Dict{{"maxResponseTime", 20.0}, {"autoRefreshRate", 15}, {"enableInRoaming", true}, {"valueColor", 4}}));
    EXPECT_EQ(page->displayValue(*entry("Auto Refresh")), "15 minutes");
}

TEST_F(RootPage, ChoicesPageStoresTheTappedChoice)
{
    openRootPage();
    NSIndexPath row{-1, -1};
    for (const auto& path : page->tableView()->allIndexPaths())
        if (page->specifierAtIndexPath(path)->key() == "sessionInitTime")
            row = path;
    ASSERT_TRUE(page->tableView()->selectRowByUser(row));
    auto choices = std::dynamic_pointer_cast<PSListItemsController>(nav->topViewController());
    ASSERT_NE(choices, nullptr);
    EXPECT_EQ(choices->navigationItem().title(), "Session Init Time");
    auto table = choices->tableView();
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 3})->accessoryType(), UITableViewCellAccessoryCheckmark);
    ASSERT_TRUE(table->selectRowByUser({0, 5}));
    EXPECT_EQ(Value(readDictionary(quorvel::kSettingsStorePath))["sessionInitTime"].doubleValue(), 6.0);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 5})->accessoryType(), UITableViewCellAccessoryCheckmark);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 3})->accessoryType(), UITableViewCellAccessoryNone);
}

TEST_F(RootPage, SpecifiersLoadOncePerPage)
{
    openRootPage();
    const size_t count = page->specifiers().size();
    EXPECT_GT(count, 10u);
    writeFileAtomically(std::string(kBundlePath) + "/QuorvelPrefBundle.plist", "not a plist");
    EXPECT_EQ(page->specifiers().size(), count);
    EXPECT_EQ(page->specifiers().front(), page->specifiers().front());
}

TEST_F(RootPage, MissingSpecifierListGivesAnEmptyPage)
{
    std::filesystem::remove(hostPath(std::string(kBundlePath) + "/QuorvelPrefBundle.plist"));
    openRootPage();
    EXPECT_TRUE(page->specifiers().empty());
    EXPECT_EQ(page->tableView()->numberOfSections(), 0);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                            [](const std::string& l) { return l.find("no specifier list QuorvelPrefBundle.plist") != std::string::npos; }));
}

} // namespace
