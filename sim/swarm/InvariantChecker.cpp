#include "sim/swarm/InvariantChecker.h"

#include "common/QuorvelNames.h"
#include "sim/swarm/ReplySignature.h"
#include "sim/world/LogCapture.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace sim::swarm {

namespace {

using platform::Date;
using platform::Value;

// A delayed close may fire this much after its nominal instant (rounding of
// the close delay to the microsecond).
constexpr platform::Micros kCloseSlack{1000};
// Closed alerts are kept this long, for the "a newer alert took the close" rule.
constexpr platform::Micros kClosedAlertMemory{std::chrono::minutes(10)};

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// The text between `open` and the last `close` of the line, or "".
std::string between(std::string_view text, std::string_view open, char close)
{
    size_t from = text.find(open);
    size_t to = text.rfind(close);
    if (from == std::string_view::npos || to == std::string_view::npos || to < from + open.size())
        return {};
    from += open.size();
    return std::string(text.substr(from, to - from));
}

std::string positionText(unsigned position)
{
    return std::to_string(position + 1);
}

std::string fieldTitle(int64_t index)
{
    return "Field " + std::to_string(index);
}

} // namespace

platform::Dict codeRecord(const SwarmCode& code)
{
    // Built key by key: GCC 12 sees uninitialised variants in nested initialiser lists.
    platform::Array fields;
    for (int64_t index : code.fieldIndexes) {
        platform::Dict field;
        field.emplace(quorvel::kTitleKey, fieldTitle(index));
        field.emplace(quorvel::kIndexKey, index);
        fields.emplace_back(std::move(field));
    }
    platform::Dict record;
    record.emplace(quorvel::kUssdCodeKey, code.dial);
    record.emplace(quorvel::kFieldsKey, std::move(fields));
    record.emplace(quorvel::kExpectedNumbersKey, code.expected);
    if (code.sender)
        record.emplace(quorvel::kSmsSenderKey, *code.sender);
    if (code.simId)
        record.emplace(quorvel::kSimIdKey, *code.simId);
    if (!code.menuChoices.empty())
        record.emplace(quorvel::kMenuChoicesKey, platform::Array(code.menuChoices.begin(), code.menuChoices.end()));
    return record;
}

void InvariantChecker::fail(const std::string& invariant, Date time, const std::string& what)
{
    m_violations.push_back(Violation{invariant, time, what});
}

void InvariantChecker::codesWritten(std::vector<SwarmCode> codes, const Value& store)
{
    m_codes = std::move(codes);
    m_lastWritten = store;
}

void InvariantChecker::settingsWritten(std::optional<float> maxResponseTime, std::optional<float> maxSMSResponseTime)
{
    m_storedMaxResponseTime = maxResponseTime;
    m_storedMaxSMSResponseTime = maxSMSResponseTime;
}

void InvariantChecker::followSimWritten(bool on)
{
    m_storedFollowSim = on;
}

void InvariantChecker::simsChanged(std::vector<platform::CTSimCard> sims)
{
    m_sims = std::move(sims);
}

std::optional<std::string> InvariantChecker::boundSimAt(unsigned position) const
{
    if (!m_followSim || position >= m_codes.size() || !m_codes[position].simId || m_codes[position].simId->empty())
        return std::nullopt;
    return m_codes[position].simId;
}

bool InvariantChecker::simIn(const std::string& simId) const
{
    return std::any_of(m_sims.begin(), m_sims.end(), [&](const platform::CTSimCard& sim) { return platform::CTSimMatches(sim, simId); });
}

void InvariantChecker::engineStarted()
{
    applyLoadedSettings();
}

// The engine's loadSettings: single-precision values, the SMS wait raised to
// one second past the USSD window when stored lower.
void InvariantChecker::applyLoadedSettings()
{
    const float maxResponse = m_storedMaxResponseTime.value_or(10.0f);
    float maxSms = 60.0f;
    if (m_storedMaxSMSResponseTime) {
        maxSms = *m_storedMaxSMSResponseTime;
        if (static_cast<double>(maxSms) < static_cast<double>(maxResponse) + 1.0)
            maxSms = static_cast<float>(maxResponse + 1.0);
    }
    m_maxResponseTime = maxResponse;
    m_maxSMSResponseTime = maxSms;
    m_followSim = m_storedFollowSim;
}

