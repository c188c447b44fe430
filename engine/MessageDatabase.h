// The two statements the engine runs on the phone's message database
// /private/var/mobile/Library/SMS/sms.db: reading one message with its sender,
// and marking one message read.
//
//   SmsMessage sms = getSMSMessageWithID("42");   // empty record on any failure
//   if (!sms.text.empty()) markSMSAsRead("42");
//
// The database belongs to the messaging service, which may hold it locked: each
// call runs one statement and finalizes it, holding no lock afterwards (the
// connection is kept for the next call while the file at the path stays the
// same one and the calls succeed, else opened afresh), and waits for a lock
// at most kMessageDatabaseBusyTimeoutMs, so the two statements of one SMS
// together never hold SpringBoard's run loop for longer than 50 ms. The message
// identifier is bound as an integer parameter, never written into the text.
// Every failure is logged ("Qvl: Failed to retrieve table, error Code: %d" with
// SQLite's result code where a statement failed) and ends in the documented
// default; nothing throws. Main thread only.
#pragma once

#include "engine/SmsMessage.h"

#include <string>

namespace quorvel::engine {

inline constexpr const char* kSmsDatabasePath = "/private/var/mobile/Library/SMS/sms.db";
// Per statement; a lookup and a mark-read together stay within 50 ms.
inline constexpr int kMessageDatabaseBusyTimeoutMs = 25;

// The message whose ROWID is `identifier` (decimal text), with its sender's
// handle. Empty when the database is missing, unreadable, locked or of another
// schema, when the identifier is not a number, and when there is no such row.
SmsMessage getSMSMessageWithID(const std::string& identifier);

// Sets is_read of that message. A failure (a lock, a missing database) is
// logged and otherwise ignored. Returns whether the update ran to its end.
bool markSMSAsRead(const std::string& identifier);

} // namespace quorvel::engine
