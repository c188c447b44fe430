// What must hold on a swarm device, checked as the device runs. The checker
// follows the device through what it is told: every log line in order (the
// engine's own lines, and the simulator's about dials, answers and alerts),
// what the swarm wrote into the stores as the Settings application, each
// reading of the codes store, and where each USSD alert is. Each broken rule
// becomes a Violation naming its invariant:
//
//   codes        the stored codes change only through Settings: none lost,
//                duplicated, resurrected or altered by the engine;
//   values       every lastValue came from a reply to its own code and field
//                (or from a network text inside that code's open window);
//   window       one request at a time: the engine dials only when a cycle
//                starts or the previous step ended (its reply parsed, its SMS
//                wait over, or skipped by the Do Not Disturb rule), parses only
//                texts that a USSD reply or an SMS brought, goes through the
//                codes in order, never dials a code twice in a cycle, and
//                moves on at once after a step while codes are left;
//   alerts       an alert built for a request (off screen) is closed within the
//                close delay the engine announced after it became visible,
//                unless a newer alert took the close or it became visible
//                after its window; alerts on screen are never closed;
//   store        the codes store always reads, and at the end holds what was
//                last written;
//   suppression  SMS banners and badges are held back only inside the
//                SMS-length window and not after an SMS from another sender;
//   sims         no code that belongs to a SIM is dialled while that SIM is
//                out, or on another SIM; none is skipped for its SIM while
//                it is in (only while codes follow their SIM, as the engine
//                last loaded that setting);
//   menus        every menu choice the network gets is the next choice of the
//                code being dialled, in order; no figure is parsed from a
//                menu text (a text that waits for a choice);
//   history      the history database holds every value the engine stored,
//                once, under its code, field index and refresh time (each
//                code's record taken when its refreshedAt changed, as the
//                history module takes it), and nothing else.
//
//   InvariantChecker checker;
//   checker.codesWritten(codes, store);        // the Settings side
//   log.setListener([&](const LogLine& l) { checker.line(l.time, l.text); });
//   checker.storeRead(now, readStore(), true); // after each announcement
//   checker.finish(now, readStore());
//
// Tests feed it crafted histories. Single-threaded.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/foundation/Value.h"
#include "platform/telephony/SimCards.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace sim::swarm {

// A stored code as Settings saved it.
struct SwarmCode {
    int id = 0;                  // the signature number of its replies
    std::string dial;            // the ussdCode
    int64_t expected = 0;        // expectedNumbers
    std::vector<int64_t> fieldIndexes;
    std::optional<std::string> sender;   // smsSender
    std::optional<std::string> simId;    // the SIM it belongs to
    std::vector<std::string> menuChoices; // menuChoices (USSD codes only)
};

// The code record the Settings wizard saves for `code` (titles "Field N").
platform::Dict codeRecord(const SwarmCode& code);

struct Violation {
    std::string invariant;
    platform::Date time;
    std::string what;
};

enum class AlertSpot { notShown, onScreen, offScreen, closed };

class InvariantChecker {
public:
    // --- What the Settings side did ---
    // The codes store now holds `codes`, in this order, written as `store`.
    void codesWritten(std::vector<SwarmCode> codes, const platform::Value& store);
    // The settings store now holds these (nullopt: the key is absent); the
    // engine takes them at its next timer tick or refresh request, as at start.
    void settingsWritten(std::optional<float> maxResponseTime, std::optional<float> maxSMSResponseTime);
    // The settings store's codesFollowSim is now `on`; the engine takes it
    // with the other settings.
    void followSimWritten(bool on);
    // The SIMs in the phone are now these.
    void simsChanged(std::vector<platform::CTSimCard> sims);
    // The engine loaded the settings at start-up.
    void engineStarted();

    // --- What the device did ---
    void line(platform::Date time, const std::string& text);
    // Where alert `key` is now; called whenever it may have changed.
    void alertSeen(const void* key, platform::Date time, AlertSpot spot);
    // The codes store as read now (nullopt: it does not read); `engineWrote`
    // when the engine has just announced new values.
    void storeRead(platform::Date time, std::optional<platform::Value> store, bool engineWrote);
    // Virtual time reached `now` (checks deadlines between lines).
    void timePassed(platform::Date now);
    // The run is over: `store` is the codes store as it is left.
    void finish(platform::Date now, const std::optional<platform::Value>& store);
    // The history database's rows at the end, in the order it gives them (or
    // the reason it cannot be read).
    struct HistoryRow {
        std::string code;
        int64_t index = 0;
        platform::Date refreshedAt;
        std::string value;
    };
    void historyRead(platform::Date now, const std::vector<HistoryRow>& rows, const std::optional<std::string>& error);