void InvariantChecker::line(Date time, const std::string& text)
{
    if (time != m_instant) {
        m_instant = time;
        m_deliveries.clear();
    }
    checkDeadlines(time);
    if (startsWith(text, "Qvl"))
        engineLine(time, text);
    else if (startsWith(text, kSimLogPrefix))
        simLine(time, text.substr(std::string_view(kSimLogPrefix).size()));
}

void InvariantChecker::simLine(Date time, const std::string& text)
{
    static constexpr std::string_view kEngineDials = "SpringBoard dials ";
    if (startsWith(text, kEngineDials) && m_dialMustBeOn) {
        const std::string wanted = m_currentDial + " on SIM " + *m_dialMustBeOn;
        if (text.substr(kEngineDials.size()) != wanted)
            fail("sims", time, "the engine's dial went out as \"" + text.substr(kEngineDials.size()) + "\", not as " + wanted);
        m_dialMustBeOn.reset();
    } else if (startsWith(text, "carrier answers ")) {
        if (contains(text, " by USSD: \""))
            m_deliveries.push_back({between(text, " by USSD: \"", '"'), false});
        else if (contains(text, " by a menu: \""))
            m_deliveries.push_back({between(text, " by a menu: \"", '"'), false, true});
        else if (contains(text, " by a USSD notification without text"))
            m_deliveries.push_back({Value().description(), false});
    } else if (startsWith(text, "carrier gets the choice \"")) {
        choiceSent(time, text);
    } else if (startsWith(text, "network sends a USSD ")) {
        if (contains(text, " of its own: \""))
            m_deliveries.push_back({between(text, " of its own: \"", '"'), true});
        else
            m_deliveries.push_back({Value().description(), true});
    }
}

void InvariantChecker::startCycle()
{
    m_inCycle = true;
    m_position = 0;
    m_dialledThisCycle.clear();
    m_stepEnded = true;
    m_mustMoveBy.reset();
}

void InvariantChecker::endStep(Date time)
{
    m_stepEnded = true;
    if (m_position + 1 < m_loadedCount)
        m_mustMoveBy = time;
}

