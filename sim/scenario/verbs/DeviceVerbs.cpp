// Statements about the device itself: its stores as the Settings application
// leaves them (or as anybody may leave the settings store, after boot too),
// its network links, its start and the passing of time.
#include "sim/scenario/verbs/Verbs.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Device.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/DeviceFolder.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace sim {

namespace {

using platform::Array;
using platform::Dict;
using platform::Value;

std::string describeSetting(const std::string& key, const Value& value)
{
    if (value.isString())
        return key + "=\"" + value.description() + "\"";
    if (value.type() == Value::Type::Boolean)
        return key + "=" + (value.boolValue() ? "true" : "false");
    return key + "=" + value.description();
}

// The keys the Settings page stores and the modules read; a scenario that sets
// any other key has a typo the modules would silently ignore.
constexpr std::array kSettingsKeys{
    quorvel::kAutoRefreshRateKey, quorvel::kUnlockedAutorefreshAllowedKey, quorvel::kEnableInRoamingKey,
    quorvel::kObserveDNDKey,      quorvel::kMaxResponseTimeKey,            quorvel::kSessionInitTimeKey,
    quorvel::kMaxSMSResponseTimeKey, quorvel::kTitleColorKey,              quorvel::kValueColorKey,
    quorvel::kShowGridlinesKey,   quorvel::kCodesFollowSimKey,
};

bool isSettingsKey(const std::string& key)
{
    return std::find(kSettingsKeys.begin(), kSettingsKeys.end(), key) != kSettingsKeys.end();
}

std::string knownSettingsKeys()
{
    std::string list;
    for (const char* key : kSettingsKeys)
        list += (list.empty() ? "" : ", ") + std::string(key);
    return list;
}

// settings KEY=VALUE|absent ...; an absent value (none) removes the key.
Action parseSettings(ArgReader& args)
{
    std::vector<std::pair<std::string, Value>> pairs;
    do {
        const Token* at = args.peek();
        std::string key = args.key("a settings key");
        if (!isSettingsKey(key))
            args.failAt(*at, "unknown settings key \"" + key + "\" (known keys: " + knownSettingsKeys() + ")");
        pairs.emplace_back(key, args.accept("absent") ? Value() : args.value("the value of " + key + ", or absent"));
    } while (!args.atEnd());
    return [pairs](ScenarioRun& run) {
        // Merged into what is there, as the Settings application saves one value at a time.
        Dict settings = platform::readDictionary(quorvel::kSettingsStorePath);
        std::string written;
        for (const auto& [key, value] : pairs) {
            if (value.isNone())
                settings.erase(key);
            else
                settings[key] = value;
            written += (written.empty() ? "" : " ") + (value.isNone() ? key + " removed" : describeSetting(key, value));
        }
        if (!platform::writeDictionaryAtomically(quorvel::kSettingsStorePath, settings))
            return Outcome::failure("the settings store could not be written");
        run.world().log().note("settings store: " + written);
        return Outcome::success();
    };
}

// code "CMD" expect=N [sms="SENDER"] [sim="SIMID"] [field=I:"TITLE"]... [menu="CHOICE"]...
Action parseCode(ArgReader& args)
{
    std::string command = args.string("the code");
    std::optional<int64_t> expected;
    std::optional<std::string> sender;
    std::optional<std::string> simId;
    Array fields;
    Array menuChoices;
    while (!args.atEnd()) {
        const Token& at = *args.peek();
        std::string key = args.key("expect=, sms=, sim=, field= or menu=");
        if (key == "expect") {
            if (expected)
                args.failAt(at, "expect= is given twice");
            expected = args.count("the expected number of values");
        } else if (key == "sms") {
            if (sender)
                args.failAt(at, "sms= is given twice");
            sender = args.string("the SMS sender");
        } else if (key == "sim") {
            if (simId)
                args.failAt(at, "sim= is given twice");
            simId = args.string("the SIM the code belongs to (its ICCID, or its home network's MCC and MNC)");
        } else if (key == "field") {
            int64_t index = args.count("the field's index");
            args.gluedSymbol(':', "':' between the field's index and its title");
            std::string title = args.string("the field's title");
            fields.push_back(Dict{{quorvel::kTitleKey, title}, {quorvel::kIndexKey, index}});
        } else if (key == "menu") {
            menuChoices.push_back(args.string("the menu choice"));
        } else {
            args.failAt(at, "unknown option " + key + "= (expected expect=, sms=, sim=, field= or menu=)");
        }
    }
    if (!expected)
        args.fail("expected expect=N, the number of values the reply holds");

    Dict record{{quorvel::kUssdCodeKey, command}, {quorvel::kFieldsKey, fields}, {quorvel::kExpectedNumbersKey, *expected}};
    if (sender)
        record[quorvel::kSmsSenderKey] = *sender;
    if (simId)
        record[quorvel::kSimIdKey] = *simId;
    if (!menuChoices.empty())
        record[quorvel::kMenuChoicesKey] = menuChoices;
    return [record, command](ScenarioRun& run) {
        // Appended to a fresh root, as the Settings wizard saves a new code.
        Dict store = platform::readDictionary(quorvel::kCodesStorePath);
        Array codes;
        if (const Array* existing = store[quorvel::kCodesKey].array())
            codes = *existing;
        codes.push_back(record);
        Dict root{{quorvel::kCodesKey, codes}};
        if (!platform::writeDictionaryAtomically(quorvel::kCodesStorePath, root))
            return Outcome::failure("the codes store could not be written");
        run.world().log().note("codes store: code " + command + " added as entry " + std::to_string(codes.size() - 1));
        return Outcome::success();
    };
}

// roaming on|off
Action parseRoaming(ArgReader& args)
{
    bool on = args.oneOf({"on", "off"}) == "on";
    args.end();
    return [on](ScenarioRun& run) {
        if (!run.world().folder().setRoaming(on))
            return Outcome::failure("the operator link could not be changed");
        run.world().log().note(on ? "the phone is roaming: the operator link names the visited network"
                                  : "the phone is on its home network");
        return Outcome::success();
    };
}

// link carrier|operator home|visited|dangling|missing|file | link carrier|operator to "TARGET"
Action parseLink(ArgReader& args)
{
    const bool carrier = args.oneOf({"carrier", "operator"}) == "carrier";
    const char* devicePath = carrier ? kCarrierLinkPath : kOperatorLinkPath;
    const std::string name = carrier ? "carrier link" : "operator link";
    if (args.accept("to")) {
        std::string target = args.string("the link's target, a device path");
        args.end();
        return [devicePath, name, target](ScenarioRun& run) {
            if (!run.world().folder().pointLinkAt(devicePath, target))
                return Outcome::failure("the " + name + " could not be changed");
            run.world().log().note("the " + name + " points at " + target);
            return Outcome::success();
        };
    }
    struct Choice {
        const char* word;
        LinkState state;
        const char* says;
    };
    static constexpr Choice kChoices[] = {
        {"home", LinkState::home, "names the home network"},
        {"visited", LinkState::visited, "names the visited network"},
        {"dangling", LinkState::dangling, "names a carrier bundle that is not on the device"},
        {"missing", LinkState::missing, "is missing"},
        {"file", LinkState::plainFile, "is a plain file, not a link"},
    };
    const std::string word = args.oneOf({"home", "visited", "dangling", "missing", "file", "to"});
    args.end();
    const Choice* choice = nullptr;
    for (const Choice& c : kChoices)
        if (word == c.word)
            choice = &c;
    return [devicePath, name, state = choice->state, says = std::string(choice->says)](ScenarioRun& run) {
        if (!run.world().folder().setLink(devicePath, state))
            return Outcome::failure("the " + name + " could not be changed");
        run.world().log().note("the " + name + " " + says);
        return Outcome::success();
    };
}

// device "MODEL": the hardware model the device answers for "hw.machine".
Action parseDevice(ArgReader& args)
{
    std::string model = args.string("the hardware model, such as \"iPad2,1\"");
    args.end();
    return [model](ScenarioRun& run) {
        run.world().device().hardwareModel = model;
        run.world().log().note("the device's hardware model is " + model);
        return Outcome::success();
    };
}

Action parseBoot(ArgReader& args)
{
    args.end();
    return [](ScenarioRun& run) {
        run.world().boot();
        return Outcome::success();
    };
}

// advance DURATION
Action parseAdvance(ArgReader& args)
{
    platform::Micros span = args.duration("how long");
    args.end();
    return [span](ScenarioRun& run) {
        run.world().runFor(span);
        return Outcome::success();
    };
}

// note "TEXT": a line of the scenario's own in the log.
Action parseNote(ArgReader& args)
{
    std::string text = args.string("the note");
    args.end();
    return [text](ScenarioRun& run) {
        run.world().log().note(text);
        return Outcome::success();
    };
}

} // namespace

void addDeviceVerbs(VerbTable& table)
{
    table.add({"settings", Phase::anytime, "settings KEY=VALUE|absent ...", parseSettings});
    table.add({"code", Phase::beforeBoot, "code \"CMD\" expect=N [sms=\"SENDER\"] [sim=\"SIMID\"] [field=I:\"TITLE\"]... [menu=\"CHOICE\"]...", parseCode});
    table.add({"device", Phase::beforeBoot, "device \"MODEL\"", parseDevice});
    table.add({"roaming", Phase::anytime, "roaming on|off", parseRoaming});
    table.add({"link", Phase::anytime, "link carrier|operator home|visited|dangling|missing|file | link carrier|operator to \"TARGET\"",
               parseLink});
    table.add({"boot", Phase::anytime, "boot", parseBoot, true});
    table.add({"advance", Phase::afterBoot, "advance DURATION", parseAdvance});
    table.add({"note", Phase::anytime, "note \"TEXT\"", parseNote});
}

} // namespace sim
