// quorvel demo: a built-in scenario that shows the engine at work on a
// simulated phone, then prints the codes store it left.
#include "sim/cli/Commands.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Files.h"
#include "sim/scenario/ScenarioSession.h"
#include "sim/world/World.h"

#include <array>
#include <filesystem>
#include <iostream>
#include <string>

namespace quorvel::cli {

namespace {

// Two codes answered by USSD and one answered by SMS: an automatic refresh at
// the first timer tick, then a refresh that the widget asks for after the
// carrier's figures changed. The SMS is read from the message database, marked
// read, and its banner and badge are held back.
constexpr const char* kDemoScenario = R"scn(# quorvel demo
settings autoRefreshRate=15 unlockedAutorefreshAllowed=true
code "*100#" expect=2 field=0:"Balance" field=1:"Bonus"
code "*102#" expect=1 field=0:"Minutes left"
code "*105#" expect=2 sms="900" field=0:"Data MB" field=1:"SMS left"
carrier "*100#" reply "Balance 12.50 EUR. Bonus 3.00 EUR" after 2s
carrier "*102#" reply "You have 250 min left" after 3s
carrier "*105#" reply "Your request is accepted. Wait for an SMS" after 2s
carrier "*105#" sms "900" "Left: 1536 MB of data and 40 SMS" after 5s
boot

note "demo: the engine's first timer tick comes 5 minutes after start: an automatic refresh"
advance 5m
expect log "Qvl: dialling code: *100#"
note "demo: the carrier answers 2 seconds after the dial"
advance 2s
expect logpart "Qvl: created alert display frame"
expect log "sim: SpringBoard shows a USSD alert off screen (hidden from the user)"
expect log "Qvl: USSD string is Balance 12.50 EUR. Bonus 3.00 EUR"
expect log "Qvl: parsed expected number of fields."
expect log "Qvl: updating file with the latest values..."
expect log "sim: SpringBoard's local centre: org.quillmoor.harrowin.ussd_data_refreshed"
expect log "Qvl: moving to the next code, 2 of 3"
expect log "Qvl: moving to the next code, but alert is still open - cancelling it now."
expect log "Qvl: dialling code: *102#"
expect alerts onscreen=0 open=0
note "demo: SpringBoard's alert for the reply was built off screen, then closed as the engine moved on"
advance 3s
expect log "Qvl: moving to the next code, 3 of 3"
note "demo: *105# is answered by SMS: the engine waits for it after the dial"
expect log "Qvl: expecting SMS reply..."
expect log "Qvl: dialling code: *105#"
advance 5s
expect log "sim: carrier answers *105# by SMS from 900: \"Left: 1536 MB of data and 40 SMS\""
expect log "Qvl: got new SMS: text=Left: 1536 MB of data and 40 SMS, id=900"
expect log "Qvl: message 1 successfuly marked as read"
expect log "Qvl: parsed expected number of fields."
expect log "Qvl: publishBulletin: com.apple.MobileSMS"
expect log "Qvl: suppressing badge..."
note "demo: the SMS is read and its banner and badge were held back"
expect unread 0
expect bulletins "com.apple.MobileSMS" 0
expect badge "com.apple.MobileSMS" 0
advance 30s
expect codes codes[0].fields[0].lastValue = "12.50"
expect codes codes[0].fields[1].lastValue = "3.00"
expect codes codes[1].fields[0].lastValue = "250"
expect codes codes[2].fields[0].lastValue = "1536"
expect codes codes[2].fields[1].lastValue = "40"
expect local "org.quillmoor.harrowin.ussd_data_refreshed" 3
expect alerts onscreen=0
expect dials 3
note "demo: end of the cycle: *105# was the last code, nothing more is dialled"

advance 2m
carrier "*100#" reply "Balance 11.75 EUR. Bonus 3.00 EUR" after 2s
carrier "*102#" reply "You have 243 min left" after 3s
carrier "*105#" sms "900" "Left: 1210.5 MB of data and 38 SMS" after 5s
note "demo: the user taps the widget's refresh line"
refresh
advance 30s
expect dials 6
expect codes codes[0].fields[0].lastValue = "11.75"
expect codes codes[1].fields[0].lastValue = "243"
expect codes codes[2].fields[0].lastValue = "1210.5"
expect codes codes[2].fields[1].lastValue = "38"
expect local "org.quillmoor.harrowin.ussd_data_refreshed" 6
expect unread 0
expect bulletins "com.apple.MobileSMS" 0
expect alerts onscreen=0
note "demo: end of the cycle"
)scn";


// The same system seen from the Settings application: the user adds two codes
// through the wizard, *100# answered by USSD and *102# answered by SMS, sets an
// automatic refresh, locks the phone for an hour while the carrier's figures
// change, and reads the latest values in the widget. Pictures of the wizard's
// screens and of the widget are written to the current folder, under the
// names of kStoryPictures.
constexpr const char* kStoryScenario = R"scn(# quorvel demo: the story
carrier "*100#" reply "Balance 12.50 rub, bonus 300" after 2s
carrier "*102#" reply "Request accepted, an SMS will follow" after 2s
carrier "*102#" sms "900" "Left: 1536 MB, 250 min and 40 SMS" after 5s
boot
note "demo: the user opens Settings, the list of codes, and the add button"
app settings
render settings "demo-1-settings.png"
tap "USSD Codes"
tap "+"
type "*100#"
render settings "demo-2-new-code.png"
note "demo: the wizard dials *100# itself; the carrier answers by USSD"
tap "Next"
advance 2s
expect screen "*100#"
title 0 "Balance"
title 1 "Bonus"
render settings "demo-3-field-titles.png"
tap "Save"
render settings "demo-4-notice.png"
alert "OK"
expect row 0 "*100#" "2 fields"
advance 5s
note "demo: *102# is answered by SMS: the switch is on, the engine catches the SMS for the wizard"
tap "+"
type "*102#"
switch on
render settings "demo-5-new-sms-code.png"
tap "Next"
advance 5s
expect log "Qvl: received SMS reply, initiated by Settings"
expect handoff id = "900"
expect screen "*102#"
note "demo: three numbers in the SMS; the minutes are left untitled"
title 0 "Data MB"
title 2 "SMS left"
render settings "demo-6-sms-field-titles.png"
tap "Save"
alert "OK"
expect row 1 "*102#" "2 fields"
expect codes codes[1].smsSender = "900"
render settings "demo-7-codes.png"
back
set "Auto Refresh" 15
note "demo: the phone is locked for an hour; halfway through, the carrier's figures change"
lock
advance 30m
expect codes codes[0].fields[0].lastValue = "12.50"
expect codes codes[1].fields[0].lastValue = "1536"
carrier "*100#" reply "Balance 11.20 rub, bonus 250" after 2s
carrier "*102#" sms "900" "Left: 1210.5 MB, 243 min and 38 SMS" after 5s
advance 30m
expect codes codes[0].fields[0].lastValue = "11.20"
expect codes codes[1].fields[1].lastValue = "38"
note "demo: every SMS was read by the engine; no banner, no badge"
expect unread 0
expect bulletins "com.apple.MobileSMS" 0
expect badge "com.apple.MobileSMS" 0
note "demo: the user pulls Notification Center down"
nc show
expect widget 200 "11.20"
expect widget 201 "250"
expect widget 202 "1210.5"
expect widget 203 "38"
expect widget 500 "Refreshed at: 09:45:07  ↻"
render widget "demo-8-widget.png"
)scn";

