#include "apps/gtk/logic/StateWords.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
// A code is at most 40 characters, a sender 64 bytes: more is not from quorveld.
constexpr size_t kMaxDetailShown = 64;
}

StateWords describeState(bool running, const std::string& state, const std::string& detail,
                         const std::string& smsSender)
{
    if (!running)
        return {text::stateNotRunning(), text::stateNotRunningHint(), text::startCommand(), StateKind::Problem};
    const std::string code = shownText(detail, kMaxDetailShown);
    if (state == "idle" || state.empty())
        return {text::stateIdle(), text::stateIdleHint(), "", StateKind::Idle};
    if (state == "dialling")
        return {fill(text::stateDialling(), {code}), "", "", StateKind::Busy};
    if (state == "waiting-for-sms") {
        if (smsSender.empty())
            return {fill(text::stateWaitingForAnySms(), {code}), "", "", StateKind::Busy};
        return {fill(text::stateWaitingForSms(), {shownText(smsSender, kMaxDetailShown)}),
                fill(text::stateWaitingForSmsHint(), {code}), "", StateKind::Busy};
    }
    if (state == "no-modem")
        return {text::stateNoModem(), text::stateNoModemHint(), "", StateKind::Problem};
    if (state == "modem-unavailable")
        return {text::stateModemUnavailable(), text::stateModemUnavailableHint(), "", StateKind::Problem};
    if (state == "not-authorised")
        return {text::stateNotAuthorised(), text::stateNotAuthorisedHint(), "", StateKind::Problem};
    std::string title = fill(text::stateOther(), {shownText(state, kMaxDetailShown)});
    return {title, code, "", StateKind::Unknown};
}

} // namespace quorvelapp
