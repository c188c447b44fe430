// The client library of quorveld's session-bus interface
// (dbus/org.quillmoor.Quorvel1.xml), on the proxy gdbus-codegen makes from it:
// what the command line, the app and the lock-screen plugin use to reach the
// daemon. It never touches the stores' files: the daemon is their only writer.
//
//   CallError error;
//   auto client = QuorvelClient::connect(nullptr, &error);   // the session bus
//   if (!client || !client->running()) ...                    // quorveld is not there
//   auto codes = client->codes(&error);
//   client->onCodesChanged([&] { ... });                      // on the thread-default main context
//   auto reply = client->dial("*100#", false, &error);        // blocks until the reply (bounded)
//
// A failed call gives nullopt (or false) with the D-Bus error's name and
// message in *error; the name is empty for a local failure (no bus).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _QuorvelBusQuorvel1 QuorvelBusQuorvel1;
typedef struct _GCancellable GCancellable;

namespace linuxhost {

inline constexpr const char* kQuorvelBusName = "org.quillmoor.Quorvel1";
inline constexpr const char* kQuorvelObjectPath = "/org/quillmoor/Quorvel1";
inline constexpr const char* kQuorvelErrorPrefix = "org.quillmoor.Quorvel1.Error.";
// A dial waits for an SMS up to the longest SMS wait the settings offer (5 min).
inline constexpr int kDialCallTimeoutMs = 330'000;
inline constexpr int kCallTimeoutMs = 10'000;

struct CallError {
    std::string name;    // org.quillmoor.Quorvel1.Error.Busy, org.freedesktop.DBus.Error.ServiceUnknown, ...
    std::string message;
};

struct WidgetView {
    std::string text, tooltip, cssClass, image;
};

struct CodeField {
    int index = 0;
    std::string title;
    std::string value;   // empty until a refresh gave one
};

struct StoredCode {
    std::string code;
    std::string smsSender;       // empty: the reply comes by USSD
    int expectedNumbers = 0;
    int64_t refreshedAtMicros = 0; // since 1970 UTC; 0: never refreshed
    std::string lastReply;       // empty: none heard yet
    std::vector<CodeField> fields;
    // From GetCodesWithExtras (a daemon without it: as for a code of any SIM).
    std::string simId;           // the SIM it belongs to; empty: any SIM
    bool simIn = true;           // false: bound to a SIM not in, its figures not current
    std::vector<std::string> menuChoices; // the menu path to its figures
};

// A reply of a menu dial (DialCodeWithMenus, RespondMenu).
struct MenuReply {
    std::string reply;
    std::vector<std::string> numbers;   // a final reply's; empty for a menu
    bool menu = false;                  // the network waits for a choice
};

struct DialReply {
    std::string reply;
    std::string sender;              // empty for USSD
    std::vector<std::string> numbers;
};

// A field's alert limits (GetAlerts, SetAlert): each one unset or its limit.
struct AlertLimits {
    std::optional<double> below;          // the value below this
    std::optional<double> fallingPerDay;  // falling faster than this a day over 3 days
    std::optional<int> staleHours;        // no successful refresh for this many hours
};

struct FieldAlerts {
    std::string code;
    int index = 0;
    AlertLimits limits;
};

// One refresh of a field, for a chart (GetHistory).
struct HistoryPoint {
    int64_t atMicros = 0;        // since 1970 UTC
    std::string value;           // as stored
    double number = 0;
};

// The change since the previous different value of a field (GetChanges), as
// the page writes it: "−1.30 since 09:05" (host/common/history/ChangeText.h,
// with localUtcOffset for the time; the client library itself stays free of
// the platform library, so the app can be installed without it).
struct FieldChange {
    std::string code;
    int index = 0;
    std::string title;
    std::string value;
    std::string previousValue;
    std::optional<double> delta;     // none when the values are not both numbers
    int64_t previousAtMicros = 0;    // the last refresh that still gave previousValue
    int64_t changedAtMicros = 0;     // the first that gave value
};

// The days a chart shows.
inline constexpr int kChartDays = 30;

using SettingValue = std::variant<bool, int64_t, double>;

struct SettingChoices {
    std::string key;
    std::string label;
    SettingValue defaultValue;
    std::vector<SettingValue> values;   // empty: an on/off switch
    std::vector<std::string> titles;
};

struct Setting {
    std::string key;
    SettingValue value;
};

class QuorvelClient {
public:
    // A proxy on `bus` (nullptr: the session bus). Null, with *error, when the
    // bus cannot be reached; a daemon that is not running is not an error here.
    static std::unique_ptr<QuorvelClient> connect(GDBusConnection* bus, CallError* error);
    // The same on the session bus without blocking (a proxy's creation reads
    // the daemon's properties, which a daemon that does not answer would hold
    // for the bus's whole timeout): `done` runs on the main context with the
    // client, or null and the error. Once `cancellable` is cancelled, `done`
    // never runs; the caller keeps its own reference to it.
    static void connectAsync(GCancellable* cancellable,
                             std::function<void(std::unique_ptr<QuorvelClient>, const CallError&)> done);
    ~QuorvelClient();
    QuorvelClient(const QuorvelClient&) = delete;
    QuorvelClient& operator=(const QuorvelClient&) = delete;

