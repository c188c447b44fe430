#include "sim/swarm/SwarmDevice.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/messaging/MessagingService.h"
#include "sim/scenario/LogStamp.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/swarm/ReplySignature.h"
#include "sim/swarm/SwarmRandom.h"
#include "sim/world/DeviceFolder.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryReader.h"
#include "host/common/loader/ModuleLoader.h"
#include "platform/foundation/DevicePaths.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>

namespace sim::swarm {

namespace {

using platform::Date;
using platform::Micros;
using namespace std::chrono_literals;

constexpr Micros kDay = std::chrono::hours(24);
constexpr Micros kTick = std::chrono::seconds(300);
// A postponed action tries again this much later, this many times.
constexpr Micros kRetry = 20s;
constexpr int kRetries = 40;
constexpr size_t kMaxCodes = 10;
constexpr const char* kDataRefreshedLine = "sim: SpringBoard's local centre: org.quillmoor.harrowin.ussd_data_refreshed";

Micros seconds(double s)
{
    return Micros(static_cast<int64_t>(s * 1e6));
}

const std::vector<std::string> kAsciiWords{"Balance", "Bonus", "left", "min", "until", "rub", "MB", "SMS", "Tariff"};
const std::vector<std::string> kOtherWords{"Баланс", "остаток", "мин", "余额", "分钟", "Größe", "ñandú", "残高", "😀"};
const std::vector<std::string> kNoise{"#", "*", "!!", "~", "(", ")", "+", "@", "%", "\t", "?", "/"};

enum class TextStyle { ascii, otherScripts, garbled };

// The SIMs a device's codes may belong to and its slots may hold.
const platform::CTSimCard kHomeSim = sim::SimSlots::defaultSim();
const platform::CTSimCard kTravelSim{"8944200000000000002", "23410"};
const platform::CTSimCard kNoIccidSim{"", "26201"};

std::optional<platform::Value> readCodesStore()
{
    std::optional<std::string> bytes = platform::readFile(quorvel::kCodesStorePath);
    if (!bytes)
        return std::nullopt;
    return platform::parsePropertyList(*bytes);
}

class DeviceRun {
public:
    DeviceRun(uint64_t seed, uint64_t device, int days, std::ostream* log);
    SwarmDeviceResult run();

private:
    WorldOptions drawWorld();
    SwarmCode drawCode(bool sms);
    void drawSettings();
    void drawDays();
    void schedule(Date at, std::function<bool()> action, int retries = kRetries);
    // For what a dial sets off: runs on the network's run loop at `at`
    // exactly, even in the middle of a span the device is running for.
    void scheduleOnNetwork(Date at, std::function<void()> work);

    void onLine(const LogLine& line);
    void process(const LogLine& line);
    void pollAlerts(Date now);
    void noteFailure();

    std::string replyText(int code, int count, TextStyle style, int firstPosition = 0);
    TextStyle drawStyle();
    int wrongCount(int64_t expected);
    void onDial(const Dial& dial);
    void planUssd(const SwarmCode& code, Date at);
    std::vector<std::string> drawMenuChoices();
    std::string menuText(int64_t numbers);
    void planMenu(const SwarmCode& code, Date at);
    void planSms(const SwarmCode& code, Date at);
    void otherSms();

    bool quiet(Date now) const;
    bool storeSafe(Date now) const { return now > m_storeBusyUntil; }
    bool nearTick(Date now, Micros within) const;
    void writeCodes(const std::vector<SwarmCode>& codes);
    void writeSetting(const std::string& key, const platform::Value& value);
    void inSpringBoard(const std::function<void()>& act);
    void removeFolder();

    bool refresh();
    bool addCode();
    bool deleteCode();
    bool editSettings();
    bool wizardDial();
    bool unsolicitedText();
    void toggleLock();
    void toggleDnd();
    void toggleRoaming();
    void databaseFault();
    void changeSims();

    std::ostream* m_log;
    uint64_t m_device;
    int m_days;
    SwarmRandom m_random;
    InvariantChecker m_checker;
    // A folder of our own for the device (removed at the end), or empty.
    std::string m_folder;
    std::unique_ptr<World> m_world;
    std::unique_ptr<platform::Process> m_preferences;
    Date m_start;
    Date m_end;
    Micros m_alertDelay{0};

