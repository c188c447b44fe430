#include "engine/RefreshScheduler.h"

#include "common/QuorvelNames.h"
#include "common/SimBinding.h"
#include "engine/CodesStore.h"
#include "engine/EngineSettings.h"
#include "engine/EngineState.h"
#include "engine/MenuChoices.h"
#include "engine/SmsCapture.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/system/Device.h"
#include "platform/telephony/CoreTelephony.h"

#include <cstdint>

namespace quorvel::engine {

namespace {

constexpr const char* kCarrierLinkPath = "/var/mobile/Library/Preferences/com.apple.carrier.plist";
constexpr const char* kOperatorLinkPath = "/var/mobile/Library/Preferences/com.apple.operator.plist";

unsigned storedCodeCount()
{
    return codes ? static_cast<unsigned>(codes->size()) : 0u;
}

// Both ways of starting a cycle: from the first code, and without a wait left
// over from an earlier cycle, whose expiry would otherwise move this one on.
void startRefreshCycle()
{
    endPendingSmsWait();
    currentCode = 0;
    sendCurrentCode();
}

void logStoredCodeCount()
{
    QLog("Qvl: number of stored codes: %u", storedCodeCount());
}

// Moves the position on to the next code, closing an alert left open; false
// after the last code, when the cycle ends quietly.
bool advanceToNextCode()
{
    const unsigned count = storedCodeCount();
    if (static_cast<uint64_t>(currentCode) + 1 >= count)
        return false;
    ++currentCode;
    QLog("Qvl: moving to the next code, %u of %u", currentCode + 1, count);
    if (alertStillOpen) {
        QLog("Qvl: moving to the next code, but alert is still open - cancelling it now.");
        rt::msgSend<void>(alertDisplay, "_cancelClicked");
    }
    return true;
}

// Dials the code (on its own SIM when it has one) and opens its request
// window (and the SMS wait when a sender is stored). The alert hooks answer
// the code's menus from the queue.
void dialCode(const std::string& ussdCode, const std::optional<std::string>& sender, const std::optional<std::string>& sim)
{
    QLog("Qvl: sending USSD request for code %@", ussdCode);
    menuTransversalQueue.clear();
    menuTransversalQueue = menuChoicesOf(code);
    ussdRequestTime = platform::now();
    if (sender) {
        QLog("Qvl: expecting SMS reply...");
        smsSender = sender;
        beginSmsExpectation();
    } else {
        smsSender.reset();
    }
    QLog("Qvl: dialling code: %@", ussdCode);
    lastRefreshTime = platform::now();
    updateValuesInFile = true;
    if (sim)
        platform::CTCallDialOnSim(ussdCode, *sim);
    else
        platform::CTCallDial(ussdCode);
}

bool refreshBlockedByRoaming()
{
    if (isRoaming() && !enableInRoaming) {
        QLog("Qvl: data refresh is disabled in roaming!");
        return true;
    }
    return false;
}

} // namespace

void loadCodeConfiguration()
{
    const platform::Value& stored = readStoredCodesEntry();
    if (const platform::Array* list = stored.array()) {
        codes = *list;
    } else {
        codes.reset();
        if (!stored.isNone())
            QLog("Qvl: the stored codes are not a list, ignoring them");
    }
    logStoredCodeCount();
}

bool isRoaming()
{
    std::optional<std::string> carrier = platform::symbolicLinkDestination(kCarrierLinkPath);
    std::optional<std::string> registeredOperator = platform::symbolicLinkDestination(kOperatorLinkPath);
    return !(carrier && registeredOperator && *carrier == *registeredOperator);
}

void sendCurrentCode()
{
    loadCodeConfiguration();
    // Records that are skipped move the cycle on within this one read of the
    // store: re-reading it for each of them made a cycle over many unusable
    // records quadratic (and recursed once per record). Each step still logs
    // the count it works with, as a step that read the store does.
    for (;; logStoredCodeCount()) {
        const unsigned count = storedCodeCount();
        if (count == 0)
            return;
        // Codes deleted in Settings during the cycle can leave the position past the end.
        if (currentCode >= count) {
            QLog("Qvl: code %u is past the end of the %u stored codes, ending the cycle", currentCode + 1, count);
            return;
        }

        const platform::Value& record = (*codes)[currentCode];
        const std::string* dialText = record[kUssdCodeKey].string();
        if (!record.isDict() || !dialText || dialText->empty()) {
            QLog("Qvl: stored code %u of %u has no code to dial, skipping it", currentCode + 1, count);
            code = platform::Value();
            if (!advanceToNextCode())
                return;
            continue;
        }
        const std::string ussdCode = *dialText;

        std::optional<std::string> sender;
        const platform::Value& storedSender = record[kSmsSenderKey];
        if (const std::string* text = storedSender.string())
            sender = *text;
        else if (!storedSender.isNone())
            QLog("Qvl: the SMS sender of code %@ is not a text, expecting a USSD reply", ussdCode);

        code = record;
        // A code that belongs to a SIM waits for it; the cycle goes on without it.
        const std::optional<std::string> sim = boundSim(record, codesFollowSim);
        if (codesFollowSim && !sim && !record[kSimIdKey].isNone())
            QLog("Qvl: the SIM of code %@ is not a text, dialling it on any SIM", ussdCode);
        if (sim && !platform::CTSimIsInserted(*sim)) {
            QLog("Qvl: skipping %@: its SIM is not in", ussdCode);
            if (!advanceToNextCode())
                return;
            continue;
        }
        if (observeDND && isDnDActive && sender) {
            QLog("Qvl: USSD request for code %@ will not be sent as DnD is on and Observe DND is set to ON", ussdCode);
            if (!advanceToNextCode())
                return;
            continue;
        }
        dialCode(ussdCode, sender, sim);
        return;
    }
}

void moveToNextCode()
{
    if (advanceToNextCode())
        sendCurrentCode();
}

void refreshTimerTick()
{
    loadSettings();
    if (refreshBlockedByRoaming())
        return;
    if (deviceIsUnlocked && !unlockedAutorefreshAllowed) {
        QLog("Qvl: device us unlocked but autorefresh is not allowed in such state in the settings.");
        return;
    }

    // loadSettings keeps the rate within 0...INT32_MAX; the product wraps as
    // 32-bit arithmetic does rather than overflowing.
    const uint32_t periodSeconds = static_cast<uint32_t>(autoRefreshRate) * 60u;
    std::optional<platform::Date> expectedRefresh;
    if (lastRefreshTime)
        expectedRefresh = lastRefreshTime->addingSeconds(static_cast<double>(static_cast<int32_t>(periodSeconds)));
    QLog("Qvl: timer tick, autorefresh is %u seconds, last refresh time is %@, expected refresh at %@",
         static_cast<unsigned>(periodSeconds), lastRefreshTime, expectedRefresh);

    if (autoRefreshRate == 0) {
        QLog("Qvl: timer tick, autorefresh is off");
        return;
    }
    if (expectedRefresh && platform::now() < *expectedRefresh) {
        QLog("%@ %@", "Qvl: timer tick, should not autorefresh codes yet", "...");
        return;
    }
    startRefreshCycle();
}

void refreshRequestHandler(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    loadSettings();
    if (refreshBlockedByRoaming())
        return;
    QLog("Qvl: received request to refresh data, max USSD response time is %0.1f, session init time is %0.1f, max SMS "
         "response time is %0.1f",
         maxResponseTime, sessionInitTime, maxSMSResponseTime);
    startRefreshCycle();
}

} // namespace quorvel::engine
