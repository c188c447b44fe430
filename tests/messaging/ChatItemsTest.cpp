#include "platform/runtime/Runtime.h"
#include "host/common/messaging/ChatItems.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sim {
namespace {

class ChatItems : public ::testing::Test {
protected:
    void SetUp() override { rt::resetRuntimeForTesting(); }
    void TearDown() override { rt::resetRuntimeForTesting(); }
};

// What a reader gets by sending the documented selectors with the documented types.
struct Reading {
    bool hasMessage = false;
    long long messageID = -1;
    std::string fullName;
    std::string senderName;
    std::string plainBody;
};

Reading read(const rt::id& item)
{
    Reading r;
    rt::Object* message = rt::msgSend<rt::Object*>(item, "message");
    r.hasMessage = message != nullptr;
    r.messageID = rt::msgSend<long long>(message, "messageID");
    r.fullName = rt::msgSend<std::string>(rt::msgSend<rt::Object*>(message, "sender"), "fullName");
    r.senderName = rt::msgSend<std::string>(message, "senderName");
    r.plainBody = rt::msgSend<std::string>(message, "plainBody");
    return r;
}

TEST_F(ChatItems, AnswerEachSelectorAsDocumentedIncludingOddItems)
{
    struct Case {
        const char* name;
        rt::id item;
        Reading expected;
    };
    std::vector<Case> cases = {
        {"stored message", host::makeMessageChatItem(42, "900", "Balance 12.50"), {true, 42, "900", "900", "Balance 12.50"}},
        {"no message", host::makeChatItemWithoutMessage(), {false, host::kNoMessageID, "", "", ""}},
        {"draft without identifier", host::makeChatItemWithDraftMessage("Beeline", "Hi"), {true, host::kNoMessageID, "Beeline", "Beeline", "Hi"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.item->isKindOfClass(host::kMessageChatItemClassName));
        Reading got = read(c.item);
        EXPECT_EQ(got.hasMessage, c.expected.hasMessage);
        EXPECT_EQ(got.messageID, c.expected.messageID);
        EXPECT_EQ(got.fullName, c.expected.fullName);
        EXPECT_EQ(got.senderName, c.expected.senderName);
        EXPECT_EQ(got.plainBody, c.expected.plainBody);
    }
}

TEST_F(ChatItems, DraftMessageDoesNotAnswerMessageIdWhileStoredOneDoes)
{
    rt::id stored = host::makeMessageChatItem(1, "900", "x");
    rt::id draft = host::makeChatItemWithDraftMessage("900", "x");
    rt::Object* storedMessage = rt::msgSend<rt::Object*>(stored, "message");
    rt::Object* draftMessage = rt::msgSend<rt::Object*>(draft, "message");
    EXPECT_TRUE(storedMessage->isa()->respondsTo("messageID"));
    EXPECT_FALSE(draftMessage->isa()->respondsTo("messageID"));
    EXPECT_TRUE(draftMessage->isa()->respondsTo("plainBody"));
}

TEST_F(ChatItems, ItemKeepsItsMessageAndHandleAlive)
{
    rt::id item = host::makeMessageChatItem(7, "900", "Balance");
    std::weak_ptr<rt::Object> message = rt::msgSend<rt::Object*>(item, "message")->shared_from_this();
    EXPECT_FALSE(message.expired());
    item.reset();
    EXPECT_TRUE(message.expired());
}

std::string hookedBody(rt::Object*, rt::SEL) { return "hooked"; }

TEST_F(ChatItems, RegisteringAgainKeepsReplacedMethodsAndWorksAfterReset)
{
    host::registerChatItemClasses();
    rt::IMP original;
    rt::MSHookMessageEx(rt::objc_getClass(host::kMessageClassName), "plainBody", rt::IMP::of(&hookedBody), &original);
    ASSERT_TRUE(original);
    host::registerChatItemClasses();
    EXPECT_EQ(read(host::makeMessageChatItem(1, "900", "text")).plainBody, "hooked");

    rt::resetRuntimeForTesting();
    EXPECT_EQ(rt::objc_getClass(host::kMessageChatItemClassName), nullptr);
    host::registerChatItemClasses();
    for (const char* name : {host::kMessageChatItemClassName, host::kMessageClassName, host::kMessageDraftClassName, host::kHandleClassName}) {
        SCOPED_TRACE(name);
        EXPECT_NE(rt::objc_getClass(name), nullptr);
    }
    EXPECT_EQ(read(host::makeMessageChatItem(1, "900", "text")).plainBody, "text");
}

TEST_F(ChatItems, InstancesMadeByClassAreEmpty)
{
    host::registerChatItemClasses();
    rt::id item = rt::objc_getClass(host::kMessageChatItemClassName)->createInstance();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(rt::msgSend<rt::Object*>(item, "message"), nullptr);
    rt::id message = rt::objc_getClass(host::kMessageClassName)->createInstance();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(rt::msgSend<long long>(message, "messageID"), host::kNoMessageID);
    EXPECT_EQ(rt::msgSend<std::string>(message, "plainBody"), "");
}

} // namespace
} // namespace sim
