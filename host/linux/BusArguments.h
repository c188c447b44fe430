// Checks of what clients send over the daemon's interface: every argument is
// hostile until it passed one of these. A refused call gets a D-Bus error of
// org.quillmoor.Quorvel1.Error.* with a one-line reason, is logged (the
// argument cut short and escaped by the log), and changes nothing.
//
//   if (auto problem = codeProblem(code)) return refuse(invocation, kInvalidArgument, *problem);
#pragma once

#include <gio/gio.h>

#include <optional>
#include <string>

namespace linuxhost {

inline constexpr const char* kInvalidArgument = "InvalidArgument";
inline constexpr const char* kNotFound = "NotFound";
inline constexpr const char* kBusy = "Busy";
inline constexpr const char* kNoModem = "NoModem";
inline constexpr const char* kModemUnavailable = "ModemUnavailable";
inline constexpr const char* kNotAuthorised = "NotAuthorised";
inline constexpr const char* kTimeout = "Timeout";
inline constexpr const char* kFailed = "Failed";
inline constexpr const char* kStoreFull = "StoreFull";

inline constexpr size_t kMaxCodeLength = 40;       // characters 0-9 * # +
inline constexpr size_t kMaxTitleLength = 64;      // characters
inline constexpr size_t kMaxSenderLength = 64;     // bytes
inline constexpr int kMaxExpectedNumbers = 1000;   // numbers in one reply
inline constexpr size_t kMaxStoredCodes = 100;

// Why `code` is not a code one may dial or store; nullopt when it is.
std::optional<std::string> codeProblem(const std::string& code);
// Why `title` cannot title a field (empty titles are checked by the caller).
std::optional<std::string> titleProblem(const std::string& title);
// Why `sender` cannot name an SMS sender (empty: USSD, allowed).
std::optional<std::string> senderProblem(const std::string& sender);

// The number in a variant of any of D-Bus's numeric types (a double as sent,
// NaN included: the caller checks its range); nullopt for anything else.
std::optional<double> numberOf(GVariant* value);

// The start of a client's text for the log: at most 48 bytes, then "...".
std::string logExcerpt(const std::string& text);

// Returns org.quillmoor.Quorvel1.Error.<error> with `message` and logs it
// with the method's name. Always TRUE (the call was handled).
gboolean refuse(GDBusMethodInvocation* invocation, const char* error, const std::string& message);

} // namespace linuxhost
