// The device's messaging service: it keeps the message database
// /private/var/mobile/Library/SMS/sms.db, stores each SMS the carrier delivers,
// and tells SpringBoard about it the way the phone does: a chat-items change on
// SpringBoard's telephony centre, a bulletin of the Messages application and
// the Messages icon's badge, all on SpringBoard's run loop.
//
//   MessagingService messages(springBoardProcess, springBoard);
//   int64_t rowId = messages.receive("900", "Balance 12.50");   // stored now
//   device.runPending();        // change posted, observers run, bulletin, badge
//   messages.fault(DbFault::locked);   // readers now get SQLITE_BUSY
//
// Order on SpringBoard's run loop after receive(): the change is posted first
// (its observers run at the next turn), then the bulletin is published and the
// badge set (or the badge first, setBadgeFirst), so a tweak that watches for
// the change has seen the message before its bulletin and badge arrive. Bulletin and badge go through sim::SpringBoard,
// that is through the runtime, so replaced methods see them.
//
// Faults make the database misbehave for other readers while the service keeps
// every message: locked holds an exclusive transaction open (the service keeps
// writing through it), readonly holds a read transaction open (other readers
// find every message, other writers get SQLITE_BUSY; the service lets go of it
// for its own writes), missing and corrupt move the real file aside (the
// service keeps using it there) and leave nothing, or garbage, in its place.
// DbFault::none, or the destructor, puts everything back.
//
// Single-threaded. Must not outlive the SpringBoard process; work it queued on
// that run loop is dropped if the service goes first.
#pragma once

#include "platform/foundation/Value.h"
#include "host/common/messaging/SmsDatabase.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform { class Process; }

namespace sim {

class SpringBoard;

inline constexpr const char* kSmsDatabasePath = host::kSmsDatabasePath;
// Where the real database waits while a missing or corrupt fault is on.
inline constexpr const char* kHeldSmsDatabasePath = "/private/var/mobile/Library/SMS/.held/sms.db";
inline constexpr const char* kMessagesBundleIdentifier = "com.apple.MobileSMS";
inline constexpr int64_t kMessageDateEpoch = host::kMessageDateEpoch;

enum class DbFault { none, locked, readonly, missing, corrupt };

// "none", "locked", "readonly", "missing", "corrupt" (as scenario scripts name them).
const char* dbFaultName(DbFault fault);
std::optional<DbFault> dbFaultNamed(std::string_view name);

// Seconds since 2001-01-01 of a device date, rounded down.
int64_t messageDate(platform::Date date);

class MessagingService {
public:
    // Registers the chat-item classes and creates the database (folders, file
    // and tables) if it is not there. A database held aside by an earlier run
    // that ended during a fault is put back first.
    MessagingService(platform::Process& springBoardProcess, SpringBoard& springBoard);
    ~MessagingService();
    MessagingService(const MessagingService&) = delete;
    MessagingService& operator=(const MessagingService&) = delete;

    // An SMS arrives from `sender` (as the carrier writes it). It is stored at
    // once (one handle per sender, the message unread, dated platform::now())
    // and announced on SpringBoard's run loop as described above. Returns the
    // message's ROWID; 0 when it could not be stored (logged, nothing announced).
    // May be called from any process's run loop (the carrier's, say).
    int64_t receive(const std::string& sender, const std::string& text);

    // Posts a chat-items change holding `items` on SpringBoard's run loop, with
    // no database row, bulletin or badge: for testing readers with odd items
    // (see ChatItems.h) or an empty list.
    void postChatItemsChange(platform::Array items);
    // The same change with no list under its key at all.
    void postChatItemsChangeWithoutList();

    // From now on the badge of each new message is set before its bulletin
    // is published (after it at the start, as on the phone).
    void setBadgeFirst(bool badgeFirst) { m_badgeFirst = badgeFirst; }

    // Switches to `fault`, first undoing the one in force. Setting the fault in
    // force again does nothing. Each change is logged.
    void fault(DbFault fault);
    DbFault currentFault() const { return m_fault; }

    // What the service's own store holds (also during a fault). An unreadable
    // store is logged and reads as 0 / nullopt.
    int64_t unreadCount() const;
    int64_t messageCount() const;
    int64_t handleCount() const;
    std::optional<host::StoredMessage> message(int64_t rowId) const;

private:
    // Which file a path leads to (device and inode numbers).
    struct FileIdentity {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    static std::optional<FileIdentity> identityOf(const std::string& devicePath);

    // The connection to work through: the locking one while locked, else the
    // service's own connection to the file in use, opened on first need and
    // kept (opening parses the schema, the bulk of a small write's cost).
    // nullptr when none can be had.
    host::SmsDatabase* store(std::string& error) const;
    // Closes the kept connection: before a fault moves or locks the file, and
    // after a failed statement, so that no transaction it may have left open
    // outlives the work that began it.
    void dropConnection() const;
    std::unique_ptr<host::SmsDatabase> openFile(const std::string& devicePath, std::string& error) const;
    std::optional<int64_t> countUnread() const;
    void announce(int64_t rowId, const std::string& sender, const std::string& text);
    void postChange(std::optional<platform::Array> items);
    void lock();
    bool holdReadLock();
    void holdAside(bool leaveGarbage);
    void putBack();
    void note(const std::string& text) const;

    platform::Process& m_process;
    SpringBoard& m_springBoard;
    DbFault m_fault = DbFault::none;
    std::unique_ptr<host::SmsDatabase> m_lock;
    // The kept connection, the device path it is open on and the file it found there.
    mutable std::unique_ptr<host::SmsDatabase> m_connection;
    mutable std::string m_connectionPath;
    mutable FileIdentity m_connectionFile;
    // The connection whose read transaction keeps writers out (readonly).
    std::unique_ptr<host::SmsDatabase> m_readHold;
    bool m_badgeFirst = false;
    // Work queued on SpringBoard's run loop checks this before touching `this`.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace sim
