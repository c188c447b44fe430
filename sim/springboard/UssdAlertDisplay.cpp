// SBUSSDAlertDisplay on the simulated SpringBoard: the classes both hosts
// share, with the carrier's session told how each alert ended.
#include "sim/springboard/SpringBoardObjects.h"

namespace sim::springboard {

void UssdAlert::answered(const std::string& text)
{
    auto host = record.lock();
    if (!host)
        return;
    host->ussdReplies.push_back(text);
    if (waitsForChoice && host->menuAnswered)
        host->menuAnswered(text);
    else
        closedUnanswered();
}

void UssdAlert::closedUnanswered()
{
    // A menu closed unanswered ends its session at the network.
    if (auto host = record.lock(); waitsForChoice && host && host->menuReleased)
        host->menuReleased();
}

void registerUssdAlertClasses()
{
    host::registerUssdAlertClasses([] { return std::make_shared<UssdAlert>(); });
}

rt::id makeUssdAlert(const std::shared_ptr<HostRecord>& record)
{
    rt::id instance = host::newUssdAlert();
    if (auto* alert = dynamic_cast<UssdAlert*>(instance.get()))
        alert->record = record;
    return instance;
}

} // namespace sim::springboard
