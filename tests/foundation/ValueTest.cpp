#include "platform/foundation/Geometry.h"
#include "platform/foundation/Value.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using platform::Array;
using platform::Date;
using platform::Dict;
using platform::Value;

TEST(Value, GenericConversionsReadNumbersBooleansAndNumericStringsAlike)
{
    struct Case {
        const char* name;
        Value value;
        int64_t integer;
        bool boolean;
        double real;
    } cases[] = {
        {"integer", Value(15), 15, true, 15.0},
        {"negative integer", Value(-3), -3, true, -3.0},
        {"zero", Value(0), 0, false, 0.0},
        {"large integer", Value(int64_t(1) << 40), int64_t(1) << 40, true, 1099511627776.0},
        {"real truncates toward zero", Value(12.9), 12, true, 12.9},
        {"negative real truncates toward zero", Value(-12.9), -12, true, -12.9},
        {"small real is true", Value(0.5), 0, true, 0.5},
        {"real beyond int64 saturates", Value(1e30), INT64_MAX, true, 1e30},
        {"yes", Value(true), 1, true, 1.0},
        {"no", Value(false), 0, false, 0.0},
        {"numeric string", Value("15"), 15, true, 15.0},
        {"leading blanks skipped", Value(" \t15"), 15, true, 15.0},
        {"trailing text ignored", Value("15 minutes"), 15, true, 15.0},
        {"signed string", Value("-7"), -7, true, -7.0},
        {"plus sign", Value("+7"), 7, true, 7.0},
        {"real string", Value("12.5"), 12, true, 12.5},
        {"real string without integer part", Value(".5"), 0, false, 0.5},
        {"exponent string", Value("1e3"), 1, true, 1000.0},
        {"comma is not a decimal point", Value("12,5"), 12, true, 12.0},
        {"zero string", Value("0"), 0, false, 0.0},
        {"leading zeros then digit", Value("007"), 7, true, 7.0},
        {"YES", Value("YES"), 0, true, 0.0},
        {"true", Value("true"), 0, true, 0.0},
        {"y", Value("y"), 0, true, 0.0},
        {"NO", Value("NO"), 0, false, 0.0},
        {"false", Value("false"), 0, false, 0.0},
        {"empty string", Value(""), 0, false, 0.0},
        {"words", Value("orange"), 0, false, 0.0},
        {"hexadecimal is not read", Value("0x1A"), 0, false, 0.0},
        {"infinity is not read", Value("inf"), 0, false, 0.0},
        {"integer string overflow saturates", Value("99999999999999999999"), INT64_MAX, true, 1e20},
        {"none", Value(), 0, false, 0.0},
        {"date", Value(Date::fromMicros(5000000)), 0, false, 0.0},
        {"array", Value(Array{Value(1)}), 0, false, 0.0},
        {"dict", Value(Dict{{"a", Value(1)}}), 0, false, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.integerValue(), c.integer);
        EXPECT_EQ(c.value.boolValue(), c.boolean);
        EXPECT_DOUBLE_EQ(c.value.doubleValue(), c.real);
    }
}

TEST(Value, StringConversionsIgnoreTheProcessLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    // Where a locale with a decimal comma exists, "12.5" must still read 12.5.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(Value("12.5").doubleValue(), 12.5);
    std::setlocale(LC_NUMERIC, previous.c_str());
}

TEST(Value, DescribesValuesAsFormatConversionsPrintThem)
{
    struct Case {
        const char* name;
        Value value;
        const char* expected;
    } cases[] = {
        {"string as is", Value("-12,30"), "-12,30"},
        {"integer", Value(-42), "-42"},
        {"whole real", Value(10.0), "10"},
        {"fractional real", Value(12.5), "12.5"},
        {"shortest round trip", Value(0.1), "0.1"},
        {"million in plain notation", Value(1e6), "1000000"},
        {"huge real in exponent notation", Value(1e20), "1e+20"},
        {"tiny real in exponent notation", Value(0.00001), "1e-05"},
        {"yes", Value(true), "1"},
        {"no", Value(false), "0"},
        {"date", Value(Date::fromMicros(int64_t(1796720700) * 1000000)), "2026-12-08 09:05:00 +0000"},
        {"none", Value(), "(null)"},
        {"data", Value(platform::Data{0x0a, 0x1b, 0x2c, 0x3d, 0x4e}), "<0a1b2c3d 4e>"},
        {"array", Value(Array{Value("a"), Value("b")}), "(\n    a,\n    b\n)"},
        {"empty array", Value(Array{}), "(\n)"},
        {"dict", Value(Dict{{"key", Value("value")}}), "{\n    key = value;\n}"},
        {"strings needing quotes", Value(Array{Value("*100#"), Value("a b"), Value(""), Value("say \"hi\"")}),
         "(\n    \"*100#\",\n    \"a b\",\n    \"\",\n    \"say \\\"hi\\\"\"\n)"},
        {"nested", Value(Dict{{"codes", Value(Array{Value(Dict{{"ussdCode", Value("*100#")}, {"expectedNumbers", Value(3)}})})}}),
         "{\n    codes = (\n        {\n            expectedNumbers = 3;\n            ussdCode = \"*100#\";\n        }\n    );\n}"},
        {"dates inside collections are quoted", Value(Array{Value(Date::fromMicros(0))}),
         "(\n    \"1970-01-01 00:00:00 +0000\"\n)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.description(), c.expected);
    }
}

TEST(Value, EqualityKeepsTypesApart)
{
    EXPECT_EQ(Value(Dict{{"a", Value(Array{Value(1), Value("x")})}}), Value(Dict{{"a", Value(Array{Value(1), Value("x")})}}));
    EXPECT_NE(Value(1), Value(1.0));
    EXPECT_NE(Value(1), Value(true));
    EXPECT_NE(Value(1), Value("1"));
    EXPECT_NE(Value(), Value(""));
}

TEST(Value, MissingKeysAndIndexesReadAsNone)
{
    Value v = Dict{{"codes", Value(Array{Value("a")})}};
    EXPECT_TRUE(v["absent"].isNone());
    EXPECT_TRUE(v["codes"].at(1).isNone());
    EXPECT_EQ(v["codes"].at(0), Value("a"));
    EXPECT_TRUE(Value("text")["key"].isNone());
    EXPECT_TRUE(Value(5).at(0).isNone());
    EXPECT_EQ(v["absent"]["deeper"].integerValue(), 0);
    EXPECT_EQ(v.count(), 1u);
    EXPECT_EQ(Value("abc").count(), 0u);
}

TEST(Geometry, DescribesRectanglesAsTheFormatterDoes)
{
    EXPECT_EQ(platform::CGRectMake(0, 0, 320, 480).description(), "{{0, 0}, {320, 480}}");
    EXPECT_EQ(platform::CGRectMake(-10, 2.5, 0.25, 1e6).description(), "{{-10, 2.5}, {0.25, 1000000}}");
}

} // namespace
