#include "engine/SmsCapture.h"

#include "engine/EngineState.h"
#include "engine/RefreshScheduler.h"
#include "platform/foundation/Log.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/telephony/CoreTelephony.h"

namespace quorvel::engine {

namespace {

void stopObservingChatItems()
{
    platform::CTTelephonyCenterRemoveObserver(platform::CTTelephonyCenterGetDefault(), nullptr,
                                              platform::kIMChatItemsDidChangeNotification, nullptr);
}

} // namespace

void beginSmsExpectation()
{
    doNotSuppressThisSMS = false;
    platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), nullptr, smsReplyCallback,
                                           platform::kIMChatItemsDidChangeNotification, nullptr,
                                           platform::CFNotificationSuspensionBehaviorHold);
    timerSMSWaiting = platform::RunLoopTimer::create(platform::now().addingSeconds(static_cast<double>(maxSMSResponseTime)),
                                                     platform::Seconds(0),
                                                     [](platform::RunLoopTimer&) { smsWaitExpired(); });
    platform::RunLoop::current().addTimer(timerSMSWaiting, platform::kCFRunLoopCommonModes);
}

void endPendingSmsWait()
{
    if (!timerSMSWaiting || !timerSMSWaiting->isValid())
        return;
    QLog("Qvl: a new refresh cycle starts, ending the pending SMS wait");
    timerSMSWaiting->invalidate();
    stopObservingChatItems();
}

void smsExpectedHandler(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    QLog("Qvl: got the SMS expected notification");
    ussdRequestTime = platform::now();
    updateValuesInFile = false;
    beginSmsExpectation();
}

void smsReplyCallback(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    QLog("Qvl: received SMS notification");
    // Each expectation examines exactly one chat-items change, the first to arrive.
    stopObservingChatItems();
    // Reading the new message from the message database and parsing it are
    // not part of this engine yet. Until they are, the change is only
    // consumed here, and an SMS request ends when its wait expires.
}

void smsWaitExpired()
{
    stopObservingChatItems();
    if (updateValuesInFile) {
        QLog("Qvl: SMS wait for response time (%0.1f seconds) expired, moving to the next code", maxSMSResponseTime);
        moveToNextCode();
    } else {
        QLog("Qvl: SMS wait for response time (%0.1f seconds) expired (request initiated by Settings)", maxSMSResponseTime);
    }
}

} // namespace quorvel::engine
