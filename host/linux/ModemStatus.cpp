#include "host/linux/ModemStatus.h"

namespace linuxhost {

namespace {

std::string text(const gchar* s)
{
    return s ? s : "";
}

} // namespace

ModemCondition modemCondition(MMModemState state, MMModemLock lock, bool hasUssd, const std::string& modemName)
{
    if (state == MM_MODEM_STATE_LOCKED || (lock != MM_MODEM_LOCK_NONE && lock != MM_MODEM_LOCK_UNKNOWN))
        return {kModemSimLocked, "locked (" + text(mm_modem_lock_get_string(lock)) + ")",
                "unlock it (the phone's SIM PIN prompt, or `mmcli -i any --pin=PIN`); dials wait until it is "
                "unlocked and enabled"};
    if (state == MM_MODEM_STATE_FAILED)
        return {kModemFailed, "failed",
                "see `mmcli -m " + modemName + "` (a missing or broken SIM, say); dials are dropped until it works"};
    if (!hasUssd)
        return {kModemWithoutUssd, "without USSD",
                "dials wait until ModemManager gives it USSD (once it is unlocked and initialised)"};
    if (state < MM_MODEM_STATE_ENABLED)
        return {kModemDisabled, "disabled (" + text(mm_modem_state_get_string(state)) + ")",
                "enable it in the phone's mobile network settings or with `mmcli -m " + modemName +
                    " -e` (quorveld does not enable it); dials wait until it is enabled"};
    return {"", "ready", ""};
}

bool isAuthorisationError(const std::string& dbusErrorName)
{
    return dbusErrorName == "org.freedesktop.ModemManager1.Error.Core.Unauthorized" ||
           dbusErrorName == "org.freedesktop.DBus.Error.AccessDenied";
}

} // namespace linuxhost
