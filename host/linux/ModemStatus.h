// What quorveld tells its clients of the modem: the State and StateDetail of
// org.quillmoor.Quorvel1 while no dial runs, and why a dial failed.
//
//   ModemCondition c = modemCondition(MM_MODEM_STATE_DISABLED, MM_MODEM_LOCK_NONE, true, "/org/.../Modem/0");
//   c.detail == "disabled"; c.text == "disabled (disabled)"; c.advice: "enable it ..."
//
// A modem is "modem-unavailable" while it is locked, failed, disabled or has
// no USSD; "not-authorised" once ModemManager refused one of quorveld's USSD
// calls because polkit did not authorise it, until one succeeds (polkit says
// nothing when its answer changes, so the next call is what tells). Received
// messages are read from properties, which polkit does not guard.
#pragma once

#include <libmm-glib.h>

#include <string>

namespace linuxhost {

inline constexpr const char* kStateIdle = "idle";
inline constexpr const char* kStateNoModem = "no-modem";
inline constexpr const char* kStateModemUnavailable = "modem-unavailable";
inline constexpr const char* kStateNotAuthorised = "not-authorised";

// StateDetail of "modem-unavailable".
inline constexpr const char* kModemDisabled = "disabled";
inline constexpr const char* kModemSimLocked = "sim-locked";
inline constexpr const char* kModemFailed = "failed";
inline constexpr const char* kModemWithoutUssd = "no-ussd";
// StateDetail of "not-authorised": the kind of call refused.
inline constexpr const char* kRefusedUssd = "ussd";

struct ModemCondition {
    std::string detail;  // one of kModem*; empty when the modem is ready
    std::string text;    // for the log: "locked (sim-pin)", "disabled (disabled)", ...
    std::string advice;  // what the user can do about it
};

ModemCondition modemCondition(MMModemState state, MMModemLock lock, bool hasUssd, const std::string& modemName);

// ModemManager's answer to a caller polkit did not authorise.
bool isAuthorisationError(const std::string& dbusErrorName);

struct ModemStatus {
    std::string state = kStateNoModem; // kStateNoModem, kStateModemUnavailable, kStateNotAuthorised or kStateIdle
    std::string detail;

    bool operator==(const ModemStatus&) const = default;
};

// Why a dial the modem client was given did not get a reply from it.
struct DialFailure {
    enum class Why {
        noModem,          // none, or it went away
        modemUnavailable, // locked, disabled, failed, no USSD
        notAuthorised,    // polkit
        sessionBusy,      // a USSD session that never became idle within the reply window
        failed,           // ModemManager's error
    };
    std::string code;
    Why why = Why::failed;
    std::string message;
};

} // namespace linuxhost
