// Statements about SMS and the processes outside SpringBoard: the carrier
// answering a code by SMS, an SMS arriving unasked, faults of the message
// database, what the messaging side shows (bulletins, badges, unread rows, the
// SMS hand-off file), and the Darwin posts and dials another process makes,
// with which a scenario plays the Settings wizard's requests.
#include "sim/scenario/verbs/Verbs.h"

#include "common/QuorvelNames.h"
#include "host/common/messaging/ChatItems.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/messaging/MessagingService.h"
#include "sim/scenario/Counted.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/ValuePath.h"
#include "sim/scenario/VerbTable.h"
#include "sim/settingsapp/SettingsApp.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <functional>
#include <memory>
#include <vector>

namespace sim {

namespace {

// The network's usual pause before an SMS answer.
constexpr platform::Micros kDefaultSmsDelay(5'000'000);

constexpr const char* kOtherProcessName = "OtherProcess";
constexpr const char* kOtherProcessBundle = "org.quillmoor.sim.other";

// Runs `act` inside a process other than SpringBoard: the Settings application
// when it is running (the wizard's requests come from there), otherwise a
// small process made for the one act. Then lets what it set off run.
Outcome fromOutsideSpringBoard(ScenarioRun& run, const std::function<void(World&)>& act)
{
    World& world = run.world();
    SettingsApp* settings = world.host<SettingsApp>();
    if (settings && settings->process()) {
        platform::ProcessScope in(*settings->process());
        act(world);
    } else {
        platform::Process other(world.device(), kOtherProcessName, kOtherProcessBundle);
        platform::ProcessScope in(other);
        act(world);
    }
    run.settle();
    return Outcome::success();
}

std::string currentProcessName()
{
    return platform::Process::current().name();
}

// sms "SENDER" "TEXT": an SMS arrives now, unasked.
Action parseSms(ArgReader& args)
{
    std::string sender = args.string("the sender");
    std::string text = args.string("the message text");
    args.end();
    return [sender, text](ScenarioRun& run) {
        run.world().log().note("an SMS arrives from " + sender);
        run.world().messaging().receive(sender, text);
        run.settle();
        return Outcome::success();
    };
}

// dbfault locked|readonly|missing|corrupt|none
Action parseDbFault(ArgReader& args)
{
    DbFault fault = *dbFaultNamed(args.oneOf({"locked", "readonly", "missing", "corrupt", "none"}));
    args.end();
    return [fault](ScenarioRun& run) {
        run.world().messaging().fault(fault);
        run.settle();
        return Outcome::success();
    };
}

// chatitems [id=N | nomessage | draft]... | chatitems nolist: a chat-items
// change holding those items, in that order, with no message stored, no
// bulletin and no badge. A message of identifier N answers with the sender
// and text of row N of the database when there is one.
Action parseChatItems(ArgReader& args)
{
    if (args.accept("nolist")) {
        args.end();
        return [](ScenarioRun& run) {
            run.world().log().note("a chat-items change without a list of items reaches SpringBoard");
            run.world().messaging().postChatItemsChangeWithoutList();
            run.settle();
            return Outcome::success();
        };
    }
    struct Item {
        enum class Kind { message, withoutMessage, draft } kind;
        int64_t id = 0;
    };
    std::vector<Item> items;
    std::string described;
    while (!args.atEnd()) {
        const Token& at = *args.peek();
        if (at.kind == Token::Kind::word && at.text == "id") {
            args.key("id=");
            const Token& number = *args.peek();
            std::optional<platform::Value> value = parseBareValue(number.text);
            if (number.kind != Token::Kind::word || !value || value->type() != platform::Value::Type::Integer)
                args.failAt(number, "expected the message identifier, a whole number (0 and below too)");
            args.word("the message identifier");
            items.push_back({Item::Kind::message, value->integerValue()});
            described += " id=" + std::to_string(value->integerValue());
        } else {
            const std::string word = args.oneOf({"id=", "nomessage", "draft"});
            items.push_back({word == "draft" ? Item::Kind::draft : Item::Kind::withoutMessage, 0});
            described += " " + word;
        }
    }
    return [items, described](ScenarioRun& run) {
        MessagingService& messaging = run.world().messaging();
        platform::Array list;
        {
            platform::ProcessScope in(run.world().springBoardProcess());
            for (const Item& item : items) {
                switch (item.kind) {
                case Item::Kind::withoutMessage: list.push_back(platform::Value(host::makeChatItemWithoutMessage())); break;
                case Item::Kind::draft: list.push_back(platform::Value(host::makeChatItemWithDraftMessage("", ""))); break;
                case Item::Kind::message: {
                    std::optional<host::StoredMessage> row = item.id > 0 ? messaging.message(item.id) : std::nullopt;
                    list.push_back(platform::Value(host::makeMessageChatItem(item.id, row ? row->sender : "", row ? row->text : "")));
                    break;
                }
                }
            }
        }
        run.world().log().note("a chat-items change reaches SpringBoard:" + (described.empty() ? std::string(" no items") : described));
        messaging.postChatItemsChange(std::move(list));
        run.settle();
        return Outcome::success();
    };
}

// sms order bulletin-first|badge-first
Action parseSmsOrder(ArgReader& args)
{
    const bool badgeFirst = args.oneOf({"bulletin-first", "badge-first"}) == "badge-first";
    args.end();
    return [badgeFirst](ScenarioRun& run) {
        run.world().messaging().setBadgeFirst(badgeFirst);
        run.world().log().note(badgeFirst ? "from now on a new message's badge is set before its bulletin is published"
                                          : "from now on a new message's bulletin is published before its badge is set");
        return Outcome::success();
    };
}

// dial "CMD": dialled from outside SpringBoard, as the Settings wizard dials.
Action parseDial(ArgReader& args)
{
    std::string code = args.string("the code");
    args.end();
    return [code](ScenarioRun& run) {
        return fromOutsideSpringBoard(run, [code](World&) { platform::CTCallDial(code); });
    };
}

// `describe` words what was found: "1 bulletin", "3 on the badge".
Action expectCount(std::function<std::string(int64_t)> describe, std::function<int64_t(World&)> count, int64_t wanted)
{
    return [describe = std::move(describe), count = std::move(count), wanted](ScenarioRun& run) {
        int64_t found = count(run.world());
        if (found != wanted)
            return Outcome::failure(describe(found));
        return Outcome::success();
    };
}

// expect bulletins "SECTION" N
Action parseBulletins(ArgReader& args)
{
    std::string section = args.string("the bulletin section, such as \"com.apple.MobileSMS\"");
    int64_t wanted = args.count("the number of bulletins");
    args.end();
    return expectCount([](int64_t n) { return counted(n, "bulletin"); }, [section](World& w) { return w.springBoard().bulletinCount(section); }, wanted);
}

// expect badge "BUNDLE" N
Action parseBadge(ArgReader& args)
{
    std::string bundle = args.string("the application's bundle identifier, such as \"com.apple.MobileSMS\"");
    int64_t wanted = args.count("the badge number");
    args.end();
    return expectCount([](int64_t n) { return std::to_string(n) + " on the badge"; }, [bundle](World& w) { return w.springBoard().badge(bundle); }, wanted);
}

// expect unread N
Action parseUnread(ArgReader& args)
{
    int64_t wanted = args.count("the number of unread messages");
    args.end();
    return expectCount([](int64_t n) { return counted(n, "unread message"); }, [](World& w) { return w.messaging().unreadCount(); }, wanted);
}

// expect handoff KEY = VALUE|present|absent
Action parseHandoff(ArgReader& args)
{
    return parseStoreExpectation(args, quorvel::kSmsHandoffPath, "key", "a key of the SMS hand-off file (text or id)");
}

} // namespace

Action parseCarrierSms(const std::string& code, ArgReader& args)
{
    std::string sender = args.string("the sender");
    std::string text = args.string("the message text");
    platform::Micros delay = args.accept("after") ? args.duration("the delay") : kDefaultSmsDelay;
    args.end();
    return [code, sender, text, delay](ScenarioRun& run) {
        run.world().carrier().answerBySms(code, sender, text, delay);
        return Outcome::success();
    };
}

Action parseOtherProcessPost(ArgReader& args)
{
    std::string name = args.string("the notification name");
    args.end();
    return [name](ScenarioRun& run) {
        return fromOutsideSpringBoard(run, [name](World& w) {
            w.log().note(currentProcessName() + " posts " + name + " on the Darwin centre");
            platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(), name,
                                                           nullptr, nullptr, true);
        });
    };
}

void addMessagingVerbs(VerbTable& table)
{
    table.add({"sms", Phase::afterBoot, "sms \"SENDER\" \"TEXT\"", parseSms});
    table.add({"dbfault", Phase::afterBoot, "dbfault locked|readonly|missing|corrupt|none", parseDbFault});
    table.add({"chatitems", Phase::afterBoot, "chatitems [id=N|nomessage|draft]... | chatitems nolist", parseChatItems});
    table.add({"sms order", Phase::afterBoot, "sms order bulletin-first|badge-first", parseSmsOrder});
    table.add({"dial", Phase::afterBoot, "dial \"CMD\"", parseDial});

    table.addExpectation("expect bulletins", Phase::afterBoot, "expect bulletins \"SECTION\" N", parseBulletins);
    table.addExpectation("expect badge", Phase::afterBoot, "expect badge \"BUNDLE\" N", parseBadge);
    table.addExpectation("expect unread", Phase::afterBoot, "expect unread N", parseUnread);
    table.addExpectation("expect handoff", Phase::anytime, "expect handoff KEY = VALUE|present|absent", parseHandoff);
}

} // namespace sim
