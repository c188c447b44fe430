// Statements that drive the Settings application as its user would: open
// our page, tap, type, flip the switch, title the numbers, answer alerts,
// delete and go back; and expectations about what its screen shows and what
// it stored. Rows are counted from 0, as the wizard numbers them.
#include "sim/scenario/verbs/Verbs.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIScrollView.h"
#include "sim/scenario/Counted.h"
#include "sim/scenario/PictureFile.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/ValuePath.h"
#include "sim/scenario/VerbTable.h"
#include "sim/settingsapp/SettingsApp.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <cstdio>
#include <functional>

namespace sim {

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// Runs one user action on the Settings application, then lets what it set off run.
Action userAction(std::string note, std::function<UserAction(SettingsApp&)> act)
{
    return [note = std::move(note), act = std::move(act)](ScenarioRun& run) {
        SettingsApp& app = settingsApp(run.world());
        if (!app.isOpen())
            return Outcome::failure("the Settings application is not open (use app settings)");
        run.world().log().note(note);
        const UserAction done = act(app);
        run.settle();
        return done.ok ? Outcome::success() : Outcome::failure(done.problem);
    };
}

// A check of the Settings screen, which must be open.
Action screenCheck(std::function<Outcome(SettingsApp&)> check)
{
    return [check = std::move(check)](ScenarioRun& run) {
        SettingsApp& app = settingsApp(run.world());
        if (!app.isOpen())
            return Outcome::failure("the Settings application is not open");
        return check(app);
    };
}

// app settings
Action parseApp(ArgReader& args)
{
    args.end();
    return [](ScenarioRun& run) {
        run.world().log().note("the user opens Settings on the Quorvel page");
        SettingsApp& app = settingsApp(run.world());
        const bool opened = app.open();
        run.settle();
        return opened ? Outcome::success() : Outcome::failure("the Settings application could not load the bundle (see the log)");
    };
}

Action parseTap(ArgReader& args)
{
    std::string text = args.string("the text of the control or row");
    args.end();
    return userAction("the user taps " + quoted(text) + " in Settings", [text](SettingsApp& app) { return app.tap(text); });
}

Action parseType(ArgReader& args)
{
    std::string text = args.string("the text to type");
    args.end();
    return userAction("the user types " + quoted(text), [text](SettingsApp& app) { return app.type(text); });
}

Action parseSwitch(ArgReader& args)
{
    bool on = args.oneOf({"on", "off"}) == "on";
    args.end();
    return userAction(std::string("the user turns the switch ") + (on ? "on" : "off"),
                      [on](SettingsApp& app) { return app.setSwitch(on); });
}

Action parseTitle(ArgReader& args)
{
    int row = static_cast<int>(args.count("the row"));
    std::string text = args.string("the title");
    args.end();
    return userAction("the user titles row " + std::to_string(row) + " " + quoted(text),
                      [row, text](SettingsApp& app) { return app.title(row, text); });
}

Action parseDelete(ArgReader& args)
{
    int row = static_cast<int>(args.count("the row"));
    args.end();
    return userAction("the user swipes row " + std::to_string(row) + " and taps Delete",
                      [row](SettingsApp& app) { return app.deleteRow(row); });
}

Action parseBack(ArgReader& args)
{
    args.end();
    return userAction("the user taps the back button", [](SettingsApp& app) { return app.back(); });
}

Action parseSet(ArgReader& args)
{
    std::string label = args.string("the label of the setting");
    platform::Value value = args.value("the value");
    args.end();
    return userAction("the user sets " + quoted(label) + " to " + value.description(),
                      [label, value](SettingsApp& app) { return app.setValue(label, value); });
}

Action parseExpectScreen(ArgReader& args)
{
    std::string title = args.string("the screen's title");
    args.end();
    return screenCheck([title](SettingsApp& app) {
        return app.screenTitle() == title ? Outcome::success() : Outcome::failure(app.describeScreen());
    });
}

Action parseExpectAlert(ArgReader& args)
{
    // expect alert field|shows|sent|hidden ... checks SpringBoard's USSD alert instead.
    if (args.peek() && args.peek()->kind == Token::Kind::word)
        return parseExpectUssdAlert(args);
    std::string title = args.string("the alert's title");
    std::string message = args.string("the alert's message");
    args.end();
    return screenCheck([title, message](SettingsApp& app) {
        auto alert = app.topAlert();
        if (!alert)
            return Outcome::failure("no alert on screen");
        if (alert->title() != title || alert->message() != message)
            return Outcome::failure("the alert " + quoted(alert->title()) + " " + quoted(alert->message()));
        return Outcome::success();
    });
}

Action parseExpectRows(ArgReader& args)
{
    int64_t wanted = args.count("the number of rows");
    args.end();
    return screenCheck([wanted](SettingsApp& app) {
        const auto rows = app.rows();
        return static_cast<int64_t>(rows.size()) == wanted ? Outcome::success()
                                                           : Outcome::failure(counted(static_cast<int64_t>(rows.size()), "row") + " on " +
                                                                              app.describeScreen());
    });
}

Action parseExpectRow(ArgReader& args)
{
    int64_t index = args.count("the row");
    std::string text = args.string("the row's main text");
    std::string detail = args.string("the row's detail text");
    args.end();
    return screenCheck([index, text, detail](SettingsApp& app) {
        const auto rows = app.rows();
        if (index >= static_cast<int64_t>(rows.size()))
            return Outcome::failure("no row " + std::to_string(index) + " on " + app.describeScreen());
        const auto& [haveText, haveDetail] = rows[static_cast<size_t>(index)];
        if (haveText != text || haveDetail != detail)
            return Outcome::failure("row " + std::to_string(index) + " shows " + quoted(haveText) + " " + quoted(haveDetail));
        return Outcome::success();
    });
}

Action parseExpectEnabled(ArgReader& args)
{
    std::string text = args.string("the control's text");
    bool wanted = args.oneOf({"true", "false"}) == "true";
    args.end();
    return screenCheck([text, wanted](SettingsApp& app) {
        const auto enabled = app.isEnabled(text);
        if (!enabled)
            return Outcome::failure("no control shows " + quoted(text) + " on " + app.describeScreen());
        if (*enabled != wanted)
            return Outcome::failure(quoted(text) + (*enabled ? " is enabled" : " is disabled"));
        return Outcome::success();
    });
}

// expect settings KEY = VALUE|absent
Action parseExpectSettings(ArgReader& args)
{
    std::string key = args.word("a key of the settings store");
    if (!args.acceptSymbol('='))
        args.fail("expected '=' after the key");
    const bool absent = args.accept("absent");
    platform::Value expected = absent ? platform::Value() : args.value("the expected value or absent");
    args.end();
    return [key, expected, absent](ScenarioRun&) {
        const platform::Dict stored = platform::readDictionary(quorvel::kSettingsStorePath);
        auto it = stored.find(key);
        if (absent)
            return it == stored.end() ? Outcome::success() : Outcome::failure(describeValue(it->second));
        if (it == stored.end())
            return Outcome::failure("nothing stored under " + key);
        return valueMatches(it->second, expected) ? Outcome::success() : Outcome::failure(describeValue(it->second));
    };
}

Action parseExpectOffset(ArgReader& args)
{
    platform::Value wanted = args.value("the vertical content offset");
    if (!wanted.isNumber())
        args.fail("expected a number of points");
    args.end();
    return screenCheck([y = wanted.doubleValue()](SettingsApp& app) {
        auto scroll = app.scrollView();
        if (!scroll)
            return Outcome::failure("no scroll view on " + app.describeScreen());
        char found[64];
        std::snprintf(found, sizeof found, "offset %g", scroll->contentOffset().y);
        return scroll->contentOffset().y == y ? Outcome::success() : Outcome::failure(found);
    });
}

Action parseRender(ArgReader& args)
{
    std::string file = readPictureName(args);
    args.end();
    return [file](ScenarioRun& run) {
        SettingsApp& app = settingsApp(run.world());
        if (!app.isOpen())
            return Outcome::failure("the Settings application is not open");
        const std::string path = run.picturePath(file);
        if (!app.renderToPng(path))
            return Outcome::failure("cannot write " + path);
        run.notePictureWritten(path);
        // Named in the log so that whoever runs the scenario finds the picture.
        run.world().log().note("picture of the Settings screen written to " + path);
        return Outcome::success();
    };
}

} // namespace

