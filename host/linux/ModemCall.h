// What the parts of ModemTelephony (ModemTelephony.cpp, ModemRegistration.cpp, ModemUssd.cpp,
// ModemSms.cpp) share: one pending call, and the watch of one received SMS.
#pragma once

#include "host/linux/ModemTelephony.h"

#include <string>

namespace linuxhost {

// One pending call: it outlives the service's interest in it (a cancelled
// call still completes), so it carries what its callback needs, and the
// generation it was made in, to tell whether its modem is still the one used.
struct ModemTelephony::Call {
    ModemTelephony* self;
    std::string what; // "*100#", an SMS path, ...
    uint64_t generation;
};

// A received SMS whose parts are still arriving.
struct ModemTelephony::SmsWatch {
    ModemTelephony* self = nullptr;
    std::string path;
    MMSms* sms = nullptr;
    gulong handler = 0;
    bool mirrored = false;
};

inline std::string modemText(const gchar* s)
{
    return s ? s : "";
}

} // namespace linuxhost