void InvariantChecker::engineLine(Date time, const std::string& text)
{
    static constexpr std::string_view kUssdString = "Qvl: USSD string is ";
    static constexpr std::string_view kSending = "Qvl: sending USSD request for code ";
    static constexpr std::string_view kMoving = "Qvl: moving to the next code, ";
    static constexpr std::string_view kStoredCount = "Qvl: number of stored codes: ";
    static constexpr std::string_view kCloseDelay = "Qvl:  cancelling USSD alert after delay ";

    if (startsWith(text, kUssdString)) {
        const std::string reply = text.substr(kUssdString.size());
        auto found = std::find_if(m_deliveries.begin(), m_deliveries.end(),
                                  [&](const Delivery& d) { return d.text == reply; });
        if (found == m_deliveries.end()) {
            fail("window", time, "the engine took \"" + reply + "\" as a USSD reply, but no USSD text arrived then");
            return;
        }
        if (found->network) {
            // A network text inside the window counts as the current code's reply.
            size_t from = 0;
            while (from < reply.size()) {
                size_t to = reply.find(' ', from);
                if (to == std::string::npos)
                    to = reply.size();
                if (auto signature = readSignature(reply.substr(from, to - from)); signature && signature->code == kNetworkSignature)
                    m_networkSerials[m_currentDial].insert(signature->serial);
                from = to + 1;
            }
        }
        m_takenMenu = found->menu;
        m_deliveries.erase(found);
        m_textTakenAt = time;
    } else if (text == "Qvl: received SMS notification") {
        m_takenMenu = false;
        m_textTakenAt = time;
    } else if (text == "Qvl: parsed expected number of fields." || startsWith(text, "Qvl: ERROR: expected ") ||
               startsWith(text, "Qvl: ERROR: code ")) {
        if (m_textTakenAt != time)
            fail("window", time, "the engine parsed a reply for " + m_currentDial + " that no USSD text or SMS brought");
        else if (m_takenMenu && text == "Qvl: parsed expected number of fields.")
            fail("menus", time, "the engine took the figures of " + m_currentDial + " from a menu text");
        endStep(time);
    } else if (startsWith(text, "Qvl: SMS wait for response time") && contains(text, "moving to the next code")) {
        endStep(time);
    } else if (contains(text, " will not be sent as DnD is on")) {
        endStep(time);
    } else if (contains(text, "has no code to dial, skipping it")) {
        endStep(time);
    } else if (startsWith(text, "Qvl: skipping ") && contains(text, ": its SIM is not in")) {
        const std::string dial = between(text, "Qvl: skipping ", ':');
        const std::optional<std::string> sim = boundSimAt(m_position);
        if (m_position >= m_codes.size() || m_codes[m_position].dial != dial)
            fail("sims", time, "the engine skipped " + dial + " as code " + positionText(m_position) + " for its SIM");
        else if (!sim)
            fail("sims", time, "the engine skipped " + dial + " for its SIM, but it belongs to none");
        else if (simIn(*sim))
            fail("sims", time, "the engine skipped " + dial + " though its SIM " + *sim + " is in");
        endStep(time);
    } else if (startsWith(text, kMoving) && !startsWith(text, "Qvl: moving to the next code, but")) {
        const unsigned next = static_cast<unsigned>(std::strtoul(text.c_str() + kMoving.size(), nullptr, 10));
        if (!m_stepEnded)
            fail("window", time, "the cycle moved on to code " + std::to_string(next) + " while the request for " +
                                     m_currentDial + " was still open");
        else if (next != m_position + 2)
            fail("window", time, "the cycle moved from code " + positionText(m_position) + " to code " +
                                     std::to_string(next));
        m_position = next == 0 ? 0 : next - 1;
        m_mustMoveBy.reset();
    } else if (startsWith(text, kStoredCount)) {
        m_loadedCount = static_cast<unsigned>(std::strtoul(text.c_str() + kStoredCount.size(), nullptr, 10));
        if (m_tickMayStart) {
            m_tickMayStart = false;
            startCycle();
        }
    } else if (startsWith(text, "Qvl: timer tick, autorefresh is ")) {
        if (text == "Qvl: timer tick, autorefresh is off") {
            m_tickMayStart = false;
        } else {
            applyLoadedSettings();
            m_tickMayStart = true;
        }
    } else if (startsWith(text, "Qvl: timer tick, should not autorefresh")) {
        m_tickMayStart = false;
    } else if (text == "Qvl: data refresh is disabled in roaming!" || startsWith(text, "Qvl: device us unlocked")) {
        applyLoadedSettings();
        m_tickMayStart = false;
    } else if (startsWith(text, "Qvl: received request to refresh data")) {
        applyLoadedSettings();
        startCycle();
    } else if (startsWith(text, kSending)) {
        const std::string dial = text.substr(kSending.size());
        if (!m_stepEnded)
            fail("window", time, "the engine dialled " + dial + " while the request for " + m_currentDial + " was still open");
        else if (!m_inCycle)
            fail("window", time, "the engine dialled " + dial + " outside any refresh cycle");
        else if (m_position >= m_codes.size())
            fail("window", time, "the engine dialled " + dial + " as code " + positionText(m_position) + " of " +
                                     std::to_string(m_codes.size()) + " stored");
        else if (m_codes[m_position].dial != dial)
            fail("window", time, "the engine dialled " + dial + " as code " + positionText(m_position) +
                                     ", where Settings stored " + m_codes[m_position].dial);
        else if (!m_dialledThisCycle.insert(dial).second)
            fail("window", time, "the engine dialled " + dial + " twice in one cycle");
        m_dialMustBeOn = boundSimAt(m_position);
        if (m_dialMustBeOn && !simIn(*m_dialMustBeOn))
            fail("sims", time, "the engine dialled " + dial + " while its SIM " + *m_dialMustBeOn + " is not in");
        m_stepEnded = false;
        m_currentDial = dial;
        m_choicesSent = 0;
        m_dialChoices = m_position < m_codes.size() ? m_codes[m_position].menuChoices : std::vector<std::string>{};
        m_requestTime = time;
        m_mustMoveBy.reset();
    } else if (contains(text, "is past the end of the")) {
        m_stepEnded = true;
        m_mustMoveBy.reset();
    } else if (text == "Qvl: expecting SMS reply...") {
        m_doNotSuppress = false;
    } else if (startsWith(text, "Qvl: got the request sent notification")) {
        m_requestTime = time;
    } else if (text == "Qvl: got the SMS expected notification") {
        m_requestTime = time;
        m_doNotSuppress = false;
    } else if (text == "Qvl: Did not receive SMS from the expected sender, ignoring it.") {
        m_doNotSuppress = true;
    } else if (contains(text, "window has passed")) {
        m_requestTime.reset();
    } else if (text == "Qvl: publishBulletin: com.apple.MobileSMS" || text == "Qvl: suppressing badge...") {
        const char* what = text == "Qvl: suppressing badge..." ? "a badge change" : "an SMS banner";
        if (m_doNotSuppress)
            fail("suppression", time, std::string(what) + " was held back after an SMS from another sender");
        else if (!inSmsWindow(time))
            fail("suppression", time, std::string(what) + " was held back outside the SMS-length window");
    } else if (startsWith(text, kCloseDelay)) {
        const double delay = std::strtod(text.c_str() + kCloseDelay.size(), nullptr);
        Alert* newest = nullptr;
        for (auto& [key, alert] : m_alerts)
            if (alert.shownAt == time && alert.spot == AlertSpot::offScreen && (!newest || alert.builtAt >= newest->builtAt))
                newest = &alert;
        if (newest) {
            newest->closeBy = time.addingSeconds(delay);
            for (auto& [key, alert] : m_alerts)
                if (&alert == newest)
                    m_closesDue.push_back(key);
        }
        m_alertStillOpen = true;
    } else if (text == "Qvl: _cancelClicked") {
        m_alertStillOpen = false;
    }
}

