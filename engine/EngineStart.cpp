// engineStart and the small reactions that keep the engine state current: the
// request-sent handler (a dial of the Settings wizard) and the lock-state handler.
#include "engine/Engine.h"

#include "common/QuorvelNames.h"
#include "engine/EngineSettings.h"
#include "engine/RefreshScheduler.h"
#include "engine/SmsCapture.h"
#include "engine/UssdCapture.h"
#include "platform/foundation/Log.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/telephony/CoreTelephony.h"

namespace quorvel::engine {

namespace {

constexpr double kRefreshTimerSeconds = 300.0;

// The Settings wizard dialled a code itself: open a window so its alert is
// hidden, but leave the reply to the wizard.
void requestSentHandler(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    QLog("Qvl: got the request sent notification ");
    ussdRequestTime = platform::now();
    updateValuesInFile = false;
}

// "lockcomplete" means locked; the platform posts "lockstate" on every change,
// which the engine takes as unlocked (a lock also ends with "lockcomplete").
void lockStateHandler(platform::CFNotificationCenterRef, void*, const std::string& name, const void*, const platform::Dict*)
{
    QLog("Qvl: got display status change notification: %@", name);
    if (name == kLockCompleteNotification) {
        deviceIsUnlocked = false;
        QLog("Qvl: device is locked.");
    } else {
        deviceIsUnlocked = true;
        QLog("Qvl: device is unlocked.");
    }
}

void observeDarwin(const char* name, platform::CFNotificationCallback callback)
{
    platform::CFNotificationCenterAddObserver(platform::CFNotificationCenterGetDarwinNotifyCenter(), nullptr, callback, name,
                                              nullptr, platform::CFNotificationSuspensionBehaviorDeliverImmediately);
}

} // namespace

void engineStart()
{
    observeDarwin(kUssdSentNotification, requestSentHandler);
    platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), nullptr, ussdReplyCallback,
                                           platform::kCTUSSDSessionStringNotification, nullptr,
                                           platform::CFNotificationSuspensionBehaviorHold);
    platform::CFNotificationCenterAddObserver(platform::CFNotificationCenterGetLocalCenter(), nullptr, refreshRequestHandler,
                                              kRefreshRequestNotification, nullptr,
                                              platform::CFNotificationSuspensionBehaviorDeliverImmediately);
    deviceIsUnlocked = true;
    observeDarwin(kLockCompleteNotification, lockStateHandler);
    observeDarwin(kLockStateNotification, lockStateHandler);
    observeDarwin(kExpectSmsReplyNotification, smsExpectedHandler);

    loadSettings();
    loadCodeConfiguration();

    // Common modes, so the timer also fires while the user is touching the screen.
    refreshTimer = platform::RunLoopTimer::create(platform::now().addingSeconds(kRefreshTimerSeconds),
                                                  platform::Seconds(kRefreshTimerSeconds),
                                                  [](platform::RunLoopTimer&) { refreshTimerTick(); });
    platform::RunLoop::current().addTimer(refreshTimer, platform::kCFRunLoopCommonModes);
}

} // namespace quorvel::engine
