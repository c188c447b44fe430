// Builds a small message database from fuzz bytes, for the engine's lookup
// and mark-read to run on: a schema (the phone's, or one that lacks what the
// engine's statements need), optionally in WAL mode, and a few handle and
// message rows with fuzzed ROWIDs, texts and handle references. It remembers
// what it stored, so the target can say what a lookup must find.
//
//   FuzzedDataProvider input(data, size);
//   FuzzedSmsDatabase db = FuzzedSmsDatabase::build(hostPathOfSmsDb, input);
//   if (db.checkable) ... db.messages ...
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct StoredHandle {
    std::string id;
    std::optional<std::string> uncanonicalizedId;
};

struct StoredMessage {
    std::optional<std::string> text; // NULL when absent
    int64_t handleId = 0;
};

struct FuzzedSmsDatabase {
    // Whether the phone's schema was used with plainly typed values, so that
    // the rows below say exactly what a lookup finds.
    bool checkable = false;
    std::map<int64_t, StoredHandle> handles;
    std::map<int64_t, StoredMessage> messages;

    // Replaces whatever is at `hostPath` (and its journal files) with a new
    // database. Rows that SQLite refused (a taken ROWID, a NULL id) are not
    // remembered.
    static FuzzedSmsDatabase build(const std::string& hostPath, FuzzedDataProvider& input);
};

// Every row of both tables as text (each value's type and bytes), in ROWID
// order, leaving out the is_read of message `ignoreIsReadOf`; a table that
// cannot be read shows as one line saying so. Compared before and after a
// mark-read, to see that nothing else changed.
std::string dumpMessageTables(const std::string& hostPath, std::optional<int64_t> ignoreIsReadOf);

// Removes the database and its journal, WAL and shared-memory files.
void removeDatabaseFiles(const std::string& hostPath);
