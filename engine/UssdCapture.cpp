#include "engine/UssdCapture.h"

#include "common/NumberExtraction.h"
#include "common/QuorvelNames.h"
#include "engine/EngineState.h"
#include "engine/RefreshScheduler.h"
#include "engine/RefreshedRecord.h"
#include "engine/RequestWindow.h"
#include "engine/StoredValues.h"
#include "platform/foundation/Log.h"
#include "platform/system/Device.h"
#include "platform/telephony/CoreTelephony.h"

namespace quorvel::engine {

namespace {

// The reply text as the platform formats the value with "%@"; a missing value
// gives "(null)", a text without digits.
std::string replyText(const platform::Dict* userInfo)
{
    if (!userInfo)
        return platform::Value().description();
    auto found = userInfo->find(platform::kCTUSSDSessionString);
    return found == userInfo->end() ? platform::Value().description() : found->second.description();
}

void announceRefreshedValues()
{
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetLocalCenter(),
                                                   kDataRefreshedNotification, nullptr, nullptr, true);
}

// Parses and stores; the caller moves the cycle on whatever happens here.
void storeReply()
{
    const std::vector<std::string> numbers = parseNumbers(ussdMessage ? *ussdMessage : std::string());
    const platform::Value& ussdCode = code[kUssdCodeKey];

    std::optional<int64_t> expected = storedInteger(code[kExpectedNumbersKey]);
    if (!expected || *expected < 0) {
        QLog("Qvl: ERROR: code %@ has no usable expected number of fields, not storing its values", ussdCode);
        return;
    }
    if (static_cast<uint64_t>(*expected) != numbers.size()) {
        QLog("Qvl: ERROR: expected %u fields for code %@, but parsed %u fields!", static_cast<unsigned>(*expected),
             ussdCode, static_cast<unsigned>(numbers.size()));
        return;
    }
    QLog("Qvl: parsed expected number of fields.");

    QLog("Qvl: updating file with the latest values...");
    CodesStoreUpdate update = storeRefreshedValues(code, currentCode, numbers, platform::now());
    codes = std::move(update.storedCodes);
    if (!update.storedRecord)
        return;
    code = std::move(*update.storedRecord);
    announceRefreshedValues();
}

} // namespace

void ussdReplyCallback(platform::CFNotificationCenterRef, void*, const std::string&, const void*,
                       const platform::Dict* userInfo)
{
    switch (testRequestWindow(maxResponseTime)) {
    case RequestWindow::noRequest:
        QLog("Qvl: date is nil, not parsing this USSD response");
        return;
    case RequestWindow::passed:
        QLog("Qvl: window has passed, not parsing this USSD response");
        return;
    case RequestWindow::inside:
        break;
    }

    ussdMessage = replyText(userInfo);
    QLog("Qvl: USSD string is %@", *ussdMessage);
    if (!updateValuesInFile) {
        QLog("Qvl: ignoring USSD string");
        return;
    }
    // A menu being answered is driven by the alert replacements, not by replies.
    if (!menuTransversalQueue.empty())
        return;
    QLog("Qvl: received USSD string, expecting response for code: %@", code[kUssdCodeKey]);
    // The figures of this code come by SMS; the USSD text waits in ussdMessage.
    if (smsSender)
        return;
    parseResponse();
}

void parseResponse()
{
    if (smsSender && timerSMSWaiting)
        timerSMSWaiting->invalidate();
    storeReply();
    moveToNextCode();
}

} // namespace quorvel::engine
