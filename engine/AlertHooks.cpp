// The USSD alert replacements. An alert created inside the open request window
// belongs to the engine's (or the Settings wizard's) request: it is built off
// screen and closed sessionInitTime seconds after it became visible. Outside
// the window SpringBoard keeps its alert; the replacements then only log.
//
// The only message the engine itself sends to an alert is _cancelClicked, and
// always to alertDisplay, the alert created last (which is not necessarily the
// receiver). Answering USSD menus from menuTransversalQueue (the dialled
// code's menu choices) also sends _replyClicked and _okayClicked.
#include "engine/EngineState.h"
#include "engine/Replacements.h"
#include "engine/RequestWindow.h"
#include "platform/foundation/Log.h"
#include "platform/runloop/RunLoop.h"

#include <algorithm>
#include <cstdio>

namespace quorvel::engine {

namespace {

constexpr platform::CGRect kOffScreenFrame{{-500, -500}, {1, 1}};

const char* yesNo(bool value)
{
    return value ? "YES" : "NO";
}

// "%@" of an object: its own description when it has one, else class and address.
std::string describeObject(rt::Object* object)
{
    if (!object)
        return "(null)";
    if (object->isa() && object->isa()->respondsTo("description"))
        return rt::msgSend<std::string>(object, "description");
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<void*>(object));
    return "<" + (object->isa() ? object->isa()->name() : std::string("Object")) + ": " + address + ">";
}

void cancelAlertDisplay()
{
    rt::msgSend<void>(alertDisplay, "_cancelClicked");
}

// Answers the menu the alert shows with the first queued choice.
void selectNextMenuOption()
{
    const std::string option = menuTransversalQueue.front();
    QLog("Qvl: selecting menu option %@, remaining menu digits: %u", option,
         static_cast<unsigned>(menuTransversalQueue.size() - 1));
    rt::id responseField = alertDisplay ? alertDisplay->ivar("_responseField") : nullptr;
    if (!responseField) {
        QLog("Qvl: response field is nil!");
        cancelAlertDisplay();
        return;
    }
    rt::msgSend<void>(responseField, "setText:", option);
    QLog("Qvl: reply code set");
    menuTransversalQueue.erase(menuTransversalQueue.begin());
    rt::msgSend<void>(alertDisplay, "_okayClicked");
}

} // namespace

rt::Object* alertInitWithFrame(rt::Object* self, rt::SEL cmd, platform::CGRect frame)
{
    QLog("Qvl: init...");
    const rt::IMP& host = hostMethods().initWithFrame;
    rt::Object* alert = nullptr;
    switch (testRequestWindow(maxResponseTime)) {
    case RequestWindow::noRequest:
        QLog("Qvl: date is nil, not altering the alert window");
        alert = host.call<rt::Object*, platform::CGRect>(self, cmd, frame);
        break;
    case RequestWindow::passed:
        QLog("Qvl: window has passed, not altering the alert window");
        alert = host.call<rt::Object*, platform::CGRect>(self, cmd, frame);
        break;
    case RequestWindow::inside:
        alert = host.call<rt::Object*, platform::CGRect>(self, cmd, kOffScreenFrame);
        QLog("Qvl: created alert display frame, request time was %@", ussdRequestTime);
        break;
    }
    alertDisplay = alert ? alert->weak_from_this().lock() : nullptr;
    return alert;
}

void alertDisplayBecameVisible(rt::Object* self, rt::SEL cmd)
{
    QLog("Qvl: alert display is visible now");
    hostMethods().alertDisplayBecameVisible.call<void>(self, cmd);
    switch (testRequestWindow(maxResponseTime)) {
    case RequestWindow::noRequest:
        QLog("Qvl: date is nil, not closing the alert window");
        return;
    case RequestWindow::passed:
        QLog("Qvl: window has passed, not closing the alert window");
        return;
    case RequestWindow::inside:
        break;
    }
    // A menu being answered closes the alert through its own replies.
    if (!menuTransversalQueue.empty())
        return;
    QLog("Qvl:  cancelling USSD alert after delay %0.1f...", sessionInitTime);
    alertStillOpen = true;
    // A delayed call keeps its receiver alive until it has run.
    rt::id receiver = self ? self->weak_from_this().lock() : nullptr;
    const double delay = std::max(0.0, static_cast<double>(sessionInitTime));
    platform::RunLoop::current().performAfter(platform::Seconds(delay),
                                              [receiver] { rt::msgSend<void>(receiver, "clickCancel"); });
}

