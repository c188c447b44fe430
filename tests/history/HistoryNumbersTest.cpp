#include "history/HistoryNumbers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quorvel::history {
namespace {

TEST(HistoryNumbers, ReadsEitherDecimalMarkAndRefusesWhatIsNoNumber)
{
    struct Case {
        const char* text;
        std::optional<double> number;
    };
    const Case cases[] = {
        {"12,30", 12.3},       {"12.30", 12.3},        {"1", 1},
        {"000,50", 0.5},       {"1 000,50", 1000.5},   {"1\xC2\xA0" "000,50", 1000.5},
        {"-5.10", -5.1},       {"\xE2\x88\x92" "5,10", -5.1}, {"+3", 3},
        {"1,000.50", 1000.5},  {" 42 ", 42},           {".5", 0.5},
        {"1,2,3", std::nullopt}, {"1.2.3", std::nullopt}, {"12 rub", std::nullopt},
        {"", std::nullopt},    {"-", std::nullopt},    {",", std::nullopt},
        {"1 ,5", std::nullopt}, {"1.5,3", std::nullopt}, {"1e5", std::nullopt},
        {"--5", std::nullopt}, {"5-", std::nullopt},   {"(null)", std::nullopt},
        {"12345678901234567890123456789012345678901234567890123456789012345", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::optional<double> number = numericValue(c.text);
        ASSERT_EQ(number.has_value(), c.number.has_value());
        if (number) {
            EXPECT_DOUBLE_EQ(*number, *c.number);
        }
    }
}

} // namespace
} // namespace quorvel::history
