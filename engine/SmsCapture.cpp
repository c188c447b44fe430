#include "engine/SmsCapture.h"

#include "common/QuorvelNames.h"
#include "engine/EngineState.h"
#include "engine/MessageDatabase.h"
#include "engine/RefreshScheduler.h"
#include "engine/UssdCapture.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/telephony/CoreTelephony.h"

#include <string>

namespace quorvel::engine {

namespace {

void stopObservingChatItems()
{
    platform::CTTelephonyCenterRemoveObserver(platform::CTTelephonyCenterGetDefault(), nullptr,
                                              platform::kIMChatItemsDidChangeNotification, nullptr);
}

void postDarwin(const char* name)
{
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr,
                                                   nullptr, true);
}

// The row identifier of the new message in decimal, from the first chat item.
// Empty when there is none to be had: an item that is not an object, an item
// without a message, or a message without an identifier (messages are
// numbered from 1, so an identifier of 0 or below names no row).
std::string messageIdentifier(const platform::Value& firstItem)
{
    platform::ObjectRef item = firstItem.object();
    rt::Object* message = rt::msgSend<rt::Object*>(item.get(), "message");
    const long long messageID = rt::msgSend<long long>(message, "messageID");
    rt::Object* sender = rt::msgSend<rt::Object*>(message, "sender");
    QLog("Qvl: chatitemchange immessage messageID=%lld, sender=%@, sendername=%@, text=%@", messageID,
         rt::msgSend<std::string>(sender, "fullName"), rt::msgSend<std::string>(message, "senderName"),
         rt::msgSend<std::string>(message, "plainBody"));
    if (!message || messageID <= 0)
        return std::string();
    return std::to_string(messageID);
}

// The engine's own request: parse an SMS of the expected sender, or let an
// SMS of anybody else through untouched and wait for the expiry.
void takeEngineReply(const std::string& identifier, const SmsMessage& sms)
{
    ussdMessage = sms.text;
    if (smsSender && sms.handle_id == *smsSender) {
        markSMSAsRead(identifier);
        parseResponse();
        return;
    }
    QLog("Qvl: Did not receive SMS from the expected sender, ignoring it.");
    doNotSuppressThisSMS = true;
}

// The Settings wizard's request: hand text and sender over, whoever sent it.
void handOverToSettings(const std::string& identifier, const SmsMessage& sms)
{
    QLog("Qvl: received SMS reply, initiated by Settings");
    markSMSAsRead(identifier);
    platform::Dict handoff{{kHandoffTextKey, sms.text}, {kHandoffIdKey, sms.handle_id}};
    if (!platform::writeDictionaryAtomically(kSmsHandoffPath, handoff))
        QLog("Qvl: could not write the SMS hand-off file %@", kSmsHandoffPath);
    postDarwin(kSmsReplyStoredNotification);
}

} // namespace

void beginSmsExpectation()
{
    doNotSuppressThisSMS = false;
    platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), nullptr, smsReplyCallback,
                                           platform::kIMChatItemsDidChangeNotification, nullptr,
                                           platform::CFNotificationSuspensionBehaviorHold);
    timerSMSWaiting = platform::RunLoopTimer::create(platform::now().addingSeconds(static_cast<double>(maxSMSResponseTime)),
                                                     platform::Seconds(0),
                                                     [](platform::RunLoopTimer&) { smsWaitExpired(); });
    platform::RunLoop::current().addTimer(timerSMSWaiting, platform::kCFRunLoopCommonModes);
}

void endPendingSmsWait()
{
    if (!timerSMSWaiting || !timerSMSWaiting->isValid())
        return;
    QLog("Qvl: a new refresh cycle starts, ending the pending SMS wait");
    timerSMSWaiting->invalidate();
    stopObservingChatItems();
}

void smsExpectedHandler(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    QLog("Qvl: got the SMS expected notification");
    ussdRequestTime = platform::now();
    updateValuesInFile = false;
    beginSmsExpectation();
}

void smsReplyCallback(platform::CFNotificationCenterRef, void*, const std::string&, const void*,
                      const platform::Dict* userInfo)
{
    QLog("Qvl: received SMS notification");
    // Each expectation examines exactly one chat-items change, the first to arrive.
    stopObservingChatItems();

    const platform::Value info = userInfo ? platform::Value(*userInfo) : platform::Value();
    QLog("Qvl: chatitemchange dictionary: %@", info);
    const platform::Value& listed = info[platform::kIMChatItemsKey];
    const platform::Array* items = listed.array();
    QLog("Qvl: chatitemchange array length: %u", static_cast<unsigned>(items ? items->size() : 0));
    if (!items || items->empty()) {
        postDarwin(kSmsReplyError1Notification);
        return;
    }

    const std::string identifier = messageIdentifier(items->front());
    if (identifier.empty()) {
        QLog("Qvl: unable to get message ID from new chat item event, not parsing the message!");
        postDarwin(kSmsReplyError2Notification);
        return;
    }

    const SmsMessage sms = getSMSMessageWithID(identifier);
    if (sms.text.empty()) {
        QLog("Qvl: got an empty new SMS message (id=%@)", identifier);
        postDarwin(kSmsReplyError3Notification);
        return;
    }

    if (updateValuesInFile)
        takeEngineReply(identifier, sms);
    else
        handOverToSettings(identifier, sms);
}

void smsWaitExpired()
{
    stopObservingChatItems();
    if (updateValuesInFile) {
        QLog("Qvl: SMS wait for response time (%0.1f seconds) expired, moving to the next code", maxSMSResponseTime);
        moveToNextCode();
    } else {
        QLog("Qvl: SMS wait for response time (%0.1f seconds) expired (request initiated by Settings)", maxSMSResponseTime);
    }
}

} // namespace quorvel::engine
