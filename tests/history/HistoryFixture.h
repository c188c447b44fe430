// A temporary device root on a virtual clock, with the history's log lines
// captured, for the history tests.
#pragma once

#include "history/HistoryDatabase.h"
#include "history/HistoryReader.h"
#include "platform/system/Device.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace quorvel::history::test {

// 2026-12-08 09:00:00 UTC.
inline constexpr int64_t kStart = int64_t(1796720400) * 1000000;
inline constexpr int64_t kSecond = 1000000;
inline constexpr int64_t kDay = 86400 * kSecond;

inline platform::Date at(int64_t micros)
{
    return platform::Date::fromMicros(micros);
}

class HistoryFixture : public ::testing::Test {
protected:
    quorvel::test::TempDeviceRoot root;
    quorvel::test::LogCapture log;
    platform::Device device{std::make_unique<platform::VirtualClock>(at(kStart))};
    platform::DeviceScope current{device};

    std::string file() const { return root.host(kHistoryDatabasePath); }

    std::vector<HistorySample> readAll(const HistoryQuery& query = {})
    {
        std::vector<HistorySample> rows;
        auto error = readHistory(file(), query, [&](const HistorySample& row) { rows.push_back(row); });
        EXPECT_FALSE(error) << *error;
        return rows;
    }

    // The files beside the database whose names start with the database's and `suffix`.
    std::vector<std::string> besides(const std::string& suffix) const
    {
        std::vector<std::string> names;
        const std::filesystem::path db(file());
        for (const auto& entry : std::filesystem::directory_iterator(db.parent_path())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(db.filename().string() + suffix))
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

inline HistorySample sample(const std::string& code, int64_t index, const std::string& value, int64_t when,
                            std::optional<std::string> title = "Balance", std::optional<double> number = std::nullopt)
{
    return HistorySample{code, index, std::move(title), value, number, at(when)};
}

} // namespace quorvel::history::test