bool InvariantChecker::inSmsWindow(Date time) const
{
    return m_requestTime && time <= m_requestTime->addingSeconds(m_maxSMSResponseTime);
}

void InvariantChecker::alertSeen(const void* key, Date time, AlertSpot spot)
{
    auto [it, added] = m_alerts.try_emplace(key);
    Alert& alert = it->second;
    if (added) {
        alert.builtAt = time;
        alert.builtInWindow = m_requestTime && time <= m_requestTime->addingSeconds(m_maxResponseTime);
    }
    if (spot == alert.spot)
        return;
    // An automatic close goes to the newest alert, which may be one on screen
    // (a reply that came after its window); with no close pending, nothing of
    // the engine's may close an alert on screen.
    if (alert.spot == AlertSpot::onScreen && spot == AlertSpot::closed && !m_alertStillOpen)
        fail("alerts", time, "an alert on screen was closed, with no automatic close pending");
    if ((spot == AlertSpot::onScreen || spot == AlertSpot::offScreen) && !alert.shownAt) {
        alert.shownAt = time;
        if (spot == AlertSpot::offScreen && !alert.builtInWindow)
            fail("alerts", time, "an alert built outside every request window was moved off screen");
        if (spot == AlertSpot::onScreen && alert.builtInWindow)
            fail("alerts", time, "an alert built inside the request window was left on screen");
    }
    if (spot == AlertSpot::closed)
        alert.closedAt = time;
    alert.spot = spot;
}

