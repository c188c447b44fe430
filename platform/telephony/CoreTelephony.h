// The private telephony calls: dialling a USSD string and observing the
// telephony centre ("kCTUSSDSessionStringNotification",
// "__kIMChatItemsDidChangeNotification").
//
//   CTTelephonyCenterAddObserver(CTTelephonyCenterGetDefault(), nullptr, onReply,
//       "kCTUSSDSessionStringNotification", nullptr, CFNotificationSuspensionBehaviorHold);
//   CTCallDial("*123#");
//
// Each process has its own telephony centre; deliveries run on its run loop.
// The dial goes to the device's TelephonyService (the simulated carrier).
#pragma once

#include "platform/notify/NotificationCenter.h"
#include "platform/telephony/SimCards.h"

#include <string>

namespace platform {

class Device;

// Compile-time constants: a module's load-time start-up may run before the
// module's own dynamic initialisation, and must find these names whole.
inline constexpr const char* kCTUSSDSessionStringNotification = "kCTUSSDSessionStringNotification";
inline constexpr const char* kCTUSSDSessionString = "kCTUSSDSessionString";
inline constexpr const char* kIMChatItemsDidChangeNotification = "__kIMChatItemsDidChangeNotification";
inline constexpr const char* kIMChatItemsKey = "__kIMChatItemsKey";

// The host's side of CTCallDial.
class TelephonyService {
public:
    virtual ~TelephonyService() = default;
    virtual void dial(Process& from, const std::string& number) = 0;
    // The SIMs in the device, in slot order (SimCards.h). A service that
    // cannot tell has none.
    virtual std::vector<CTSimCard> insertedSims() const { return {}; }
    // A dial on the SIM `simId` names; a service with one line dials as usual.
    virtual void dialOnSim(Process& from, const std::string& number, const std::string& simId)
    {
        (void)simId;
        dial(from, number);
    }
};

// Delivers on its process's run loop (queued, in post order).
class TelephonyNotificationCenter final : public NotificationCenter {
public:
    explicit TelephonyNotificationCenter(Process& owner) : m_owner(owner) {}
    void post(const std::string& name, const void* object, const Dict* userInfo, bool deliverImmediately = true) override;
private:
    Process& m_owner;
};

CFNotificationCenterRef CTTelephonyCenterGetDefault();
void CTTelephonyCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callback,
                                  const std::string& name, const void* object, int suspensionBehavior);
void CTTelephonyCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::string& name,
                                     const void* object);
// Result is not used by any caller; returns whether a telephony service took it.
bool CTCallDial(const std::string& number);

// The service's side: posts a telephony notification to the centre of every
// process of the device (each observer hears it on its own run loop), as the
// phone's telephony daemon reaches every process that observes it.
void postTelephonyNotification(Device& device, const std::string& name, const Dict* userInfo);

} // namespace platform
