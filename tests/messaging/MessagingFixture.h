// A virtual-clock device on a temporary device root, with SpringBoard and its
// messaging service, plus a raw SQLite view of sms.db as another reader sees it.
#pragma once

#include "platform/foundation/DevicePaths.h"
#include "platform/runtime/Runtime.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "sim/messaging/MessagingService.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/DeviceFolder.h"
#include "sim/world/World.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>

namespace sim::testing {

// Another connection to a database file, as the engine opens it: no waiting
// for locks (busy timeout 0), no creating a missing file.
class RawDatabase {
public:
    explicit RawDatabase(const std::string& hostPath)
    {
        m_rc = sqlite3_open_v2(hostPath.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        if (m_db)
            sqlite3_busy_timeout(m_db, 0);
    }
    ~RawDatabase() { sqlite3_close(m_db); }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    int openResult() const { return m_rc; }

    // Result of preparing `sql`, and of stepping it once if that worked.
    struct Outcome {
        int prepare = SQLITE_ERROR;
        int step = SQLITE_ERROR;
        std::string firstText;
        int64_t firstInteger = 0;
    };
    Outcome run(const std::string& sql)
    {
        Outcome out;
        sqlite3_stmt* stmt = nullptr;
        out.prepare = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr);
        if (out.prepare == SQLITE_OK) {
            out.step = sqlite3_step(stmt);
            if (out.step == SQLITE_ROW) {
                const unsigned char* text = sqlite3_column_text(stmt, 0);
                out.firstText = text ? reinterpret_cast<const char*>(text) : "";
                out.firstInteger = sqlite3_column_int64(stmt, 0);
            }
        }
        sqlite3_finalize(stmt);
        return out;
    }
    sqlite3* get() { return m_db; }

private:
    sqlite3* m_db = nullptr;
    int m_rc = SQLITE_ERROR;
};

inline std::string smsDatabaseHostPath()
{
    return platform::hostPath(kSmsDatabasePath);
}

// Members are built in order: root, a fresh runtime, device, SpringBoard, service.
struct MessagingDevice {
    DeviceFolder folder{std::string()};
    bool runtimeReset = (rt::resetRuntimeForTesting(), true);
    platform::Device device{std::make_unique<platform::VirtualClock>(kScenarioStart)};
    platform::DeviceScope current{device};
    platform::Process springboard{device, kSpringBoardName, kSpringBoardBundle};
    SpringBoard board{springboard};
    std::unique_ptr<MessagingService> messages = std::make_unique<MessagingService>(springboard, board);

    ~MessagingDevice() { messages.reset(); }
};

} // namespace sim::testing