void InvariantChecker::checkDeadlines(Date now)
{
    if (m_mustMoveBy && now > *m_mustMoveBy) {
        fail("window", *m_mustMoveBy, "the cycle stopped after code " + positionText(m_position) + " of " +
                                          std::to_string(m_loadedCount) + " although codes were left");
        m_mustMoveBy.reset();
    }
    std::erase_if(m_closesDue, [&](const void* key) {
        Alert& alert = m_alerts.at(key);
        if (alert.spot != AlertSpot::offScreen)
            return true;
        if (now <= alert.closeBy->adding(kCloseSlack))
            return false;
        // The close goes to the newest alert: one built before it was due takes it.
        const bool superseded = std::any_of(m_alerts.begin(), m_alerts.end(), [&](const auto& other) {
            return other.first != key && other.second.builtAt >= alert.builtAt && other.second.builtAt <= *alert.closeBy;
        });
        if (!superseded)
            fail("alerts", now, "an alert hidden for a request was still open past its close at " +
                                    LogCapture::timestamp(*alert.closeBy));
        return true;
    });
    if (now >= m_nextPrune) {
        m_nextPrune = now.adding(kClosedAlertMemory);
        std::erase_if(m_alerts, [&](const auto& entry) {
            return entry.second.closedAt && now > entry.second.closedAt->adding(kClosedAlertMemory) &&
                   std::find(m_closesDue.begin(), m_closesDue.end(), entry.first) == m_closesDue.end();
        });
    }
}

void InvariantChecker::timePassed(Date now)
{
    checkDeadlines(now);
}

void InvariantChecker::storeRead(Date time, std::optional<Value> store, bool engineWrote)
{
    if (!store) {
        fail("store", time, "the codes store does not read as a property list");
        return;
    }
    checkStore(time, *store, engineWrote);
    if (engineWrote) {
        expectHistory(*store);
        m_lastWritten = std::move(*store);
    }
}

void InvariantChecker::expectHistory(const Value& store)
{
    const Value& list = store[quorvel::kCodesKey];
    for (size_t i = 0; i < list.count(); ++i) {
        const Value& record = list.at(i);
        const std::string* dial = record[quorvel::kUssdCodeKey].string();
        const std::optional<Date> refreshedAt = record[quorvel::kRefreshedAtKey].date();
        if (!dial || !refreshedAt)
            continue;
        auto taken = m_historyTaken.find(*dial);
        if (taken != m_historyTaken.end() && taken->second == *refreshedAt)
            continue;
        m_historyTaken[*dial] = *refreshedAt;
        const Value& fields = record[quorvel::kFieldsKey];
        for (size_t f = 0; f < fields.count(); ++f) {
            const Value& index = fields.at(f)[quorvel::kIndexKey];
            const std::string* value = fields.at(f)[quorvel::kLastValueKey].string();
            if (index.isNumber() && index.integerValue() >= 0 && value)
                m_expectedHistory[{*dial, index.integerValue(), refreshedAt->micros()}] = *value;
        }
    }
}

void InvariantChecker::historyRead(Date now, const std::vector<HistoryRow>& rows, const std::optional<std::string>& error)
{
    if (error && !m_expectedHistory.empty()) {
        fail("history", now, "the history cannot be read: " + *error);
        return;
    }
    std::map<std::tuple<std::string, int64_t, int64_t>, std::string> found;
    std::optional<Date> previous;
    for (const HistoryRow& row : rows) {
        const std::string where = row.code + " field " + std::to_string(row.index) + " at " + row.refreshedAt.description();
        if (previous && row.refreshedAt < *previous)
            fail("history", now, where + " comes after a later row");
        previous = row.refreshedAt;
        if (!found.emplace(std::make_tuple(row.code, row.index, row.refreshedAt.micros()), row.value).second)
            fail("history", now, where + " is there twice");
    }
    for (const auto& [key, value] : m_expectedHistory) {
        auto it = found.find(key);
        const std::string where = std::get<0>(key) + " field " + std::to_string(std::get<1>(key)) + " at " +
                                  Date::fromMicros(std::get<2>(key)).description();
        if (it == found.end())
            fail("history", now, "the stored value " + value + " of " + where + " is not in the history");
        else if (it->second != value)
            fail("history", now, where + " holds " + it->second + ", the store held " + value);
    }
    for (const auto& [key, value] : found)
        if (!m_expectedHistory.count(key))
            fail("history", now, "the history holds " + value + " of " + std::get<0>(key) + " field " +
                                     std::to_string(std::get<1>(key)) + ", which was never stored");
}