Action parseSettingsAlert(ArgReader& args)
{
    std::string button = args.string("the alert button");
    args.end();
    return userAction("the user taps " + quoted(button) + " on the alert in Settings",
                      [button](SettingsApp& app) { return app.tapAlertButton(button); });
}

void addSettingsVerbs(VerbTable& table)
{
    table.add({"app settings", Phase::afterBoot, "app settings", parseApp});
    table.add({"tap", Phase::afterBoot, "tap \"TEXT\"", parseTap});
    table.add({"type", Phase::afterBoot, "type \"TEXT\"", parseType});
    table.add({"switch", Phase::afterBoot, "switch on|off", parseSwitch});
    table.add({"title", Phase::afterBoot, "title ROW \"TEXT\"", parseTitle});
    table.add({"delete", Phase::afterBoot, "delete ROW", parseDelete});
    table.add({"back", Phase::afterBoot, "back", parseBack});
    table.add({"set", Phase::afterBoot, "set \"LABEL\" VALUE", parseSet});
    table.add({"render settings", Phase::afterBoot, "render settings \"FILE.png\"", parseRender});
    table.addExpectation("expect screen", Phase::afterBoot, "expect screen \"TITLE\"", parseExpectScreen);
    table.addExpectation("expect alert", Phase::afterBoot,
                         "expect alert \"TITLE\" \"MESSAGE\" | expect alert [hidden] field \"TEXT\" N | "
                         "expect alert [hidden] shows \"TEXT\" | expect alert sent \"TEXT\"",
                         parseExpectAlert);
    table.addExpectation("expect rows", Phase::afterBoot, "expect rows N", parseExpectRows);
    table.addExpectation("expect row", Phase::afterBoot, "expect row ROW \"TEXT\" \"DETAIL\"", parseExpectRow);
    table.addExpectation("expect enabled", Phase::afterBoot, "expect enabled \"TEXT\" true|false", parseExpectEnabled);
    table.addExpectation("expect settings", Phase::anytime, "expect settings KEY = VALUE|absent", parseExpectSettings);
    table.addExpectation("expect offset", Phase::afterBoot, "expect offset Y", parseExpectOffset);
}

} // namespace sim
