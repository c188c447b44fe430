// A simulated SpringBoard with the engine started in it by hand, on a virtual
// clock that starts at 2026-12-08 09:00:00 UTC, in a fresh device folder whose
// carrier and operator links name the same network (not roaming).
//
//   TEST_F(EngineTest, ...) {
//       writeCodes({codeRecord("*100#", 1, {{"Balance", 0}})});
//       requestRefresh();                 // the widget's request; dials at once
//       reply("Balance 12.50");           // the carrier's text, delivered now
//       EXPECT_EQ(storedField(0, 0, "lastValue"), "12.50");
//   }
//
// EngineTest starts the engine in SetUp; EngineBeforeStartTest leaves that to
// the test (call startEngine()), for tests of what start-up reads.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/springboard/SpringBoard.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::engine::testing {

inline constexpr platform::Date kStart = platform::Date::fromMicros(int64_t(1796720400) * 1000000);

// Records every dial; the test decides what the carrier answers.
class FakeTelephony final : public platform::TelephonyService {
public:
    void dial(platform::Process&, const std::string& number) override
    {
        dials.push_back(number);
        if (onDial)
            onDial(number);
    }
    std::vector<std::string> dials;
    std::function<void(const std::string&)> onDial;
};

struct FieldSpec {
    std::string title;
    platform::Value index;
};

// A code record as the Settings wizard stores it.
platform::Value codeRecord(const std::string& ussdCode, platform::Value expectedNumbers, std::vector<FieldSpec> fields,
                           std::optional<std::string> smsSender = std::nullopt);

class EngineBeforeStartTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void startEngine();

    // Stores.
    void writeSettings(const platform::Dict& settings);
    void writeCodes(const platform::Array& codes);
    void writeCodesRoot(const platform::Dict& root);
    platform::Array storedCodes() const;
    std::string storedCodesBytes() const;
    // The stored text of a field key ("lastValue"), or "<none>".
    std::string storedField(size_t code, size_t field, const std::string& key = "lastValue") const;
    void pointOperatorAt(const std::optional<std::string>& target);
    void pointCarrierAt(const std::optional<std::string>& target);

    // Driving.
    void requestRefresh();
    void postDarwin(const std::string& name);
    void reply(const std::string& text);
    void replyWithoutText();
    void runFor(platform::Micros span);
    void runForSeconds(double seconds);
    platform::Micros elapsed() const { return device->now().since(kStart); }

    // Observing.
    int logCount(const std::string& line) const;
    bool logged(const std::string& line) const { return logCount(line) > 0; }
    int logCountStartingWith(const std::string& prefix) const;
    // Position of the first occurrence, or -1.
    long logIndex(const std::string& line) const;
    void clearLog() { log.clear(); }
    std::string logText() const;

    std::string root;
    FakeTelephony telephony;
    std::unique_ptr<platform::Device> device;
    std::unique_ptr<platform::DeviceScope> deviceScope;
    std::unique_ptr<platform::Process> process;
    // Open for the whole test, so tests may call into the engine directly.
    std::unique_ptr<platform::ProcessScope> processScope;
    std::unique_ptr<sim::SpringBoard> springboard;
    std::vector<std::string> log;
    int announcements = 0;
};

class EngineTest : public EngineBeforeStartTest {
protected:
    void SetUp() override
    {
        EngineBeforeStartTest::SetUp();
        startEngine();
    }
};

} // namespace quorvel::engine::testing