    std::map<std::pair<int64_t, uint64_t>, std::pair<std::function<bool()>, int>> m_actions;
    uint64_t m_order = 0;
    uint64_t m_events = 0;
    uint64_t m_digest = 1469598103934665603ull;
    uint64_t m_serial = 0;
    int m_nextId = 1;
    std::vector<LogLine> m_pending;
    bool m_draining = false;
    std::optional<SwarmFailure> m_failure;
    struct TrackedAlert {
        rt::id alert;
        std::optional<AlertSpot> spot;   // as last told to the checker
    };
    std::map<const void*, TrackedAlert> m_trackedAlerts;
    // Closed alerts stay alive, so that no later alert takes their address.
    std::vector<rt::id> m_closedAlerts;
    // SpringBoard::alertChanges() when the tracked alerts were last looked at.
    std::optional<uint64_t> m_alertChangesSeen;

    Date m_lastEngineDial;
    Date m_lastWizardDial;
    Date m_lastUnsolicited;
    Date m_storeBusyUntil;
    bool m_locked = false;
    bool m_dnd = false;
    bool m_roaming = false;
    std::vector<SwarmCode> m_wizardCodes;
};

DeviceRun::DeviceRun(uint64_t seed, uint64_t device, int days, std::ostream* log)
    : m_log(log)
    , m_device(device)
    , m_days(days)
    , m_random(seed, device)
{
}

// A device folder in memory when the machine has one: the message database
// flushes every write to disk otherwise, which costs most of a run's time.
std::string memoryFolder()
{
    std::error_code error;
    if (!std::filesystem::is_directory("/dev/shm", error))
        return {};
    std::string pattern = "/dev/shm/quorvel-swarm-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return {};
    return pattern;
}

WorldOptions DeviceRun::drawWorld()
{
    WorldOptions options;
    m_folder = memoryFolder();
    options.root = m_folder;
    options.ussdOrder = m_random.percent(25) ? UssdOrder::replyFirst : UssdOrder::alertFirst;
    m_alertDelay = m_random.pick(std::vector<Micros>{0us, 0us, 0us, 500ms, 3s});
    options.alertVisibleDelay = m_alertDelay;
    return options;
}

SwarmCode DeviceRun::drawCode(bool sms)
{
    SwarmCode code;
    code.id = m_nextId++;
    code.dial = std::string(sms ? "*2" : "*1") + std::to_string(100 + code.id) + "#";
    code.expected = m_random.between(1, 5);
    for (int64_t index = 0; index < code.expected; ++index)
        if (m_random.percent(60))
            code.fieldIndexes.push_back(index);
    if (sms)
        code.sender = "9" + std::to_string(100 + code.id);
    else if (m_random.percent(30))
        code.menuChoices = drawMenuChoices();
    if (m_random.percent(40))
        code.simId = m_random.pick(std::vector<std::string>{kHomeSim.iccid, kTravelSim.iccid, kNoIccidSim.homeNetwork});
    return code;
}

void DeviceRun::drawSettings()
{
    using platform::Value;
    platform::Dict settings;
    settings[quorvel::kAutoRefreshRateKey] = Value(int64_t(m_random.pick(std::vector<int>{0, 15, 30, 60, 60, 120, 240})));
    settings[quorvel::kUnlockedAutorefreshAllowedKey] = Value(m_random.percent(50));
    settings[quorvel::kEnableInRoamingKey] = Value(m_random.percent(50));
    if (m_random.percent(40))
        settings[quorvel::kObserveDNDKey] = Value(m_random.percent(50));
    std::optional<float> maxResponse;
    std::optional<float> maxSms;
    if (m_random.percent(50))
        maxResponse = m_random.pick(std::vector<float>{5.0f, 7.5f, 10.0f, 15.0f, 20.0f});
    if (m_random.percent(50))
        settings[quorvel::kSessionInitTimeKey] = Value(double(m_random.pick(std::vector<float>{1.0f, 2.5f, 4.0f, 6.0f})));
    if (m_random.percent(40))
        maxSms = m_random.pick(std::vector<float>{5.0f, 12.0f, 30.0f, 45.0f, 90.0f});
    const bool followSim = m_random.percent(50);
    if (followSim)
        settings[quorvel::kCodesFollowSimKey] = Value(true);
    m_checker.followSimWritten(followSim);
    if (maxResponse)
        settings[quorvel::kMaxResponseTimeKey] = Value(double(*maxResponse));
    if (maxSms)
        settings[quorvel::kMaxSMSResponseTimeKey] = Value(double(*maxSms));
    platform::writeDictionaryAtomically(quorvel::kSettingsStorePath, settings);
    m_checker.settingsWritten(maxResponse, maxSms);
}

void DeviceRun::schedule(Date at, std::function<bool()> action, int retries)
{
    m_actions.emplace(std::make_pair(at.micros(), m_order++), std::make_pair(std::move(action), retries));
}

void DeviceRun::scheduleOnNetwork(Date at, std::function<void()> work)
{
    m_world->device().schedule(m_world->carrier().process().mainRunLoop(), at, std::move(work));
}

void DeviceRun::drawDays()
{
    struct Kind {
        int low, high;
        std::function<bool()> action;
    };
    std::vector<Kind> kinds{
        {3, 10, [this] { return refresh(); }},
        {2, 6, [this] { toggleLock(); return true; }},
        {0, 3, [this] { toggleDnd(); return true; }},
        {0, 2, [this] { toggleRoaming(); return true; }},
        {0, 3, [this] { return editSettings(); }},
        {0, 2, [this] { return addCode(); }},
        {0, 1, [this] { return deleteCode(); }},
        {0, 2, [this] { return wizardDial(); }},
        {0, 2, [this] { databaseFault(); return true; }},
        {1, 5, [this] { otherSms(); return true; }},
        {0, 3, [this] { return unsolicitedText(); }},
        {0, 3, [this] { changeSims(); return true; }},
    };
    for (int day = 0; day < m_days; ++day) {
        const Date dayStart = m_start.adding(kDay * day);
        for (const Kind& kind : kinds) {
            const int64_t count = m_random.between(kind.low, kind.high);
            for (int64_t i = 0; i < count; ++i)
                schedule(dayStart.adding(m_random.spanBetween(1s, kDay - 1s)), kind.action);
        }
    }
}

void DeviceRun::onLine(const LogLine& line)
{
    // The checker may read the store, which may log: lines written meanwhile
    // wait their turn, so every line is seen once and in order.
    if (m_draining) {
        m_pending.push_back(line);
        return;
    }
    m_draining = true;
    process(line);
    for (size_t i = 0; i < m_pending.size(); ++i) {
        LogLine next = std::move(m_pending[i]);
        process(next);
    }
    m_pending.clear();
    m_draining = false;
}

void DeviceRun::process(const LogLine& line)
{
    ++m_events;
    if (m_log)
        *m_log << printableLine(line, m_start) << '\n';
    // Object addresses ("<IMMessageChatItem: 0x5627b3d5bd50>") depend on the
    // allocator's history in this process, not on the run: their digits are
    // left out, so a device hashes alike whatever ran before it.
    for (size_t i = 0; i < line.text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line.text[i]);
        m_digest = (m_digest ^ c) * 1099511628211ull;
        if (c == 'x' && i > 0 && line.text[i - 1] == '0')
            while (i + 1 < line.text.size() && std::isxdigit(static_cast<unsigned char>(line.text[i + 1])))
                ++i;
    }
    m_digest = (m_digest ^ static_cast<uint64_t>(line.time.micros())) * 1099511628211ull;
    if (m_failure)
        return;
    // Alerts change place only on these lines: built (the engine's init), shown
    // or closed (the engine's and the simulator's lines about alerts).
    if (line.text.find("alert") != std::string::npos || line.text == "Qvl: init..." || line.text == "Qvl: _cancelClicked")
        pollAlerts(line.time);
    m_checker.line(line.time, line.text);
    if (line.text == kDataRefreshedLine)
        m_checker.storeRead(line.time, readCodesStore(), true);
    noteFailure();
}

void DeviceRun::pollAlerts(Date now)
{
    if (!m_world->booted())
        return;
    SpringBoard& springBoard = m_world->springBoard();
    // A new alert is always the newest one.
    const auto& recent = springBoard.recentAlerts();
    bool added = false;
    if (!recent.empty())
        added = m_trackedAlerts.try_emplace(recent.back().get(), TrackedAlert{recent.back(), std::nullopt}).second;
    // With no alert added, shown, closed or framed since the last look, every
    // place is as it was then (devices gather a hundred alerts left open).
    const uint64_t changes = SpringBoard::alertChanges();
    if (!added && m_alertChangesSeen == changes)
        return;
    m_alertChangesSeen = changes;
    for (auto it = m_trackedAlerts.begin(); it != m_trackedAlerts.end();) {
        AlertSpot spot = AlertSpot::closed;
        switch (springBoard.alertPlace(it->second.alert)) {
        case AlertPlace::notShown: spot = AlertSpot::notShown; break;
        case AlertPlace::onScreen: spot = AlertSpot::onScreen; break;
        case AlertPlace::offScreen: spot = AlertSpot::offScreen; break;
        case AlertPlace::closed: spot = AlertSpot::closed; break;
        }
        if (it->second.spot != spot) {
            it->second.spot = spot;
            m_checker.alertSeen(it->first, now, spot);
        }
        if (spot == AlertSpot::closed) {
            m_closedAlerts.push_back(it->second.alert);
            it = m_trackedAlerts.erase(it);
        } else {
            ++it;
        }
    }
}

void DeviceRun::noteFailure()
{
    if (m_failure || m_checker.violations().empty())
        return;
    const Violation& violation = m_checker.violations().front();
    SwarmFailure failure{violation, logStamp(violation.time, m_start), {}};
    const auto& lines = m_world->log().lines();
    const size_t from = lines.size() > kFailureContextLines ? lines.size() - kFailureContextLines : 0;
    for (size_t i = from; i < lines.size(); ++i)
        failure.lastLines.push_back(printableLine(lines[i], m_start));
    m_failure = std::move(failure);
}

TextStyle DeviceRun::drawStyle()
{
    const int r = static_cast<int>(m_random.below(10));
    return r < 7 ? TextStyle::ascii : r < 9 ? TextStyle::otherScripts : TextStyle::garbled;
}

std::string DeviceRun::replyText(int code, int count, TextStyle style, int firstPosition)
{
    const auto& words = style == TextStyle::otherScripts ? kOtherWords : kAsciiWords;
    std::string text = m_random.pick(words);
    for (int position = 0; position < count; ++position) {
        text += " " + m_random.pick(words) + " ";
        if (style == TextStyle::garbled)
            text += m_random.pick(kNoise) + " ";
        text += signatureNumber(code, firstPosition + position, m_serial);
    }
    if (style == TextStyle::garbled)
        text += " " + m_random.pick(kNoise);
    return text;
}

int DeviceRun::wrongCount(int64_t expected)
{
    const int64_t count = expected + m_random.pick(std::vector<int64_t>{-1, 1, 2});
    return static_cast<int>(count < 0 ? expected + 1 : count);
}

void DeviceRun::onDial(const Dial& dial)
{
    if (dial.process != kSpringBoardName)
        return;
    m_lastEngineDial = dial.time;
    ++m_serial;
    SimCarrier& carrier = m_world->carrier();
    carrier.staySilent(dial.number);
    const auto& codes = m_checker.codes();
    auto found = std::find_if(codes.begin(), codes.end(), [&](const SwarmCode& c) { return c.dial == dial.number; });
    if (found == codes.end())
        return;
    if (found->sender)
        planSms(*found, dial.time);
    else if (!found->menuChoices.empty())
        planMenu(*found, dial.time);
    else
        planUssd(*found, dial.time);
}

void DeviceRun::planUssd(const SwarmCode& code, Date at)
{
    SimCarrier& carrier = m_world->carrier();
    const Micros window = seconds(m_checker.maxResponseTime());
    Micros delay = m_random.percent(35)
                       ? window + m_random.pick(std::vector<Micros>{-1s, -250ms, -1us, 0us, 1us, 250ms, 1s})
                       : m_random.spanBetween(100ms, window - 100ms);
    delay = std::max(delay, Micros(1000));
    const int kind = static_cast<int>(m_random.below(100));
    bool storing = false;
    if (kind < 72) {
        carrier.answerByUssd(code.dial, replyText(code.id, static_cast<int>(code.expected), drawStyle()), delay);
        storing = true;
    } else if (kind < 80) {
        carrier.answerByUssd(code.dial, replyText(code.id, wrongCount(code.expected), drawStyle()), delay);
    } else if (kind < 84) {
        carrier.answerByUssdWithoutText(code.dial, delay);
    } else if (kind < 90) {
        carrier.answerByUssd(code.dial, m_random.percent(50) ? "Service unavailable" : "Ошибка сети", delay);
    }
    // else: the carrier stays silent.
    storing = storing && delay <= window;
    if (storing)
        m_storeBusyUntil = std::max(m_storeBusyUntil, at.adding(delay));
    if (m_random.percent(15))
        scheduleOnNetwork(at.adding(m_random.spanBetween(0us, window + 2s)), [this] { otherSms(); });
    // A network text after the last code's reply, still inside its window.
    const auto& codes = m_checker.codes();
    const bool last = !codes.empty() && codes.back().dial == code.dial;
    if (storing && last && delay + 200ms < window && m_random.percent(25)) {
        const Date pushAt = at.adding(m_random.spanBetween(delay + 100ms, window));
        const bool withNumbers = m_random.percent(60);
        ++m_serial;
        const std::string text = withNumbers ? replyText(kNetworkSignature, static_cast<int>(code.expected), TextStyle::ascii)
                                             : std::string("Network news: roaming offers");
        m_storeBusyUntil = std::max(m_storeBusyUntil, pushAt);
        const NetworkUssdKind kind = m_random.percent(50) ? NetworkUssdKind::request : NetworkUssdKind::notification;
        scheduleOnNetwork(pushAt, [this, text, kind] { m_world->carrier().pushUssd(text, kind); });
    }
}

std::vector<std::string> DeviceRun::drawMenuChoices()
{
    std::vector<std::string> choices(static_cast<size_t>(m_random.between(1, 2)));
    for (std::string& choice : choices)
        choice = std::to_string(m_random.between(1, 9));
    return choices;
}

// A menu holding as many numbers as the code's reply, none of them a reply's
// signature: taken for the reply, it would be stored, and seen.
std::string DeviceRun::menuText(int64_t numbers)
{
    std::string text = "Menu:";
    for (int64_t item = 1; item <= numbers; ++item)
        text += " " + std::to_string(item) + " " + m_random.pick(kAsciiWords);
    return text;
}

// A code behind menus: each of its choices is answered by the next menu, the
// last by the reply (or what planUssd may draw instead); now and then the
// carrier's menus no longer offer the stored choice, which it answers
// "Invalid choice".
void DeviceRun::planMenu(const SwarmCode& code, Date at)
{
    SimCarrier& carrier = m_world->carrier();
    const Micros window = seconds(m_checker.maxResponseTime());
    const size_t levels = code.menuChoices.size();
    const Micros step = std::max(Micros(200'000), window / static_cast<int64_t>(levels + 1));
    Micros total = m_random.spanBetween(100ms, step);
    carrier.answerByMenu(code.dial, menuText(code.expected), total);
    std::vector<std::string> path;
    for (size_t level = 0; level + 1 < levels; ++level) {
        path.push_back(code.menuChoices[level]);
        const Micros delay = m_random.spanBetween(100ms, step);
        carrier.answerChoices(code.dial, path, menuText(code.expected), true, delay);
        total += delay;
    }
    path.push_back(code.menuChoices.back());
    if (m_random.percent(10))
        path.back() += "0"; // renumbered: the stored choice gets "Invalid choice"
    Micros delay = m_random.percent(30) ? window - total + m_random.pick(std::vector<Micros>{-250ms, -1us, 0us, 1us, 250ms})
                                        : m_random.spanBetween(100ms, step);
    delay = std::max(delay, Micros(1000));
    total += delay;
    const int kind = static_cast<int>(m_random.below(100));
    bool storing = false;
    if (kind < 80) {
        carrier.answerChoices(code.dial, path, replyText(code.id, static_cast<int>(code.expected), drawStyle()), false, delay);
        storing = path.back() == code.menuChoices.back();
    } else if (kind < 90) {
        carrier.answerChoices(code.dial, path, replyText(code.id, wrongCount(code.expected), drawStyle()), false, delay);
    } else {
        carrier.answerChoices(code.dial, path, "Service unavailable", false, delay);
    }
    // The choices' round trips add up: an answer past the window is not stored.
    if (storing && total <= window)
        m_storeBusyUntil = std::max(m_storeBusyUntil, at.adding(total));
    else if (storing)
        m_storeBusyUntil = std::max(m_storeBusyUntil, at.adding(total + 1s));
}

void DeviceRun::planSms(const SwarmCode& code, Date at)
{
    SimCarrier& carrier = m_world->carrier();
    const Micros wait = seconds(m_checker.maxSMSResponseTime());
    if (m_random.percent(70)) {
        // The acknowledgement's numbers sit past the code's positions: stored, they would show.
        const std::string ack = m_random.percent(30) ? replyText(code.id, static_cast<int>(code.expected), TextStyle::ascii, 10)
                                                     : std::string("Request accepted, wait for an SMS");
        carrier.answerByUssd(code.dial, ack, m_random.spanBetween(100ms, 1s));
    }
    Micros delay = m_random.percent(25) ? wait - m_random.pick(std::vector<Micros>{1s, 500ms})
                                        : m_random.spanBetween(1500ms, wait - 1s);
    const int kind = static_cast<int>(m_random.below(100));
    bool storing = false;
    std::string text = replyText(code.id, static_cast<int>(code.expected), drawStyle());
    if (kind < 63) {
        storing = true;
    } else if (kind < 71) {
        text = replyText(code.id, wrongCount(code.expected), drawStyle());
    } else if (kind < 81) {
        text.clear();
    } else if (kind < 86) {
        delay = wait + m_random.spanBetween(500ms, 5s);
    } else {
        scheduleOnNetwork(at.adding(m_random.spanBetween(1100ms, delay - 100ms)), [this] { otherSms(); });
    }
    if (!text.empty())
        carrier.answerBySms(code.dial, *code.sender, text, delay);
    if (storing)
        m_storeBusyUntil = std::max(m_storeBusyUntil, at.adding(delay));
    if (m_random.percent(10))
        scheduleOnNetwork(at.adding(m_random.spanBetween(0us, wait)), [this] { otherSms(); });
}

void DeviceRun::removeFolder()
{
    std::error_code error;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, error);
    m_folder.clear();
}

void DeviceRun::inSpringBoard(const std::function<void()>& act)
{
    platform::ProcessScope in(m_world->springBoardProcess());
    act();
}

void DeviceRun::otherSms()
{
    const std::string sender = "7" + std::to_string(m_random.between(100, 999));
    ++m_serial;
    const std::string text = replyText(static_cast<int>(m_random.between(1, 99)), static_cast<int>(m_random.between(0, 4)), drawStyle());
    inSpringBoard([&] { m_world->messaging().receive(sender, text); });
}

bool DeviceRun::quiet(Date now) const
{
    const Micros longest = seconds(std::max(m_checker.maxResponseTime(), m_checker.maxSMSResponseTime())) + 2s;
    return now > m_lastEngineDial.adding(longest) && now > m_lastWizardDial.adding(longest) && storeSafe(now) &&
           now > m_lastUnsolicited.adding(m_alertDelay + 1s) && !m_world->carrier().openMenu();
}

bool DeviceRun::nearTick(Date now, Micros within) const
{
    const int64_t since = (now.micros() - m_start.micros()) % kTick.count();
    return kTick.count() - since <= within.count() || since == 0;
}

void DeviceRun::writeCodes(const std::vector<SwarmCode>& codes)
{
    // As the Settings bundle saves: the file read by path, the list changed, a fresh root written.
    platform::Dict store = platform::readDictionary(quorvel::kCodesStorePath);
    platform::Array old;
    if (const platform::Array* list = store[quorvel::kCodesKey].array())
        old = *list;
    platform::Array list;
    for (const SwarmCode& code : codes) {
        auto kept = std::find_if(old.begin(), old.end(), [&](const platform::Value& record) {
            return record[quorvel::kUssdCodeKey] == platform::Value(code.dial);
        });
        list.push_back(kept != old.end() ? *kept : platform::Value(codeRecord(code)));
    }
    platform::Dict root{{quorvel::kCodesKey, list}};
    platform::writeDictionaryAtomically(quorvel::kCodesStorePath, root);
    m_checker.codesWritten(codes, platform::Value(root));
    m_world->log().note("swarm: Settings saves " + std::to_string(codes.size()) + " codes");
}

void DeviceRun::writeSetting(const std::string& key, const platform::Value& value)
{
    platform::Dict settings = platform::readDictionary(quorvel::kSettingsStorePath);
    if (value.isNone())
        settings.erase(key);
    else
        settings[key] = value;
    platform::writeDictionaryAtomically(quorvel::kSettingsStorePath, settings);
    auto real = [&](const char* name) -> std::optional<float> {
        auto stored = settings.find(name);
        if (stored == settings.end())
            return std::nullopt;
        return static_cast<float>(stored->second.doubleValue());
    };
    m_checker.settingsWritten(real(quorvel::kMaxResponseTimeKey), real(quorvel::kMaxSMSResponseTimeKey));
    m_world->log().note("swarm: settings store: " + key + (value.isNone() ? " removed" : " = " + value.description()));
}

bool DeviceRun::refresh()
{
    if (!quiet(m_world->now()))
        return false;
    m_world->log().note("swarm: the widget asks for a refresh");
    inSpringBoard([&] {
        m_world->springBoardProcess().localCenter().post(quorvel::kRefreshRequestNotification, nullptr, nullptr, true);
    });
    return true;
}

bool DeviceRun::addCode()
{
    if (!storeSafe(m_world->now()))
        return false;
    std::vector<SwarmCode> codes = m_checker.codes();
    if (codes.size() >= kMaxCodes)
        return true;
    if (!m_wizardCodes.empty()) {
        codes.push_back(m_wizardCodes.front());
        m_wizardCodes.erase(m_wizardCodes.begin());
    } else {
        codes.push_back(drawCode(m_random.percent(35)));
    }
    writeCodes(codes);
    return true;
}

bool DeviceRun::deleteCode()
{
    if (!storeSafe(m_world->now()))
        return false;
    std::vector<SwarmCode> codes = m_checker.codes();
    if (codes.empty())
        return true;
    codes.erase(codes.begin() + static_cast<std::ptrdiff_t>(m_random.below(codes.size())));
    writeCodes(codes);
    return true;
}

// A SIM swapped, taken out or put in either slot, at any moment: the engine
// looks at the SIMs only when it is about to dial.
void DeviceRun::changeSims()
{
    const std::vector<platform::CTSimCard> cards{kHomeSim, kTravelSim, kNoIccidSim};
    SimSlots& slots = m_world->carrier().simSlots();
    const int slot = m_random.percent(70) ? 1 : 2;
    if (m_random.percent(30))
        slots.remove(slot);
    else
        slots.insert(slot, m_random.pick(cards));
    m_world->log().note("swarm: SIMs now " + slots.describe());
    m_checker.simsChanged(slots.inserted());
}

bool DeviceRun::editSettings()
{
    if (!quiet(m_world->now()))
        return false;
    using platform::Value;
    switch (m_random.below(8)) {
    case 7:
        writeSetting(quorvel::kCodesFollowSimKey, Value(m_random.percent(50)));
        m_checker.followSimWritten(platform::readDictionary(quorvel::kSettingsStorePath)[quorvel::kCodesFollowSimKey].boolValue());
        break;
    case 0: writeSetting(quorvel::kAutoRefreshRateKey, Value(int64_t(m_random.pick(std::vector<int>{0, 15, 30, 60, 120})))); break;
    case 1: writeSetting(quorvel::kUnlockedAutorefreshAllowedKey, Value(m_random.percent(50))); break;
    case 2: writeSetting(quorvel::kEnableInRoamingKey, Value(m_random.percent(50))); break;
    case 3: writeSetting(quorvel::kObserveDNDKey, m_random.percent(30) ? Value() : Value(m_random.percent(50))); break;
    case 4: writeSetting(quorvel::kMaxResponseTimeKey, m_random.percent(20) ? Value() : Value(double(m_random.pick(std::vector<float>{5.0f, 10.0f, 12.5f, 20.0f})))); break;
    case 5: writeSetting(quorvel::kSessionInitTimeKey, m_random.percent(20) ? Value() : Value(double(m_random.pick(std::vector<float>{1.0f, 4.0f, 6.5f})))); break;
    default: writeSetting(quorvel::kMaxSMSResponseTimeKey, m_random.percent(30) ? Value() : Value(double(m_random.pick(std::vector<float>{3.0f, 20.0f, 60.0f, 75.0f})))); break;
    }
    return true;
}

bool DeviceRun::wizardDial()
{
    const Date now = m_world->now();
    // A tick's dial would take the wizard's reply as the engine's: that race is not drawn.
    if (!quiet(now) || nearTick(now, seconds(m_checker.maxSMSResponseTime()) + 5s))
        return false;
    SwarmCode code = drawCode(m_random.percent(35));
    ++m_serial;
    SimCarrier& carrier = m_world->carrier();
    const std::string text = replyText(code.id, static_cast<int>(code.expected), drawStyle());
    if (code.sender) {
        carrier.answerByUssd(code.dial, "Request accepted, wait for an SMS", m_random.spanBetween(100ms, 1s));
        carrier.answerBySms(code.dial, *code.sender, text, m_random.spanBetween(1500ms, 10s));
    } else {
        carrier.answerByUssd(code.dial, text, m_random.spanBetween(200ms, 3s));
    }
    m_lastWizardDial = now;
    m_world->log().note("swarm: the Settings wizard dials " + code.dial);
    platform::ProcessScope in(*m_preferences);
    auto post = [](const char* name) {
        platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr,
                                                       nullptr, true);
    };
    if (code.sender)
        post(quorvel::kExpectSmsReplyNotification);
    post(quorvel::kUssdSentNotification);
    platform::CTCallDial(code.dial);
    m_wizardCodes.push_back(code);
    // The user saves the new code a little later.
    schedule(now.adding(m_random.spanBetween(15s, 120s)), [this] { return addCode(); });
    return true;
}

bool DeviceRun::unsolicitedText()
{
    const Date now = m_world->now();
    const Micros window = seconds(m_checker.maxResponseTime()) + 1s;
    // The newest alert takes the engine's pending close: not drawn next to a request.
    if (now <= m_lastEngineDial.adding(window) || now <= m_lastWizardDial.adding(window) ||
        m_checker.alertCloseScheduled() || nearTick(now, m_alertDelay + 2s))
        return false;
    ++m_serial;
    std::optional<std::string> text;
    if (!m_random.percent(15))
        text = m_random.percent(50) ? replyText(kNetworkSignature, static_cast<int>(m_random.between(0, 3)), drawStyle())
                                    : std::string("Your tariff changes tomorrow");
    m_lastUnsolicited = now;
    m_world->carrier().pushUssd(text, m_random.percent(50) ? NetworkUssdKind::request : NetworkUssdKind::notification);
    return true;
}

void DeviceRun::toggleLock()
{
    m_locked = !m_locked;
    inSpringBoard([&] { m_locked ? m_world->springBoard().lock() : m_world->springBoard().unlock(); });
}

void DeviceRun::toggleDnd()
{
    m_dnd = !m_dnd;
    inSpringBoard([&] { m_world->springBoard().setStatusBarItem(1, m_dnd); });
}

void DeviceRun::toggleRoaming()
{
    m_roaming = !m_roaming;
    m_world->folder().setRoaming(m_roaming);
    m_world->log().note(std::string("swarm: the phone is ") + (m_roaming ? "roaming" : "home"));
}

void DeviceRun::databaseFault()
{
    const DbFault fault = m_random.pick(std::vector<DbFault>{DbFault::locked, DbFault::missing, DbFault::readonly, DbFault::corrupt});
    m_world->messaging().fault(fault);
    schedule(m_world->now().adding(m_random.spanBetween(30s, 15min)), [this] {
        m_world->messaging().fault(DbFault::none);
        return true;
    }, 0);
}

SwarmDeviceResult DeviceRun::run()
{
    SwarmDeviceResult result;
    result.device = m_device;
    result.days = m_days;
    m_world = std::make_unique<World>(drawWorld());
    if (!m_world->ok()) {
        result.unusable = "cannot prepare a device folder";
        m_world.reset();
        removeFolder();
        return result;
    }
    World& world = *m_world;
    m_start = world.now();
    m_end = m_start.adding(kDay * m_days);
    m_lastEngineDial = m_lastWizardDial = m_lastUnsolicited = m_storeBusyUntil = Date::fromMicros(m_start.micros() - kDay.count());
    world.log().keepNewest(2 * kFailureContextLines);
    world.log().setListener([this](const LogLine& line) { onLine(line); });
    world.carrier().setDialListener([this](const Dial& dial) { onDial(dial); });

    drawSettings();
    std::vector<SwarmCode> codes;
    const int64_t count = m_random.between(1, 8);
    for (int64_t i = 0; i < count; ++i)
        codes.push_back(drawCode(m_random.percent(35)));
    writeCodes(codes);
    m_checker.engineStarted();
    world.boot();
    const auto& loaded = world.modules().loaded();
    if (std::none_of(loaded.begin(), loaded.end(),
                     [](const host::LoadedModule& m) { return m.devicePath.ends_with(std::string("/") + kEngineLibrary + ".dylib"); })) {
        result.unusable = "the engine (QuorvelTweak.dylib) was not found beside the program";
        world.log().setListener(nullptr);
        world.carrier().setDialListener(nullptr);
        m_world.reset();
        removeFolder();
        return result;
    }
    m_preferences = std::make_unique<platform::Process>(world.device(), "Preferences", "com.apple.Preferences");
    drawDays();

    while (!m_failure && !m_actions.empty()) {
        auto next = m_actions.begin();
        const Date at = Date::fromMicros(next->first.first);
        if (at > m_end)
            break;
        auto [action, retries] = std::move(next->second);
        m_actions.erase(next);
        if (at > world.now())
            world.runFor(Micros(at.micros() - world.now().micros()));
        m_checker.timePassed(world.now());
        noteFailure();
        if (m_failure)
            break;
        ++m_events;
        if (!action() && retries > 0)
            schedule(world.now().adding(kRetry), std::move(action), retries - 1);
    }
    if (!m_failure && world.now() < m_end)
        world.runFor(Micros(m_end.micros() - world.now().micros()));
    if (!m_failure) {
        m_checker.finish(world.now(), readCodesStore());
        noteFailure();
    }
    if (!m_failure) {
        std::vector<InvariantChecker::HistoryRow> rows;
        auto error = quorvel::history::readHistory(
            platform::hostPath(quorvel::history::kHistoryDatabasePath), {}, [&](const quorvel::history::HistorySample& row) {
                rows.push_back({row.code, row.index, row.refreshedAt, row.value});
            });
        m_checker.historyRead(world.now(), rows, error);
        noteFailure();
    }
    world.log().setListener(nullptr);
    world.carrier().setDialListener(nullptr);
    m_preferences.reset();
    m_world.reset();
    removeFolder();
    result.events = m_events;
    result.digest = m_digest;
    result.failure = m_failure;
    return result;
}

} // namespace

SwarmDeviceResult runSwarmDevice(uint64_t seed, uint64_t device, int days, std::ostream* log)
{
    return DeviceRun(seed, device, days, log).run();
}

} // namespace sim::swarm