    const std::vector<Violation>& violations() const { return m_violations; }

    // --- The engine as the checker follows it, for the swarm's choices ---
    double maxResponseTime() const { return m_maxResponseTime; }
    double maxSMSResponseTime() const { return m_maxSMSResponseTime; }
    // Whether an automatic close is pending (the engine's alertStillOpen).
    bool alertCloseScheduled() const { return m_alertStillOpen; }
    const std::vector<SwarmCode>& codes() const { return m_codes; }

private:
    struct Delivery {
        std::string text;
        bool network = false;
        bool menu = false;
    };
    struct Alert {
        platform::Date builtAt;
        std::optional<platform::Date> shownAt;
        AlertSpot spot = AlertSpot::notShown;
        bool builtInWindow = false;
        std::optional<platform::Date> closeBy;
        std::optional<platform::Date> closedAt;
    };

    void fail(const std::string& invariant, platform::Date time, const std::string& what);
    void applyLoadedSettings();
    void engineLine(platform::Date time, const std::string& text);
    void simLine(platform::Date time, const std::string& text);
    void startCycle();
    void endStep(platform::Date time);
    void checkDeadlines(platform::Date now);
    void checkStore(platform::Date time, const platform::Value& store, bool engineWrote);
    bool inSmsWindow(platform::Date time) const;
    // The SIM the stored code at `position` must be dialled on, as the engine
    // sees it now; none for a code of any SIM.
    std::optional<std::string> boundSimAt(unsigned position) const;
    bool simIn(const std::string& simId) const;
    // "carrier gets the choice "X" for the menu of CODE" (InvariantMenus.cpp).
    void choiceSent(platform::Date time, const std::string& line);

    std::vector<Violation> m_violations;
    // What the history must hold: (code, index, refreshedAt) -> value, and
    // each code's refreshedAt as last taken.
    std::map<std::tuple<std::string, int64_t, int64_t>, std::string> m_expectedHistory;
    std::map<std::string, platform::Date> m_historyTaken;
    void expectHistory(const platform::Value& store);
    std::vector<SwarmCode> m_codes;
    std::optional<platform::Value> m_lastWritten;

    // Settings: as stored, and as the engine last loaded them.
    std::optional<float> m_storedMaxResponseTime;
    std::optional<float> m_storedMaxSMSResponseTime;
    double m_maxResponseTime = 10.0;
    double m_maxSMSResponseTime = 60.0;
    bool m_storedFollowSim = false;
    bool m_followSim = false;
    std::vector<platform::CTSimCard> m_sims{platform::CTSimCard{"8970101000000000001", "25001"}};
    // The SIM the engine's current dial must go out on, until the carrier logs it.
    std::optional<std::string> m_dialMustBeOn;

    // The request window (ussdRequestTime) and the suppression switch.
    std::optional<platform::Date> m_requestTime;
    bool m_doNotSuppress = false;

    // The refresh cycle.
    bool m_inCycle = false;
    bool m_tickMayStart = false;
    unsigned m_position = 0;
    unsigned m_loadedCount = 0;
    bool m_stepEnded = true;
    std::string m_currentDial;
    std::set<std::string> m_dialledThisCycle;
    std::optional<platform::Date> m_mustMoveBy;

    // Texts delivered at the current instant, not yet taken by the engine.
    platform::Date m_instant;
    std::vector<Delivery> m_deliveries;
    std::optional<platform::Date> m_textTakenAt;
    // Whether the text taken last was a menu, and the choices the network
    // got since the current code was dialled.
    bool m_takenMenu = false;
    size_t m_choicesSent = 0;
    // The menu choices of the code as it was stored when the engine dialled
    // it: Settings may change the store while its menus are answered.
    std::vector<std::string> m_dialChoices;
    // Network texts each code may have taken as its reply (by serial).
    std::map<std::string, std::set<uint64_t>> m_networkSerials;

    std::map<const void*, Alert> m_alerts;
    // Alerts whose automatic close is still to be checked.
    std::vector<const void*> m_closesDue;
    platform::Date m_nextPrune;
    bool m_alertStillOpen = false;
};

} // namespace sim::swarm
