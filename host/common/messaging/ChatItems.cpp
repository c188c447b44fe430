#include "host/common/messaging/ChatItems.h"

#include <memory>
#include <utility>

namespace host {

namespace {

// Implementations behind the selectors. `self` is whatever object the message
// was sent to; an object of another C++ type (a tweak may send these selectors
// to anything of the class) answers the empty value instead of being misread.

rt::Object* chatItemMessage(rt::Object* self, rt::SEL)
{
    auto* item = dynamic_cast<MessageChatItem*>(self);
    return item ? item->message() : nullptr;
}

long long messageID(rt::Object* self, rt::SEL)
{
    auto* message = dynamic_cast<ChatMessage*>(self);
    return message ? message->messageID() : kNoMessageID;
}

rt::Object* messageSender(rt::Object* self, rt::SEL)
{
    auto* message = dynamic_cast<ChatMessage*>(self);
    return message ? message->sender() : nullptr;
}

std::string messageSenderName(rt::Object* self, rt::SEL)
{
    auto* message = dynamic_cast<ChatMessage*>(self);
    return message ? message->senderName() : std::string();
}

std::string messagePlainBody(rt::Object* self, rt::SEL)
{
    auto* message = dynamic_cast<ChatMessage*>(self);
    return message ? message->plainBody() : std::string();
}

std::string handleFullName(rt::Object* self, rt::SEL)
{
    auto* handle = dynamic_cast<ChatHandle*>(self);
    return handle ? handle->address() : std::string();
}

// Registers `name` with its methods unless it is already there.
template <class Install>
void registerOnce(const char* name, rt::Class::Factory factory, Install install)
{
    if (rt::objc_getClass(name))
        return;
    install(rt::registerClass(name, nullptr, std::move(factory)));
}

void installMessageMethods(rt::Class* cls, bool answersMessageID)
{
    if (answersMessageID)
        cls->setMethod("messageID", rt::IMP::of(&messageID));
    cls->setMethod("sender", rt::IMP::of(&messageSender));
    cls->setMethod("senderName", rt::IMP::of(&messageSenderName));
    cls->setMethod("plainBody", rt::IMP::of(&messagePlainBody));
}

rt::Class* classNamed(const char* name)
{
    registerChatItemClasses();
    return rt::objc_getClass(name);
}

rt::id makeMessage(const char* className, long long rowId, const std::string& sender, const std::string& text)
{
    auto handle = std::make_shared<ChatHandle>(sender);
    return std::make_shared<ChatMessage>(classNamed(className), rowId, std::move(handle), sender, text);
}

} // namespace

void registerChatItemClasses()
{
    // Instances made by class (createInstance) are empty, as a freshly
    // allocated object is: no message, identifier 0, empty texts.
    registerOnce(kHandleClassName, [] { return std::make_shared<ChatHandle>(std::string()); },
                 [](rt::Class* cls) { cls->setMethod("fullName", rt::IMP::of(&handleFullName)); });
    registerOnce(kMessageClassName,
                 [] { return std::make_shared<ChatMessage>(rt::objc_getClass(kMessageClassName), kNoMessageID, nullptr, "", ""); },
                 [](rt::Class* cls) { installMessageMethods(cls, true); });
    registerOnce(kMessageDraftClassName,
                 [] { return std::make_shared<ChatMessage>(rt::objc_getClass(kMessageDraftClassName), kNoMessageID, nullptr, "", ""); },
                 [](rt::Class* cls) { installMessageMethods(cls, false); });
    registerOnce(kMessageChatItemClassName, [] { return std::make_shared<MessageChatItem>(nullptr); },
                 [](rt::Class* cls) { cls->setMethod("message", rt::IMP::of(&chatItemMessage)); });
}

ChatHandle::ChatHandle(std::string address)
    : rt::Object(rt::objc_getClass(kHandleClassName))
    , m_address(std::move(address))
{
}

ChatMessage::ChatMessage(rt::Class* cls, long long messageID, rt::id sender, std::string senderName, std::string plainBody)
    : rt::Object(cls)
    , m_messageID(messageID)
    , m_sender(std::move(sender))
    , m_senderName(std::move(senderName))
    , m_plainBody(std::move(plainBody))
{
}

MessageChatItem::MessageChatItem(rt::id message)
    : rt::Object(rt::objc_getClass(kMessageChatItemClassName))
    , m_message(std::move(message))
{
}

rt::id makeMessageChatItem(long long rowId, const std::string& sender, const std::string& text)
{
    registerChatItemClasses();
    return std::make_shared<MessageChatItem>(makeMessage(kMessageClassName, rowId, sender, text));
}

rt::id makeChatItemWithoutMessage()
{
    registerChatItemClasses();
    return std::make_shared<MessageChatItem>(nullptr);
}

rt::id makeChatItemWithDraftMessage(const std::string& sender, const std::string& text)
{
    registerChatItemClasses();
    return std::make_shared<MessageChatItem>(makeMessage(kMessageDraftClassName, kNoMessageID, sender, text));
}

} // namespace host
