// Capturing the carrier's USSD reply: the telephony callback that decides
// whether a reply belongs to the engine's open request, and parseResponse,
// which stores the chosen numbers and moves the cycle on. parseResponse is
// also where an SMS reply ends up. Main thread only.
#pragma once

#include "platform/notify/NotificationCenter.h"

namespace quorvel::engine {

// Telephony-centre callback for "kCTUSSDSessionStringNotification". Only the
// user info is used: its "kCTUSSDSessionString" holds the reply text.
void ussdReplyCallback(platform::CFNotificationCenterRef center, void* observer, const std::string& name,
                       const void* object, const platform::Dict* userInfo);

// Extracts the numbers of ussdMessage; when their count is the code's
// "expectedNumbers", stores them as the fields' last values (only the refreshed
// record of the store is replaced) and announces
// "org.quillmoor.harrowin.ussd_data_refreshed" on the local centre. Always ends
// with moveToNextCode().
void parseResponse();

} // namespace quorvel::engine
