// The undo-delete bookkeeping: a deleted code is hidden until its toast goes,
// undone without a trace, and found again when sent even if the store moved.
#include "apps/gtk/logic/PendingDeletes.h"

#include <gtest/gtest.h>

namespace quorvelapp {
namespace {

linuxhost::StoredCode code(const std::string& text, const std::string& title, const std::string& value = "")
{
    return linuxhost::StoredCode{text, "", 1, 0, "", {{0, title, value}}};
}

TEST(GtkAppPendingDeletes, HidesTheCodeUntilUndone)
{
    const std::vector<linuxhost::StoredCode> stored{code("*100#", "Balance"), code("*101#", "Minutes")};
    PendingDeletes pending;
    const unsigned id = pending.add(0, stored[0]);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(pending.visible(stored), (std::vector<int>{1}));
    EXPECT_TRUE(pending.undo(id));
    EXPECT_EQ(pending.visible(stored), (std::vector<int>{0, 1}));
    // The toast is dismissed after its Undo: nothing is left to send.
    EXPECT_EQ(pending.take(id), std::nullopt);
    EXPECT_FALSE(pending.undo(id));
}

TEST(GtkAppPendingDeletes, ARefreshChangingValuesDoesNotBringTheCodeBack)
{
    std::vector<linuxhost::StoredCode> stored{code("*100#", "Balance", "12.50")};
    PendingDeletes pending;
    const unsigned id = pending.add(0, stored[0]);
    stored[0].fields[0].value = "11.00";
    stored[0].lastReply = "Balance 11.00";
    stored[0].refreshedAtMicros = 1;
    EXPECT_TRUE(pending.visible(stored).empty());
    const auto gone = pending.take(id);
    ASSERT_TRUE(gone);
    EXPECT_EQ(locate(stored, *gone), 0);
}

TEST(GtkAppPendingDeletes, TwoDeletesInARowSendTheRightIndices)
{
    // Deleting *100# then *101# from [*100#, *101#, *102#]: once the first is
    // sent the second is at 0, not at the 1 it was deleted from.
    std::vector<linuxhost::StoredCode> stored{code("*100#", "A"), code("*101#", "B"), code("*102#", "C")};
    PendingDeletes pending;
    const unsigned first = pending.add(0, stored[0]);
    const unsigned second = pending.add(1, stored[1]);
    EXPECT_EQ(pending.visible(stored), (std::vector<int>{2}));
    const auto one = pending.take(first);
    ASSERT_TRUE(one);
    EXPECT_EQ(locate(stored, *one), 0);
    stored.erase(stored.begin());
    const auto two = pending.take(second);
    ASSERT_TRUE(two);
    EXPECT_EQ(locate(stored, *two), 0);
}

TEST(GtkAppPendingDeletes, DuplicatesHideOneEachAndAGoneCodeIsNotFound)
{
    const std::vector<linuxhost::StoredCode> stored{code("*100#", "A"), code("*100#", "A"), code("*100#", "B")};
    PendingDeletes pending;
    pending.add(1, stored[1]);
    EXPECT_EQ(pending.visible(stored), (std::vector<int>{0, 2}));
    pending.add(1, stored[1]);
    EXPECT_EQ(pending.visible(stored), (std::vector<int>{2}));

    PendingDelete other{7, 0, code("*100#", "Bonus")};   // a different title: another code
    EXPECT_EQ(locate(stored, other), std::nullopt);
    other.code.smsSender = "900";
    other.code.fields[0].title = "A";
    EXPECT_EQ(locate(stored, other), std::nullopt);
}

TEST(GtkAppPendingDeletes, AStaleIndexFallsBackToTheSameCodeElsewhere)
{
    const std::vector<linuxhost::StoredCode> stored{code("*105#", "New"), code("*100#", "A")};
    const PendingDelete gone{1, 0, code("*100#", "A")};
    EXPECT_EQ(locate(stored, gone), 1);
    EXPECT_EQ(locate({}, gone), std::nullopt);
    const PendingDelete outOfRange{2, 99, code("*100#", "A")};
    EXPECT_EQ(locate(stored, outOfRange), 1);
}

} // namespace
} // namespace quorvelapp