// The pictures kStoryScenario writes, in order.
constexpr std::array<const char*, 8> kStoryPictures{
    "demo-1-settings.png",   "demo-2-new-code.png",         "demo-3-field-titles.png", "demo-4-notice.png",
    "demo-5-new-sms-code.png", "demo-6-sms-field-titles.png", "demo-7-codes.png",        "demo-8-widget.png",
};

// Lists the story's pictures as written; a missing one means the list and the
// scenario went apart, which fails the demo.
bool printStoryPictures()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    std::cout << "sim: pictures written to " << (error ? std::string(".") : folder.string()) << ":\n";
    bool all = true;
    for (const char* name : kStoryPictures) {
        const bool there = std::filesystem::exists(name, error);
        std::cout << "  " << name << (there ? "" : " (missing)") << "\n";
        all = all && there;
    }
    return all;
}

} // namespace

int demoCommand(const CommandArgs& args)
{
    if (!args.empty()) {
        std::cerr << "usage: quorvel demo\n";
        return kUsageExitStatus;
    }
    sim::ScenarioSessionOptions options;
    options.afterRun = [](sim::World&) {
        std::cout << "\nsim: the codes store, " << kCodesStorePath << ":\n";
        std::cout << platform::readFile(kCodesStorePath).value_or("(missing)\n");
    };
    const int status = sim::runScenarioText("demo", kDemoScenario, options, std::cout, std::cerr);
    if (status != sim::kScenarioPassed)
        return status;
    std::cout << "\nsim: the story, from the Settings application to the widget:\n";
    // Earlier pictures of the same names must not pass for this run's.
    for (const char* name : kStoryPictures) {
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
    }
    // The story's pictures are for whoever runs the demo: into the current folder.
    sim::ScenarioSessionOptions storyOptions;
    storyOptions.picturesFolder = ".";
    const int storyStatus = sim::runScenarioText("demo-story", kStoryScenario, storyOptions, std::cout, std::cerr);
    if (storyStatus != sim::kScenarioPassed)
        return storyStatus;
    return printStoryPictures() ? sim::kScenarioPassed : sim::kScenarioFailed;
}

} // namespace quorvel::cli
