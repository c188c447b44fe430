// The list of stored codes and a code's fields: rows as the codes store
// holds them, deletion by swipe, and the fields screen.
#include "settings/CodeItemsTVC.h"
#include "tests/settings/SettingsFixture.h"

namespace {

using namespace platform;
using namespace settings_test;

using CodesList = SettingsFixture;

std::vector<std::pair<std::string, std::string>> rows(UITableView& table)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& path : table.allIndexPaths()) {
        auto cell = table.cellForRowAtIndexPath(path);
        out.emplace_back(cell->text(), cell->detailText());
    }
    return out;
}

TEST_F(CodesList, RowsShowCommandAndFieldCount)
{
    Dict noFields{{"ussdCode", "*103#"}};
    writeCodes({codeRecord("*100#", 1), codeRecord("*101#", 0), codeRecord("*102#", 2), noFields});
    openCodesList();
    using Rows = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(rows(*codes->tableView),
              (Rows{{"*100#", "1 field"}, {"*101#", "0 fields"}, {"*102#", "2 fields"}, {"*103#", "0 fields"}}));
    EXPECT_TRUE(logged("Qvl: number of stored codes: 4"));
    EXPECT_EQ(codes->navigationItem().title(), "USSD Codes");
    EXPECT_EQ(codes->navigationItem().rightBarButtonItem()->displayText(), "+");
    auto cell = codes->tableView->cellForRowAtIndexPath({0, 0});
    EXPECT_EQ(cell->reuseIdentifier(), "Dynamic Cell");
    EXPECT_EQ(cell->style(), UITableViewCellStyleValue1);
}

TEST_F(CodesList, MissingStoreOrKeyGivesNoRows)
{
    const char* cases[] = {"no file", "no codes key", "codes not an array"};
    for (const char* name : cases) {
        SCOPED_TRACE(name);
        log.clear();
        std::filesystem::remove(hostPath(quorvel::kCodesStorePath));
        if (std::string(name) == "no codes key")
            writeDictionaryAtomically(quorvel::kCodesStorePath, Dict{{"other", 1}});
        else if (std::string(name) == "codes not an array")
            writeDictionaryAtomically(quorvel::kCodesStorePath, Dict{{"codes", "*100#"}});
        openCodesList();
        EXPECT_FALSE(codes->items.has_value());
        EXPECT_EQ(codes->tableView->numberOfRowsInSection(0), 0);
        EXPECT_TRUE(logged("Qvl: number of stored codes: 0"));
    }
}

TEST_F(CodesList, DeletingTheSecondOfThreeKeepsTheOthersInOrder)
{
    writeCodes({codeRecord("*100#", 1), codeRecord("*101#", 2), codeRecord("*102#", 3)});
    writeDictionaryAtomically(quorvel::kCodesStorePath,
                              Dict{{"codes", storedCodes()}, {"stray", "dropped on rewrite"}});
    openCodesList();
    ASSERT_TRUE(codes->tableView->deleteRowByUser({0, 1}));
    EXPECT_TRUE(logged("Qvlb: deleting item at index 1"));
    const Dict root = readDictionary(quorvel::kCodesStorePath);
    EXPECT_EQ(root.size(), 1u) << "only \"codes\" is written back";
    const Value stored = storedCodes();
    ASSERT_EQ(stored.count(), 2u);
    EXPECT_EQ(stored.at(0), Value(codeRecord("*100#", 1)));
    EXPECT_EQ(stored.at(1), Value(codeRecord("*102#", 3)));
    EXPECT_EQ(codes->tableView->numberOfRowsInSection(0), 2) << "the list re-read the store";
    EXPECT_EQ(codes->tableView->cellForRowAtIndexPath({0, 1})->text(), "*102#");
}

TEST_F(CodesList, DeletingTheOnlyCodeLeavesAnEmptyArray)
{
    writeCodes({codeRecord("*100#", 1)});
    openCodesList();
    ASSERT_TRUE(codes->tableView->deleteRowByUser({0, 0}));
    const Value stored = storedCodes();
    ASSERT_TRUE(stored.isArray());
    EXPECT_EQ(stored.count(), 0u);
    EXPECT_EQ(codes->tableView->numberOfRowsInSection(0), 0);
}

TEST_F(CodesList, ReappearingAddsANewTableAndReloadsTheStore)
{
    writeCodes({codeRecord("*100#", 1)});
    openCodesList();
    auto first = codes->tableView;
    writeCodes({codeRecord("*100#", 1), codeRecord("*101#", 1)});
    nav->pushViewController(std::make_shared<UIViewController>(), false);
    nav->popViewControllerAnimated(false);
    EXPECT_NE(codes->tableView, first);
    EXPECT_EQ(codes->view()->subviews().back(), codes->tableView) << "the newest table is on top";
    EXPECT_EQ(codes->tableView->numberOfRowsInSection(0), 2);
}

TEST_F(CodesList, SelectingARowOpensItsFields)
{
    Array fields{Dict{{"title", "Balance"}, {"index", 0}}, Dict{{"title", "Bonus"}, {"index", 4}}, Dict{{"title", "Odd"}}};
    writeCodes({Dict{{"ussdCode", "*100#"}, {"fields", fields}, {"expectedNumbers", 5}}});
    openCodesList();
    ASSERT_TRUE(codes->tableView->selectRowByUser({0, 0}));
    auto screen = std::dynamic_pointer_cast<quorvel::CodeItemsTVC>(nav->topViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->navigationItem().title(), "*100#");
    EXPECT_EQ(screen->tableView()->style(), UITableViewStylePlain);
    using Rows = std::vector<std::pair<std::string, std::string>>;
    // Index 4 shows item No. 5; a field without an index counts as index 0.
    EXPECT_EQ(rows(*screen->tableView()), (Rows{{"Balance", "item No. 1"}, {"Bonus", "item No. 5"}, {"Odd", "item No. 1"}}));
    EXPECT_FALSE(screen->tableView()->deleteRowByUser({0, 0})) << "the fields screen has no editing";
}

TEST_F(CodesList, CodeWithoutFieldsShowsAnEmptyFieldsScreen)
{
    writeCodes({Dict{{"ussdCode", "*100#"}}});
    openCodesList();
    ASSERT_TRUE(codes->tableView->selectRowByUser({0, 0}));
    auto screen = std::dynamic_pointer_cast<quorvel::CodeItemsTVC>(nav->topViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), 0);
}

} // namespace