    // Whether quorveld holds its name now.
    bool running() const;

    bool refresh(CallError* error);
    std::optional<WidgetView> widget(CallError* error);
    std::optional<std::vector<StoredCode>> codes(CallError* error);
    // The same two without blocking, for a shell's main loop that must never
    // wait on the daemon: `done` runs on the main context with the result or
    // the error (at once when quorveld is not running); never after the
    // client is destroyed.
    void codesAsync(std::function<void(std::optional<std::vector<StoredCode>>, const CallError&)> done);
    void refreshAsync(std::function<void(bool, const CallError&)> done);
    std::optional<DialReply> dial(const std::string& code, bool bySms, CallError* error);
    // The same without blocking (for a window that stays live): `done` runs on
    // the main context once the daemon answers, with the reply or the error.
    // A client destroyed first cancels the call; `done` then never runs.
    void dialAsync(const std::string& code, bool bySms,
                   std::function<void(std::optional<DialReply>, const CallError&)> done);
    // The new code's index in the store.
    std::optional<int> saveCode(const std::string& code, const std::string& smsSender, int expectedNumbers,
                                const std::vector<std::pair<int, std::string>>& fields, CallError* error);
    bool deleteCode(int index, const std::string& code, CallError* error);

    // Menus and SIMs (QuorvelClientMenus.cpp). A USSD dial whose menus the
    // caller answers: `done` as for dialAsync. While a menu is held for this
    // client, respondMenuAsync answers it and cancelDial lets it go.
    void dialWithMenusAsync(const std::string& code, std::function<void(std::optional<MenuReply>, const CallError&)> done);
    void respondMenuAsync(const std::string& choice, std::function<void(std::optional<MenuReply>, const CallError&)> done);
    bool cancelDial(CallError* error);
    // saveCode with the menu path that leads to the figures (empty: saveCode).
    std::optional<int> saveCodeWith(const std::string& code, const std::string& smsSender, int expectedNumbers,
                                    const std::vector<std::pair<int, std::string>>& fields,
                                    const std::vector<std::string>& menuChoices, CallError* error);
    // Binds the code at index (still `code`) to the SIM in; that SIM's identity.
    std::optional<std::string> bindCodeToSim(int index, const std::string& code, CallError* error);
    // The SIMs in, as last heard (the Sims property).
    std::vector<std::string> sims() const;
    // A field's numeric values since an instant (0: all), in time order; empty
    // when the daemon has no readable history.
    std::optional<std::vector<HistoryPoint>> history(const std::string& code, int index, int64_t sinceMicros,
                                                     CallError* error);
    // The last kChartDays days of a field, up to now.
    std::optional<std::vector<HistoryPoint>> chart(const std::string& code, int index, CallError* error);
    // The changes of every field of `code` ("": of every code) that has one.
    std::optional<std::vector<FieldChange>> changes(const std::string& code, CallError* error);
    std::optional<std::vector<Setting>> settings(CallError* error);
    std::optional<std::vector<SettingChoices>> settingChoices(CallError* error);
    bool setSetting(const std::string& key, const SettingValue& value, CallError* error);
    std::optional<std::vector<FieldAlerts>> alerts(CallError* error);
    // Sets the field's alerts to exactly these limits (none set: removes them).
    bool setAlert(const std::string& code, int index, const AlertLimits& limits, CallError* error);
    bool removeAlert(const std::string& code, int index, CallError* error);

    // The State and StateDetail properties as last heard.
    std::string state() const;
    std::string stateDetail() const;
    // Reads State and StateDetail afresh into what state() gives (no
    // listener runs). For a daemon that took its name before serving its
    // object: the proxy's own read, made when the name appeared, found nothing.
    bool reloadState(CallError* error);

    // Listeners run on the main context the client was made on.
    void onRefreshed(std::function<void(const WidgetView&)> listener);
    void onCodesChanged(std::function<void()> listener);
    void onSettingsChanged(std::function<void()> listener);
    void onAlertsChanged(std::function<void()> listener);
    void onStateChanged(std::function<void()> listener);
    // quorveld came (true) or went (false).
    void onRunningChanged(std::function<void(bool)> listener);

private:
    explicit QuorvelClient(QuorvelBusQuorvel1* proxy);
    // GetCodesWithExtras; *unknown when the daemon does not have it (older).
    std::optional<std::vector<StoredCode>> codesWithExtras(CallError* error, bool* unknown);
    struct Listeners;

    QuorvelBusQuorvel1* m_proxy;
    std::unique_ptr<Listeners> m_listeners;
    GCancellable* m_cancellable;
};

// This system's local time's offset from UTC at an instant, in seconds (TZ, /etc/localtime).
int64_t localUtcOffset(int64_t atMicros);

// A value as text: "true", "5", "10.0".
std::string settingText(const SettingValue& value);

} // namespace linuxhost
