// The SIM slots of the simulated phone and how a code record names a SIM.
#include "common/QuorvelNames.h"
#include "common/SimBinding.h"
#include "sim/carrier/SimSlots.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

using platform::CTSimCard;
using platform::Value;

TEST(SimCards, ARecordNamesACardByItsIccidOrElseByItsHomeNetwork)
{
    const CTSimCard withIccid{"8970101000000000001", "25001"};
    const CTSimCard withoutIccid{"", "23410"};
    EXPECT_EQ(platform::CTSimIdentity(withIccid), "8970101000000000001");
    EXPECT_EQ(platform::CTSimIdentity(withoutIccid), "23410");
    EXPECT_TRUE(platform::CTSimMatches(withIccid, "8970101000000000001"));
    EXPECT_TRUE(platform::CTSimMatches(withIccid, "25001")) << "a record of the network takes any of its SIMs";
    EXPECT_TRUE(platform::CTSimMatches(withoutIccid, "23410"));
    EXPECT_FALSE(platform::CTSimMatches(withIccid, "8970101000000000002"));
    EXPECT_FALSE(platform::CTSimMatches(withoutIccid, "")) << "an empty identity names no SIM";
}

TEST(SimCards, OnlyATextSimIdBindsACodeAndOnlyWhileCodesFollowTheirSim)
{
    auto record = [](Value simId) {
        platform::Dict dict{{quorvel::kUssdCodeKey, Value(std::string("*100#"))}};
        if (!simId.isNone())
            dict[quorvel::kSimIdKey] = simId;
        return Value(dict);
    };
    EXPECT_EQ(quorvel::boundSim(record(Value(std::string("25001"))), true), std::optional<std::string>("25001"));
    EXPECT_EQ(quorvel::boundSim(record(Value(std::string("25001"))), false), std::nullopt);
    EXPECT_EQ(quorvel::boundSim(record(Value()), true), std::nullopt);
    EXPECT_EQ(quorvel::boundSim(record(Value(std::string())), true), std::nullopt);
    EXPECT_EQ(quorvel::boundSim(record(Value(int64_t(25001))), true), std::nullopt);
    EXPECT_EQ(quorvel::boundSim(Value(std::string("not a record")), true), std::nullopt);
}

TEST(SimSlots, CardsSwapInTheirSlotAndSlotsOutsideOneAndTwoChangeNothing)
{
    SimSlots slots;
    ASSERT_EQ(slots.inserted(), std::vector<CTSimCard>{SimSlots::defaultSim()});
    const CTSimCard travel{"8944200000000000002", "23410"};
    EXPECT_TRUE(slots.insert(2, {"", "26201"}));
    EXPECT_TRUE(slots.insert(1, travel));
    EXPECT_EQ(slots.inserted(), (std::vector<CTSimCard>{travel, {"", "26201"}}));
    EXPECT_EQ(slots.slotOf("26201"), 2);
    EXPECT_EQ(slots.slotOf(SimSlots::defaultSim().iccid), std::nullopt) << "swapped out";
    EXPECT_FALSE(slots.insert(3, SimSlots::defaultSim()));
    EXPECT_FALSE(slots.remove(0));
    EXPECT_TRUE(slots.remove(1));
    EXPECT_EQ(slots.describe(), "slot 1: empty, slot 2: a SIM of 26201 (no ICCID)");
}

} // namespace
} // namespace sim
