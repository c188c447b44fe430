#include "sim/messaging/MessagingService.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "host/common/messaging/ChatItems.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"

#include <sqlite3.h>

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>
#include <sys/stat.h>

namespace sim {

namespace {

namespace fs = std::filesystem;

constexpr const char* kHeldFolder = "/private/var/mobile/Library/SMS/.held";
// SQLite's companions of a database file; a stale one beside a replaced file
// would be applied to the wrong database.
constexpr std::array<const char*, 3> kSideFileSuffixes = {"-journal", "-wal", "-shm"};

void removeWithSideFiles(const std::string& devicePath)
{
    std::error_code ignored;
    fs::remove(platform::hostPath(devicePath), ignored);
    for (const char* suffix : kSideFileSuffixes)
        fs::remove(platform::hostPath(devicePath + suffix), ignored);
}

// Bytes that no SQLite header starts with, the same on every run.
std::string garbageBytes()
{
    std::string bytes(4096, '\0');
    uint32_t state = 0x5EED1234u;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    bytes.replace(0, 16, "not a database!\n");
    return bytes;
}

} // namespace

const char* dbFaultName(DbFault fault)
{
    switch (fault) {
    case DbFault::none: return "none";
    case DbFault::locked: return "locked";
    case DbFault::readonly: return "readonly";
    case DbFault::missing: return "missing";
    case DbFault::corrupt: return "corrupt";
    }
    return "none";
}

std::optional<DbFault> dbFaultNamed(std::string_view name)
{
    for (DbFault fault : {DbFault::none, DbFault::locked, DbFault::readonly, DbFault::missing, DbFault::corrupt}) {
        if (name == dbFaultName(fault))
            return fault;
    }
    return std::nullopt;
}

int64_t messageDate(platform::Date date)
{
    int64_t micros = date.micros();
    int64_t seconds = micros / 1'000'000;
    if (micros % 1'000'000 < 0)
        --seconds;
    return seconds - kMessageDateEpoch;
}

MessagingService::MessagingService(platform::Process& springBoardProcess, SpringBoard& springBoard)
    : m_process(springBoardProcess)
    , m_springBoard(springBoard)
{
    host::registerChatItemClasses();
    std::error_code ec;
    if (fs::exists(platform::hostPath(kHeldSmsDatabasePath), ec)) {
        // An earlier run ended during a fault: its messages are only there.
        note("messaging: putting back the database held aside by an earlier run");
        m_fault = DbFault::missing;
        putBack();
    }
    std::string error;
    if (!openFile(kSmsDatabasePath, error))
        note("messaging: cannot create the message database: " + error);
}

MessagingService::~MessagingService()
{
    *m_alive = false;
    dropConnection();
    fault(DbFault::none);
}

void MessagingService::note(const std::string& text) const
{
    platform::writeLogLine(kSimLogPrefix + text);
}

std::unique_ptr<host::SmsDatabase> MessagingService::openFile(const std::string& devicePath, std::string& error) const
{
    platform::createDirectories(fs::path(devicePath).parent_path().string());
    int rc = SQLITE_OK;
    std::unique_ptr<host::SmsDatabase> db = host::SmsDatabase::open(platform::hostPath(devicePath), error, &rc);
    if (db || (rc != SQLITE_NOTADB && rc != SQLITE_CORRUPT))
        return db;

    // Someone else left a file the service cannot read. Keep it, under a name
    // of its own, and start a fresh database so new messages are not lost.
    std::string aside;
    std::error_code ec;
    for (int n = 1;; ++n) {
        aside = devicePath + ".unreadable-" + std::to_string(n);
        if (!fs::exists(platform::hostPath(aside), ec))
            break;
    }
    fs::rename(platform::hostPath(devicePath), platform::hostPath(aside), ec);
    if (ec) {
        error += "; cannot move it aside: " + ec.message();
        return nullptr;
    }
    for (const char* suffix : kSideFileSuffixes)
        fs::remove(platform::hostPath(devicePath + suffix), ec);
    note("messaging: " + devicePath + " is unreadable (" + error + "); kept as " + aside + ", starting afresh");
    error.clear();
    return host::SmsDatabase::open(platform::hostPath(devicePath), error);
}

std::optional<MessagingService::FileIdentity> MessagingService::identityOf(const std::string& devicePath)
{
    struct stat info;
    if (::stat(platform::hostPath(devicePath).c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

host::SmsDatabase* MessagingService::store(std::string& error) const
{
    if (m_lock)
        return m_lock.get();
    bool heldAside = m_fault == DbFault::missing || m_fault == DbFault::corrupt;
    const std::string path = heldAside ? kHeldSmsDatabasePath : kSmsDatabasePath;
    // A file replaced or removed behind the service's back is opened afresh
    // (and recreated), as a new connection for each piece of work would.
    const std::optional<FileIdentity> there = identityOf(path);
    if (m_connection && (m_connectionPath != path || !there || *there != m_connectionFile))
        dropConnection();
    if (!m_connection) {
        m_connection = openFile(path, error);
        if (!m_connection)
            return nullptr;
        m_connectionPath = path;
        m_connectionFile = identityOf(path).value_or(FileIdentity{});
    }
    return m_connection.get();
}

void MessagingService::dropConnection() const
{
    m_connection.reset();
    m_connectionPath.clear();
}

int64_t MessagingService::receive(const std::string& sender, const std::string& text)
{
    host::IncomingSms sms{sender, text, messageDate(platform::now())};
    std::string error;
    std::optional<int64_t> rowId;
    {
        // The service's own writes pass the read transaction that keeps others out.
        const bool readHeld = m_readHold != nullptr;
        m_readHold.reset();
        // The row is committed when insertReceived returns: readers find it
        // before the change is posted.
        if (host::SmsDatabase* db = store(error)) {
            rowId = db->insertReceived(sms, error);
            if (!rowId)
                dropConnection();
        }
        if (readHeld && !holdReadLock())
            note("messaging: the database is writable again, its read transaction could not be taken back");
    }
    if (!rowId) {
        note("messaging: cannot store the SMS from " + sender + ": " + error);
        return 0;
    }
    note("messaging: SMS from " + sender + " stored as message " + std::to_string(*rowId) + ": \"" + text + "\"");
    announce(*rowId, sender, text);
    return *rowId;
}

void MessagingService::announce(int64_t rowId, const std::string& sender, const std::string& text)
{
    rt::id item = host::makeMessageChatItem(rowId, sender, text);
    std::weak_ptr<bool> alive = m_alive;
    m_process.mainRunLoop().perform([this, alive, item, sender, text] {
        if (alive.expired())
            return;
        postChange(platform::Array{platform::Value(item)});
        // Queued behind the deliveries of the change, so its observers run first.
        m_process.mainRunLoop().perform([this, alive, sender, text] {
            if (alive.expired())
                return;
            auto setBadge = [this] {
                if (std::optional<int64_t> unread = countUnread())
                    m_springBoard.setBadge(kMessagesBundleIdentifier, static_cast<int>(*unread));
            };
            if (m_badgeFirst)
                setBadge();
            m_springBoard.publishBulletin({kMessagesBundleIdentifier, sender, text});
            if (!m_badgeFirst)
                setBadge();
        });
    });
}

void MessagingService::postChatItemsChange(platform::Array items)
{
    std::weak_ptr<bool> alive = m_alive;
    m_process.mainRunLoop().perform([this, alive, items = std::move(items)]() mutable {
        if (!alive.expired())
            postChange(std::move(items));
    });
}

void MessagingService::postChatItemsChangeWithoutList()
{
    std::weak_ptr<bool> alive = m_alive;
    m_process.mainRunLoop().perform([this, alive] {
        if (!alive.expired())
            postChange(std::nullopt);
    });
}

void MessagingService::postChange(std::optional<platform::Array> items)
{
    platform::Dict userInfo;
    if (items)
        userInfo[platform::kIMChatItemsKey] = platform::Value(std::move(*items));
    m_process.telephonyCenter().post(platform::kIMChatItemsDidChangeNotification, nullptr, &userInfo, true);
}

void MessagingService::fault(DbFault fault)
{
    if (fault == m_fault)
        return;
    // Faults lock, move and replace the file: each starts from no connection of ours.
    dropConnection();
    putBack();
    switch (fault) {
    case DbFault::none: break;
    case DbFault::locked: lock(); break;
    case DbFault::readonly:
        if (holdReadLock()) {
            m_fault = DbFault::readonly;
            note("messaging: message database read-only (a read transaction is held open)");
        }
        break;
    case DbFault::missing: holdAside(false); break;
    case DbFault::corrupt: holdAside(true); break;
    }
}

void MessagingService::lock()
{
    std::string error;
    std::unique_ptr<host::SmsDatabase> db = openFile(kSmsDatabasePath, error);
    if (!db || !db->exec("BEGIN EXCLUSIVE;", error)) {
        note("messaging: cannot lock the message database: " + error);
        return;
    }
    m_lock = std::move(db);
    m_fault = DbFault::locked;
    note("messaging: message database locked");
}

bool MessagingService::holdReadLock()
{
    std::string error;
    std::unique_ptr<host::SmsDatabase> db = openFile(kSmsDatabasePath, error);
    // A read inside an open transaction keeps its shared lock until the
    // transaction ends: readers pass it, a writer's commit does not.
    if (!db || !db->exec("BEGIN; SELECT count(*) FROM message;", error)) {
        note("messaging: cannot hold the message database read-only: " + error);
        return false;
    }
    m_readHold = std::move(db);
    return true;
}

void MessagingService::holdAside(bool leaveGarbage)
{
    std::string error;
    // Make sure there is a whole database to hold, tables and all.
    if (!openFile(kSmsDatabasePath, error)) {
        note("messaging: cannot prepare the message database for a fault: " + error);
        return;
    }
    platform::createDirectories(kHeldFolder);
    removeWithSideFiles(kHeldSmsDatabasePath);
    std::error_code ec;
    fs::rename(platform::hostPath(kSmsDatabasePath), platform::hostPath(kHeldSmsDatabasePath), ec);
    if (ec) {
        note("messaging: cannot move the message database aside: " + ec.message());
        return;
    }
    removeWithSideFiles(kSmsDatabasePath);
    if (leaveGarbage) {
        if (!platform::writeFileAtomically(kSmsDatabasePath, garbageBytes()))
            note("messaging: cannot write garbage over the message database");
        m_fault = DbFault::corrupt;
        note("messaging: message database corrupt");
    } else {
        m_fault = DbFault::missing;
        note("messaging: message database missing");
    }
}

void MessagingService::putBack()
{
    switch (m_fault) {
    case DbFault::none:
        return;
    case DbFault::locked: {
        // Commit, never roll back: messages received while locked went in here.
        std::string error;
        if (!m_lock->exec("COMMIT;", error))
            note("messaging: cannot commit the locked message database: " + error);
        m_lock.reset();
        break;
    }
    case DbFault::readonly:
        // Closing the connection ends its read transaction; it wrote nothing.
        m_readHold.reset();
        break;
    case DbFault::missing:
    case DbFault::corrupt: {
        removeWithSideFiles(kSmsDatabasePath);
        std::error_code ec;
        fs::rename(platform::hostPath(kHeldSmsDatabasePath), platform::hostPath(kSmsDatabasePath), ec);
        if (ec)
            note("messaging: cannot put the held message database back (" + ec.message() + "); starting afresh");
        std::string error;
        if (!openFile(kSmsDatabasePath, error))
            note("messaging: cannot recreate the message database: " + error);
        break;
    }
    }
    m_fault = DbFault::none;
    note("messaging: message database back to normal");
}

std::optional<int64_t> MessagingService::countUnread() const
{
    std::string error;
    std::optional<int64_t> count;
    if (host::SmsDatabase* db = store(error))
        count = db->unreadCount(error);
    if (!count) {
        dropConnection();
        note("messaging: cannot count unread messages: " + error);
    }
    return count;
}

int64_t MessagingService::unreadCount() const
{
    return countUnread().value_or(0);
}

int64_t MessagingService::messageCount() const
{
    std::string error;
    std::optional<int64_t> count;
    if (host::SmsDatabase* db = store(error))
        count = db->messageCount(error);
    if (!count) {
        dropConnection();
        note("messaging: cannot count messages: " + error);
    }
    return count.value_or(0);
}

int64_t MessagingService::handleCount() const
{
    std::string error;
    std::optional<int64_t> count;
    if (host::SmsDatabase* db = store(error))
        count = db->handleCount(error);
    if (!count) {
        dropConnection();
        note("messaging: cannot count handles: " + error);
    }
    return count.value_or(0);
}

std::optional<host::StoredMessage> MessagingService::message(int64_t rowId) const
{
    std::string error;
    std::optional<host::StoredMessage> found;
    if (host::SmsDatabase* db = store(error))
        found = db->message(rowId, error);
    if (!found && !error.empty()) {
        dropConnection();
        note("messaging: cannot read message " + std::to_string(rowId) + ": " + error);
    }
    return found;
}

} // namespace sim
