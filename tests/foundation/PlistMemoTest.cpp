#include "platform/foundation/PropertyList.h"
#include "platform/foundation/internal/PlistMemo.h"
#include "platform/foundation/internal/PlistShapeCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::Array;
using platform::Dict;
using platform::Value;
using platform::internal::kMaxMemoBytes;
using platform::internal::kMemoEntries;
using platform::internal::PlistMemo;

std::string documentHolding(const std::string& text)
{
    return platform::serializePropertyList(Value(Dict{{"text", Value(text)}, {"list", Value(Array{Value(1), Value(2.5)})}}));
}

class PlistMemoTest : public ::testing::Test {
protected:
    void SetUp() override { PlistMemo::forThisThread().clear(); }
    void TearDown() override { PlistMemo::forThisThread().clear(); }
};

// Bytes that differ anywhere, even in one character of equal length, are
// different documents; a result handed out is the caller's own copy.
TEST_F(PlistMemoTest, RepeatedParsesAreEqualIndependentAndTellDocumentsApart)
{
    const std::string first = documentHolding("Balance 12.50");
    const std::string second = documentHolding("Balance 12.51");
    ASSERT_EQ(first.size(), second.size());

    std::optional<Value> a = platform::parsePropertyList(first);
    std::optional<Value> b = platform::parsePropertyList(second);
    ASSERT_TRUE(a && b);
    EXPECT_EQ((*a)["text"], Value("Balance 12.50"));
    EXPECT_EQ((*b)["text"], Value("Balance 12.51"));

    // The caller changes its copy: the next parse of the same bytes is untouched.
    a->dict()->at("text") = Value("changed by the caller");
    a->dict()->erase("list");
    std::optional<Value> again = platform::parsePropertyList(first);
    ASSERT_TRUE(again);
    EXPECT_EQ((*again)["text"], Value("Balance 12.50"));
    EXPECT_EQ((*again)["list"].count(), 2u);
}

// Mended texts are counted on every read of the same bytes, so each read
// that mends still says so.
TEST_F(PlistMemoTest, MendedCountComesBackWithEveryRead)
{
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>k</key>"
                              "<string>bad \xff byte</string></dict></plist>";
    for (int read = 0; read < 2; ++read) {
        SCOPED_TRACE(read);
        size_t mended = 0;
        std::optional<Value> parsed = platform::parsePropertyList(bytes, nullptr, &mended);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(mended, 1u);
        EXPECT_EQ((*parsed)["k"], Value("bad \xEF\xBF\xBD byte"));
    }
}

TEST_F(PlistMemoTest, KeepsTheMostRecentlyUsedWithinItsBounds)
{
    PlistMemo& memo = PlistMemo::forThisThread();
    auto bytesOf = [](size_t n) { return "document " + std::to_string(n); };
    for (size_t n = 0; n < kMemoEntries; ++n)
        memo.remember(bytesOf(n), {Value(int64_t(n)), 0});
    // Using the oldest makes the second-oldest the one to go.
    ASSERT_NE(memo.find(bytesOf(0)), nullptr);
    memo.remember(bytesOf(kMemoEntries), {Value(int64_t(kMemoEntries)), 0});
    EXPECT_EQ(memo.find(bytesOf(1)), nullptr);
    ASSERT_NE(memo.find(bytesOf(0)), nullptr);
    EXPECT_EQ(memo.find(bytesOf(0))->value, Value(int64_t(0)));
    EXPECT_EQ(memo.find(bytesOf(kMemoEntries))->value, Value(int64_t(kMemoEntries)));

    // Remembering the same bytes again replaces the entry instead of adding one.
    memo.remember(bytesOf(0), {Value("new"), 3});
    EXPECT_EQ(memo.find(bytesOf(0))->value, Value("new"));
    EXPECT_EQ(memo.find(bytesOf(0))->mendedTexts, 3u);
    for (size_t n = 2; n <= kMemoEntries; ++n)
        EXPECT_NE(memo.find(bytesOf(n)), nullptr) << n;

    // A document over the size bound is not kept at all.
    const std::string large(kMaxMemoBytes + 1, 'x');
    memo.remember(large, {Value(1), 0});
    EXPECT_EQ(memo.find(large), nullptr);
    EXPECT_NE(memo.find(bytesOf(2)), nullptr);
}

} // namespace

namespace {

using platform::internal::checkXmlPlistShape;

// Markup inside comments, CDATA sections, processing instructions and the
// document type is not counted; real elements are, however a tag starts.
TEST(XmlPlistShape, CountsOnlyElementsWhateverFollowsTheirOpeningBracket)
{
    const std::string deep = "<a><b><c>";   // three levels, two allowed below
    EXPECT_EQ(checkXmlPlistShape("<plist><a></a></plist>", 1), std::nullopt);
    EXPECT_NE(checkXmlPlistShape("<plist><a><b></b></a></plist>", 1), std::nullopt);
    for (const std::string& hidden : std::vector<std::string>{"<!--" + deep + "-->", "<![CDATA[" + deep + "]]>", "<?pi " + deep + "?>",
                                      "<!DOCTYPE plist [ <!ELEMENT a (b)> ]>", "<!DOCTYPE plist>"}) {
        SCOPED_TRACE(hidden);
        EXPECT_EQ(checkXmlPlistShape(hidden + "<plist><a></a></plist>", 1), std::nullopt);
    }
    // A self-closing element adds no level; one more open element does.
    EXPECT_EQ(checkXmlPlistShape("<plist><a><b/></a></plist>", 1), std::nullopt);
    EXPECT_NE(checkXmlPlistShape("<plist><a><!x><b></b></a></plist>", 1), std::nullopt);
    EXPECT_EQ(checkXmlPlistShape("<plist><a></b></plist>", 4), "mismatched closing tag");
    // A bracket as the very last byte ends the scan; the parser refuses the rest.
    EXPECT_EQ(checkXmlPlistShape("<plist></plist><", 1), std::nullopt);
}

} // namespace