void InvariantChecker::checkStore(Date time, const Value& store, bool engineWrote)
{
    const Value& list = store[quorvel::kCodesKey];
    if (!store.isDict() || (!list.isArray() && !(list.isNone() && m_codes.empty()))) {
        fail("store", time, "the codes store has no list of codes");
        return;
    }
    std::vector<std::string> stored;
    for (size_t i = 0; i < list.count(); ++i) {
        const std::string* dial = list.at(i)[quorvel::kUssdCodeKey].string();
        stored.push_back(dial ? *dial : std::string("(no code)"));
    }
    std::vector<std::string> wanted;
    for (const SwarmCode& code : m_codes)
        wanted.push_back(code.dial);
    if (stored != wanted) {
        std::string what;
        for (const std::string& dial : wanted)
            if (std::count(stored.begin(), stored.end(), dial) == 0)
                what += " " + dial + " lost;";
            else if (std::count(stored.begin(), stored.end(), dial) > 1)
                what += " " + dial + " duplicated;";
        for (const std::string& dial : stored)
            if (std::count(wanted.begin(), wanted.end(), dial) == 0)
                what += " " + dial + " not stored by Settings;";
        fail("codes", time, std::string(engineWrote ? "after the engine's write" : "in the store") +
                                (what.empty() ? " the codes are out of order" : what));
        return;
    }
    for (size_t i = 0; i < list.count(); ++i) {
        const Value& record = list.at(i);
        const SwarmCode& code = m_codes[i];
        const std::string* sender = record[quorvel::kSmsSenderKey].string();
        const Value& fields = record[quorvel::kFieldsKey];
        bool same = record[quorvel::kExpectedNumbersKey] == Value(code.expected) &&
                    (sender ? code.sender == *sender : !code.sender) && fields.count() == code.fieldIndexes.size();
        for (size_t f = 0; same && f < fields.count(); ++f)
            same = fields.at(f)[quorvel::kIndexKey] == Value(code.fieldIndexes[f]) &&
                   fields.at(f)[quorvel::kTitleKey] == Value(fieldTitle(code.fieldIndexes[f]));
        if (!same) {
            fail("codes", time, "the record of " + code.dial + " is not the one Settings stored");
            return;
        }
        for (size_t f = 0; f < fields.count(); ++f) {
            const Value& lastValue = fields.at(f)[quorvel::kLastValueKey];
            if (lastValue.isNone())
                continue;
            const std::string value = lastValue.description();
            const int64_t index = code.fieldIndexes[f];
            const std::string where = "field " + std::to_string(index) + " of " + code.dial + " holds " + value;
            std::optional<ReplySignature> signature = readSignature(value);
            if (!signature) {
                fail("values", time, where + ", which no reply carried");
            } else if (signature->position != index) {
                fail("values", time, where + ", number " + std::to_string(signature->position) + " of its reply");
            } else if (signature->code == kNetworkSignature) {
                if (m_networkSerials[code.dial].count(signature->serial) == 0)
                    fail("values", time, where + ", from a network text that arrived outside its window");
            } else if (signature->code != code.id) {
                std::string from = "code #" + std::to_string(signature->code);
                for (const SwarmCode& other : m_codes)
                    if (other.id == signature->code)
                        from = other.dial;
                fail("values", time, where + ", from a reply to " + from);
            }
        }
    }
}

void InvariantChecker::finish(Date now, const std::optional<Value>& store)
{
    checkDeadlines(now);
    if (!store) {
        fail("store", now, "the codes store does not read as a property list at the end");
        return;
    }
    checkStore(now, *store, false);
    if (m_lastWritten && !(*store == *m_lastWritten))
        fail("store", now, "the codes store at the end is not what was last written");
}

} // namespace sim::swarm
