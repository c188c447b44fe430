// The bulletin and badge replacements: the banner and badge of an SMS that
// answers a request are held back. Whether they are the request's is decided
// by time alone: they come while the SMS-length window (maxSMSResponseTime from
// ussdRequestTime) is open and no SMS of another sender has been seen in the
// current wait. Only the bulletin's section is looked at; badges are held back
// for every icon, since the Messages badge is not told apart from the others.
#include "engine/EngineState.h"
#include "engine/Replacements.h"
#include "engine/RequestWindow.h"
#include "platform/foundation/Log.h"

#include <string>

namespace quorvel::engine {

namespace {

constexpr const char* kMessagesSection = "com.apple.MobileSMS";

void publishOnHost(rt::Object* self, rt::SEL cmd, rt::Object* bulletin, unsigned destinations, bool alwaysToLockScreen)
{
    hostMethods().publishBulletin.call<void, rt::Object*, unsigned, bool>(self, cmd, bulletin, destinations,
                                                                          alwaysToLockScreen);
}

} // namespace

void publishBulletin(rt::Object* self, rt::SEL cmd, rt::Object* bulletin, unsigned destinations, bool alwaysToLockScreen)
{
    if (doNotSuppressThisSMS) {
        QLog("Qvl: message marked as do not suppress");
        publishOnHost(self, cmd, bulletin, destinations, alwaysToLockScreen);
        return;
    }
    switch (testRequestWindow(maxSMSResponseTime)) {
    case RequestWindow::noRequest:
        QLog("Qvl: date is nil, ignoring bulletin");
        publishOnHost(self, cmd, bulletin, destinations, alwaysToLockScreen);
        return;
    case RequestWindow::passed:
        QLog("Qvl: window has passed, ignoring bulletin");
        publishOnHost(self, cmd, bulletin, destinations, alwaysToLockScreen);
        return;
    case RequestWindow::inside:
        break;
    }
    const std::string section = rt::msgSend<std::string>(bulletin, "section");
    QLog("Qvl: publishBulletin: %@", section);
    if (section != kMessagesSection)
        publishOnHost(self, cmd, bulletin, destinations, alwaysToLockScreen);
}

void setBadge(rt::Object* self, rt::SEL cmd, int badge)
{
    if (doNotSuppressThisSMS) {
        QLog("Qvl: message marked as do not suppress");
        hostMethods().setBadge.call<void, int>(self, cmd, badge);
        return;
    }
    switch (testRequestWindow(maxSMSResponseTime)) {
    case RequestWindow::noRequest:
        QLog("Qvl: date is nil, ignoring setBadge");
        hostMethods().setBadge.call<void, int>(self, cmd, badge);
        return;
    case RequestWindow::passed:
        QLog("Qvl: SMS window has passed, ignoring setBadge");
        hostMethods().setBadge.call<void, int>(self, cmd, badge);
        return;
    case RequestWindow::inside:
        QLog("Qvl: suppressing badge...");
        return;
    }
}

} // namespace quorvel::engine
