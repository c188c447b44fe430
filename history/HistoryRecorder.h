// What the history module does when the engine announces stored values: read
// the codes store (as the widget reads it), take each code whose refreshedAt
// differs from the one it last took, and append that refresh's field values.
//
//   HistoryRecorder recorder;       // the module keeps one for the process
//   recorder.refreshed();           // after org.quillmoor.harrowin.ussd_data_refreshed
//
// Rows that could not be written (a locked database, a disk that refuses
// writes) are kept and go in with the next refresh, up to kMostPendingRows;
// the oldest are dropped past that (logged). Rows are thinned once a device
// day. The codes store is only read. Single-threaded.
#pragma once

#include "history/HistoryDatabase.h"
#include "history/HistorySample.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Value.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::history {

// A week of five fields refreshed every fifteen minutes.
inline constexpr size_t kMostPendingRows = 5 * 96 * 7;

class HistoryRecorder {
public:
    explicit HistoryRecorder(std::string databasePath = kHistoryDatabasePath);

    // Reads the codes store and appends what changed since the last call.
    void refreshed();

    // The samples of the codes list whose refresh is new, remembering them as
    // taken. Exposed for tests.
    std::vector<HistorySample> newSamples(const platform::Array& codes);

    size_t pendingCount() const { return m_pending.size(); }
    HistoryDatabase& database() { return m_database; }

private:
    HistoryDatabase m_database;
    std::map<std::string, platform::Date> m_taken; // code -> refreshedAt last taken
    std::vector<HistorySample> m_pending;
    std::optional<platform::Date> m_lastThinned;
};

} // namespace quorvel::history
