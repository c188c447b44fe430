// Which received SMS the daemon has already mirrored, kept in a small file
// under the device root so that each message is mirrored once, ever: a
// ModemManager restart reuses object paths and announces the messages in the
// modem's storage again at every enable, and the daemon itself restarts.
//
//   MirroredMessages seen;                       // the file below, under the current root
//   seen.load(nowUnix);                          // first run: remembers nowUnix as its start
//   std::string id = MirroredMessages::identity("900", "Balance 7.00", "2026-12-08T09:00:00+03:00");
//   if (seen.check(id, sentUnix) == MirroredMessages::Verdict::fresh) { mirror it; seen.remember(id); }
//
// A message is known by a hash of its sender, timestamp and text (its path is
// not kept: ModemManager hands out the same paths again after a restart).
// The file keeps the newest kMirroredMessagesKept hashes and the time of the
// daemon's first run: a message dated before that arrived before the daemon
// ever ran and is not posted as new. A file that cannot be read counts as a
// first run now (logged): nothing older is posted, and nothing stored is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace linuxhost {

inline constexpr const char* kMirroredMessagesPath = "/private/var/mobile/Library/SMS/quorveld-mirrored.txt";
inline constexpr size_t kMirroredMessagesKept = 1000;

class MirroredMessages {
public:
    enum class Verdict { fresh, seen, beforeFirstRun };

    explicit MirroredMessages(std::string devicePath = kMirroredMessagesPath, size_t capacity = kMirroredMessagesKept);

    // Reads the file; without one (or with an unreadable one) the first run is
    // `nowUnix`, written at once.
    void load(int64_t nowUnix);
    // `sentUnix`: the message's own date, when it could be read.
    Verdict check(const std::string& id, std::optional<int64_t> sentUnix) const;
    // Adds the hash (dropping the oldest past the capacity) and writes the file;
    // false when it could not be written (logged; remembered in memory still).
    bool remember(const std::string& id);

    int64_t firstRun() const { return m_firstRun; }
    size_t size() const { return m_ids.size(); }

    static std::string identity(const std::string& number, const std::string& text, const std::string& timestamp);

private:
    bool save() const;

    std::string m_path;
    size_t m_capacity;
    int64_t m_firstRun = 0;
    std::deque<std::string> m_ids;
};

} // namespace linuxhost
