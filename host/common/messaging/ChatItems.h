// The messaging framework's chat-item objects as a new message reaches
// SpringBoard: an `IMMessageChatItem` whose `message` is an `IMMessage`, whose
// `sender` is an `IMHandle`. They are plain runtime objects, so a tweak reads
// them the way it would on the phone:
//
//   rt::Object* message = rt::msgSend<rt::Object*>(item, "message");
//   long long rowId = rt::msgSend<long long>(message, "messageID");
//   std::string body = rt::msgSend<std::string>(message, "plainBody");
//
// Selectors and the types they answer (exactly these, since the runtime checks
// the signature of every call):
//   IMMessageChatItem  message     -> rt::Object*   (the IMMessage; may be null)
//   IMMessage          messageID   -> long long     (ROWID of the message table)
//                      sender      -> rt::Object*   (the IMHandle)
//                      senderName  -> std::string
//                      plainBody   -> std::string
//   IMHandle           fullName    -> std::string   (the address: no contacts here)
//
// "No identifier": message rows are numbered from 1, so a messageID of 0 never
// names a row. It is what a reader gets from an item without a message (a
// message sent to null answers 0) and from a message whose class does not
// answer `messageID` (an unsaved draft, `IMMessageDraft`). Readers should
// treat a messageID <= 0 as "no identifier could be had".
//
// Lifetime: an item owns its message and the message owns its handle, so
// holding the item (a platform::Value in a notification's user info does)
// keeps the whole chain alive. The classes must be registered again after
// rt::resetRuntimeForTesting; objects made before a reset must not be used
// after it. Single-threaded.
#pragma once

#include "platform/runtime/Runtime.h"

#include <string>

namespace host {

inline constexpr const char* kMessageChatItemClassName = "IMMessageChatItem";
inline constexpr const char* kMessageClassName = "IMMessage";
inline constexpr const char* kMessageDraftClassName = "IMMessageDraft";
inline constexpr const char* kHandleClassName = "IMHandle";

// The identifier a reader sees when there is none (see above).
inline constexpr long long kNoMessageID = 0;

// Registers the chat-item classes with the runtime. A class that is already
// registered is left as it is (a tweak may have replaced its methods), so
// calling this again is harmless. Call it when SpringBoard starts, after the
// runtime has been reset; the factories below also call it.
void registerChatItemClasses();

// The sender of a message, as the messaging framework knows it.
class ChatHandle final : public rt::Object {
public:
    explicit ChatHandle(std::string address);
    const std::string& address() const { return m_address; }

private:
    std::string m_address;
};

// A message with (IMMessage) or without (IMMessageDraft) an identifier.
class ChatMessage final : public rt::Object {
public:
    ChatMessage(rt::Class* cls, long long messageID, rt::id sender, std::string senderName, std::string plainBody);
    long long messageID() const { return m_messageID; }
    rt::Object* sender() const { return m_sender.get(); }
    const std::string& senderName() const { return m_senderName; }
    const std::string& plainBody() const { return m_plainBody; }

private:
    long long m_messageID;
    rt::id m_sender;
    std::string m_senderName;
    std::string m_plainBody;
};

class MessageChatItem final : public rt::Object {
public:
    explicit MessageChatItem(rt::id message);
    rt::Object* message() const { return m_message.get(); }

private:
    rt::id m_message;
};

// The item for a stored message row: its message answers `messageID` with
// `rowId`, and both the handle's `fullName` and the message's `senderName`
// with `sender`.
rt::id makeMessageChatItem(long long rowId, const std::string& sender, const std::string& text);

// Odd items, for testing how readers cope:
// an IMMessageChatItem whose `message` is null;
rt::id makeChatItemWithoutMessage();
// an IMMessageChatItem whose message (an IMMessageDraft) answers everything
// but `messageID`.
rt::id makeChatItemWithDraftMessage(const std::string& sender, const std::string& text);

} // namespace host
