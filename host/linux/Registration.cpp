#include "host/linux/Registration.h"

#include "host/common/device/CarrierLinks.h"

namespace linuxhost {

CarrierLinkTargets linkTargets(const Registration& registration)
{
    std::string home = !registration.homeOperator.empty() ? registration.homeOperator
                       : !registration.operatorCode.empty() ? registration.operatorCode
                                                            : "Unknown";
    std::string registered = home;
    if (registration.state == kRegistrationRoaming) {
        registered = registration.operatorCode.empty() || registration.operatorCode == home ? "Visited-" + home
                                                                                             : registration.operatorCode;
    }
    return {host::carrierBundlePath(home), host::carrierBundlePath(registered)};
}

bool applyRegistration(const Registration& registration)
{
    CarrierLinkTargets targets = linkTargets(registration);
    bool carrier = host::pointLink(host::kCarrierLinkPath, targets.carrier);
    bool registered = host::pointLink(host::kOperatorLinkPath, targets.registered);
    return carrier && registered;
}

} // namespace linuxhost
