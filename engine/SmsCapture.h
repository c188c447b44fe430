// Waiting for an SMS reply: the expectation that the send step arms for a code
// answered by SMS, and that the Settings wizard asks for through
// "org.quillmoor.quorvel.expectSMSReply"; its wait timer and the chat-items
// observer. Main thread only.
//
// The wait ends when the first chat-items change arrives (the observer removes
// itself) or when timerSMSWaiting fires; for an engine request the expiry moves
// the cycle on.
#pragma once

#include "platform/notify/NotificationCenter.h"

namespace quorvel::engine {

// Clears doNotSuppressThisSMS, observes the chat-items change on the telephony
// centre and starts timerSMSWaiting (maxSMSResponseTime seconds from now, in the
// common modes). A wait still pending from an earlier expectation is left
// alone: the new timer simply takes its place in timerSMSWaiting.
void beginSmsExpectation();

// Ends a wait that is still pending: stops its timer and removes the chat-items
// observer. Used when a new refresh cycle starts, so that the old wait cannot
// move the new cycle on. Does nothing when no wait is pending.
void endPendingSmsWait();

// Darwin-centre callback for "org.quillmoor.quorvel.expectSMSReply".
void smsExpectedHandler(platform::CFNotificationCenterRef center, void* observer, const std::string& name,
                        const void* object, const platform::Dict* userInfo);

// Telephony-centre callback for "__kIMChatItemsDidChangeNotification". It
// removes itself at once, looks the first chat item's message up in the message
// database and then, for the engine's request, marks an SMS of the expected
// sender read and parses it (any other sender only sets doNotSuppressThisSMS),
// or, for the Settings wizard's, writes the SMS hand-off file and posts
// "org.quillmoor.quorvel.SMSReplyStored". No items, no message identifier and
// an empty text end with "org.quillmoor.quorvel.SMSReplyError.1", ".2" and ".3".
void smsReplyCallback(platform::CFNotificationCenterRef center, void* observer, const std::string& name,
                      const void* object, const platform::Dict* userInfo);

// The callback of timerSMSWaiting.
void smsWaitExpired();

} // namespace quorvel::engine