void clickCancel(rt::Object*, rt::SEL)
{
    if (!alertStillOpen) {
        QLog("Qvl: USSD alert was already cancelled");
        return;
    }
    QLog("Qvl: cancelling USSD alert...");
    cancelAlertDisplay();
}

void alertReplyClicked(rt::Object* self, rt::SEL cmd)
{
    hostMethods().replyClicked.call<void>(self, cmd);
    QLog("Qvl: _replyClicked");
    switch (testRequestWindow(maxResponseTime)) {
    case RequestWindow::noRequest:
        QLog("Qvl: date is nil, ignoring _replyClicked");
        return;
    case RequestWindow::passed:
        QLog("Qvl: window has passed, ignoring _replyClicked");
        return;
    case RequestWindow::inside:
        break;
    }
    if (menuTransversalQueue.empty()) {
        QLog("Qvl: _replyClicked: queue is empty, cancel alert");
        cancelAlertDisplay();
        return;
    }
    selectNextMenuOption();
}

void alertOkayClicked(rt::Object* self, rt::SEL cmd)
{
    hostMethods().okayClicked.call<void>(self, cmd);
    QLog("Qvl: _okayClicked");
}

void alertTextChanged(rt::Object* self, rt::SEL cmd, rt::Object* sender)
{
    hostMethods().textChanged.call<void, rt::Object*>(self, cmd, sender);
    QLog("Qvl: _textChanged: %@", describeObject(sender));
}

bool alertShouldInsertText(rt::Object* self, rt::SEL cmd, rt::Object* textField, std::string text, platform::NSRange range)
{
    return hostMethods().shouldInsertText.call<bool, rt::Object*, std::string, platform::NSRange>(self, cmd, textField,
                                                                                                  std::move(text), range);
}

void alertSetAllowsResponse(rt::Object* self, rt::SEL cmd, bool allows)
{
    hostMethods().setAllowsResponse.call<void, bool>(self, cmd, allows);
    QLog("Qvl: setAllowsResponse: %@", yesNo(allows));
}

void alertSetupResponseBar(rt::Object* self, rt::SEL cmd)
{
    hostMethods().setupResponseBar.call<void>(self, cmd);
    QLog("Qvl: _setupResponseBar");
}

void alertCancelClicked(rt::Object* self, rt::SEL cmd)
{
    // Cleared first: the host may close the alert and start whatever follows.
    alertStillOpen = false;
    hostMethods().cancelClicked.call<void>(self, cmd);
    QLog("Qvl: _cancelClicked");
}

void alertUpdateCharsRemaining(rt::Object* self, rt::SEL cmd)
{
    hostMethods().updateCharsRemaining.call<void>(self, cmd);
    QLog("Qvl: _updateCharsRemaining");
    switch (testRequestWindow(maxResponseTime)) {
    case RequestWindow::noRequest:
        QLog("Qvl: date is nil, ignoring _updateCharsRemaining");
        return;
    case RequestWindow::passed:
        QLog("Qvl: window has passed, ignoring _updateCharsRemaining");
        return;
    case RequestWindow::inside:
        break;
    }
    if (!menuTransversalQueue.empty())
        rt::msgSend<void>(alertDisplay, "_replyClicked");
}

bool alertAllowsResponse(rt::Object* self, rt::SEL cmd)
{
    const bool allows = hostMethods().allowsResponse.call<bool>(self, cmd);
    QLog("Qvl: allowsResponse: %@", yesNo(allows));
    return allows;
}

void alertStringAvailable(rt::Object* self, rt::SEL cmd, std::string text)
{
    hostMethods().alertStringAvailable.call<void, std::string>(self, cmd, text);
    QLog("Qvl: alertStringAvailable: %@", text);
}

void alertDisplayString(rt::Object* self, rt::SEL cmd, std::string text, bool centerVertically)
{
    hostMethods().displayString.call<void, std::string, bool>(self, cmd, std::move(text), centerVertically);
}

void alertNotifyView(rt::Object* self, rt::SEL cmd)
{
    hostMethods().notifyView.call<void>(self, cmd);
}

} // namespace quorvel::engine
