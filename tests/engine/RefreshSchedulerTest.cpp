// The refresh cycle: when it starts, the roaming, lock and Do Not Disturb
// rules, the walk over the stored codes, and stores that change under it.
#include "tests/engine/EngineFixture.h"

#include "common/QuorvelNames.h"
#include "engine/EngineState.h"
#include "platform/telephony/CoreTelephony.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <unistd.h>

namespace quorvel::engine::testing {

namespace {

using platform::Array;
using platform::Dict;
using platform::Value;
using Dials = std::vector<std::string>;

Value balanceCode(const std::string& ussd, std::optional<std::string> sender = std::nullopt)
{
    return codeRecord(ussd, 1, {{"Balance", 0}}, std::move(sender));
}

// Counts how often a file is opened, from the kernel's notifications: the
// engine's reads of a store, whatever path they take. Opens alternate with
// closes, so no two events in a row are alike and none are merged.
class FileOpenCounter {
public:
    explicit FileOpenCounter(const std::string& hostPath)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd < 0 || inotify_add_watch(m_fd, hostPath.c_str(), IN_OPEN | IN_CLOSE_NOWRITE) < 0)
            ADD_FAILURE() << "cannot watch " << hostPath << ": " << std::strerror(errno);
    }
    ~FileOpenCounter() { close(m_fd); }
    FileOpenCounter(const FileOpenCounter&) = delete;
    FileOpenCounter& operator=(const FileOpenCounter&) = delete;

    // Opens since the last call; a queue that overflowed counts as very many.
    size_t opens()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->mask & IN_Q_OVERFLOW)
                    m_opens = SIZE_MAX / 2;
                else if (event->mask & IN_OPEN)
                    ++m_opens;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return std::exchange(m_opens, 0);
    }

private:
    int m_fd;
    size_t m_opens = 0;
};

size_t chatItemObservers(platform::Process& process)
{
    return process.telephonyCenter().observerCount(platform::kIMChatItemsDidChangeNotification);
}

TEST_F(EngineTest, RateZeroTicksOnlyLogAndARequestStillDials)
{
    writeSettings({{kUnlockedAutorefreshAllowedKey, true}});
    writeCodes({balanceCode("*100#")});
    runForSeconds(300);
    EXPECT_TRUE(logged("Qvl: timer tick, autorefresh is 0 seconds, last refresh time is (null), expected refresh at (null)"))
        << logText();
    EXPECT_TRUE(logged("Qvl: timer tick, autorefresh is off"));
    EXPECT_TRUE(telephony.dials.empty());

    requestRefresh();
    EXPECT_EQ(telephony.dials, Dials{"*100#"});
    EXPECT_TRUE(logged("Qvl: received request to refresh data, max USSD response time is 10.0, session init time is 4.0, "
                       "max SMS response time is 60.0"));
}

TEST_F(EngineTest, RefreshFallsDueAtTheFirstTickAtOrAfterThePeriod)
{
    writeSettings({{kAutoRefreshRateKey, 15}, {kUnlockedAutorefreshAllowedKey, true}});
    writeCodes({balanceCode("*100#")});
    runForSeconds(60);
    requestRefresh(); // last dial at 09:01:00
    ASSERT_EQ(telephony.dials.size(), 1u);

    runForSeconds(840); // ticks at 09:05, 09:10 and 09:15 (14 minutes after the dial)
    EXPECT_EQ(telephony.dials.size(), 1u);
    EXPECT_EQ(logCount("Qvl: timer tick, should not autorefresh codes yet ..."), 3);
    EXPECT_TRUE(logged("Qvl: timer tick, autorefresh is 900 seconds, last refresh time is 2026-12-08 09:01:00 +0000, "
                       "expected refresh at 2026-12-08 09:16:00 +0000"))
        << logText();

    runForSeconds(300); // 09:20, 19 minutes after the dial
    EXPECT_EQ(telephony.dials.size(), 2u);
    EXPECT_EQ(currentCode, 0u);
}

TEST_F(EngineTest, UnlockedDeviceBlocksTicksButNotRequests)
{
    writeSettings({{kAutoRefreshRateKey, 5}});
    writeCodes({balanceCode("*100#")});
    runForSeconds(300);
    EXPECT_TRUE(logged("Qvl: device us unlocked but autorefresh is not allowed in such state in the settings."));
    EXPECT_TRUE(telephony.dials.empty());

    requestRefresh();
    EXPECT_EQ(telephony.dials.size(), 1u);

    springboard->lock();
    runForSeconds(300); // the tick at 09:10 is five minutes after the requested dial
    EXPECT_EQ(telephony.dials.size(), 2u);
}

TEST_F(EngineTest, RoamingBlocksTicksAndRequestsUnlessAllowed)
{
    struct Case {
        const char* name;
        std::optional<std::string> carrier;
        std::optional<std::string> registeredOperator;
    } cases[] = {
        {"foreign network", "/var/mobile/Library/Carrier Bundles/25001.plist", "/var/mobile/Library/Operator Bundles/26201.plist"},
        {"no operator link", "/var/mobile/Library/Carrier Bundles/25001.plist", std::nullopt},
        {"no carrier link", std::nullopt, "/var/mobile/Library/Carrier Bundles/25001.plist"},
        {"no links at all", std::nullopt, std::nullopt},
    };
    writeCodes({balanceCode("*100#")});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pointCarrierAt(c.carrier);
        pointOperatorAt(c.registeredOperator);
        writeSettings({{kAutoRefreshRateKey, 5}, {kUnlockedAutorefreshAllowedKey, true}});
        clearLog();
        telephony.dials.clear();
        requestRefresh();
        runForSeconds(300);
        EXPECT_TRUE(telephony.dials.empty());
        EXPECT_EQ(logCount("Qvl: data refresh is disabled in roaming!"), 2);

        writeSettings({{kEnableInRoamingKey, true}});
        requestRefresh();
        EXPECT_EQ(telephony.dials.size(), 1u);
    }
}

TEST_F(EngineTest, DoNotDisturbSkipsOnlySmsCodesWhenObserved)
{
    writeCodes({balanceCode("*100#", "900"), balanceCode("*101#")});
    springboard->setStatusBarItem(1, true);

    requestRefresh();
    EXPECT_EQ(telephony.dials, Dials{"*101#"});
    EXPECT_TRUE(logged("Qvl: USSD request for code *100# will not be sent as DnD is on and Observe DND is set to ON"));
    EXPECT_TRUE(logged("Qvl: moving to the next code, 2 of 2"));
    EXPECT_EQ(chatItemObservers(*process), 0u);

    writeSettings({{kObserveDNDKey, false}});
    telephony.dials.clear();
    requestRefresh();
    EXPECT_EQ(telephony.dials, Dials{"*100#"}) << "the SMS code is dialled and waits for its SMS";
}

TEST_F(EngineTest, EveryCodeOfTheStoreIsWalkedInOrderAndTheCycleEndsQuietly)
{
    for (int count : {1, 3}) {
        SCOPED_TRACE(count);
        Array codes;
        Dials expectedDials;
        for (int i = 0; i < count; ++i) {
            expectedDials.push_back("*10" + std::to_string(i) + "#");
            codes.push_back(balanceCode(expectedDials.back()));
        }
        writeCodes(codes);
        clearLog();
        telephony.dials.clear();
        announcements = 0;

        requestRefresh();
        for (int i = 0; i < count; ++i) {
            runForSeconds(2);
            reply("Balance " + std::to_string(i + 1) + "0.50");
        }
        EXPECT_EQ(telephony.dials, expectedDials);
        EXPECT_EQ(announcements, count);
        EXPECT_EQ(logCountStartingWith("Qvl: moving to the next code"), count - 1);
        if (count == 3) {
            EXPECT_LT(logIndex("Qvl: moving to the next code, 2 of 3"), logIndex("Qvl: moving to the next code, 3 of 3"));
            EXPECT_EQ(storedField(2, 0), "30.50");
        }
        EXPECT_EQ(storedField(0, 0), "10.50");
        EXPECT_EQ(currentCode, static_cast<uint32_t>(count - 1));
        EXPECT_TRUE(updateValuesInFile);
    }
}

TEST_F(EngineTest, StoreEmptiedDuringACycleEndsIt)
{
    writeCodes({balanceCode("*100#"), balanceCode("*101#")});
    requestRefresh();
    writeCodes({});
    reply("Balance 12.50");
    EXPECT_TRUE(storedCodes().empty()) << "nothing is written back";
    EXPECT_EQ(announcements, 0);
    EXPECT_EQ(telephony.dials, Dials{"*100#"});
    EXPECT_EQ(logCountStartingWith("Qvl: moving to the next code"), 0) << logText();
}

TEST_F(EngineTest, CodesDeletedDuringACycleEndItWithoutReadingPastTheEnd)
{
    writeCodes({balanceCode("*100#"), balanceCode("*101#"), balanceCode("*102#")});
    requestRefresh();
    writeCodes({balanceCode("*100#")});
    reply("no figures today"); // a mismatch: the cycle moves on with the list as dialled
    EXPECT_TRUE(logged("Qvl: moving to the next code, 2 of 3")) << logText();
    EXPECT_TRUE(logged("Qvl: code 2 is past the end of the 1 stored codes, ending the cycle"));
    EXPECT_EQ(telephony.dials, Dials{"*100#"});
}

TEST_F(EngineTest, SmsCodeArmsItsWaitBeforeDiallingAndMovesOnWhenItExpires)
{
    writeCodes({balanceCode("*100#", "900"), balanceCode("*101#")});
    size_t observersAtDial = 0;
    bool timerAtDial = false;
    telephony.onDial = [&](const std::string&) {
        observersAtDial = chatItemObservers(*process);
        timerAtDial = timerSMSWaiting && timerSMSWaiting->isValid();
    };
    requestRefresh();
    telephony.onDial = nullptr;
    EXPECT_EQ(observersAtDial, 1u);
    EXPECT_TRUE(timerAtDial);
    EXPECT_EQ(smsSender, "900");
    EXPECT_TRUE(logged("Qvl: expecting SMS reply..."));

    const std::string before = storedCodesBytes();
    reply("Your request is accepted, 1 SMS will follow");
    EXPECT_TRUE(logged("Qvl: received USSD string, expecting response for code: *100#"));
    EXPECT_EQ(ussdMessage, "Your request is accepted, 1 SMS will follow");
    EXPECT_EQ(storedCodesBytes(), before);

    runFor(platform::Micros(60'000'000 - 1));
    EXPECT_EQ(telephony.dials.size(), 1u);
    runFor(platform::Micros(1));
    EXPECT_TRUE(logged("Qvl: SMS wait for response time (60.0 seconds) expired, moving to the next code")) << logText();
    EXPECT_EQ(telephony.dials, (Dials{"*100#", "*101#"}));
    EXPECT_EQ(chatItemObservers(*process), 0u);
    EXPECT_FALSE(smsSender.has_value());
}

TEST_F(EngineTest, ANewCycleEndsThePendingSmsWait)
{
    writeCodes({balanceCode("*100#", "900"), balanceCode("*101#")});
    requestRefresh();
    runForSeconds(30);
    requestRefresh(); // dials the SMS code again, with a wait of its own
    EXPECT_TRUE(logged("Qvl: a new refresh cycle starts, ending the pending SMS wait"));
    runForSeconds(45); // past the first wait's end
    EXPECT_EQ(logCountStartingWith("Qvl: SMS wait for response time"), 0) << logText();
    EXPECT_EQ(telephony.dials.size(), 2u);
    runForSeconds(15);
    EXPECT_EQ(logCountStartingWith("Qvl: SMS wait for response time"), 1);
    EXPECT_EQ(telephony.dials.back(), "*101#");
}

TEST_F(EngineTest, UnusableRecordsAreSkippedAndTheCycleGoesOn)
{
    writeCodes({Value("not a record"), Dict{{kFieldsKey, Array{}}}, codeRecord("", 1, {}), balanceCode("*100#")});
    requestRefresh();
    EXPECT_EQ(telephony.dials, Dials{"*100#"});
    EXPECT_EQ(logCountStartingWith("Qvl: stored code "), 3) << logText();
    EXPECT_TRUE(logged("Qvl: stored code 1 of 4 has no code to dial, skipping it"));
    reply("Balance 1");
    EXPECT_EQ(storedField(3, 0), "1");
    EXPECT_EQ(storedCodes().at(0), Value("not a record")) << "records the engine cannot use are kept as they are";
}

TEST_F(EngineTest, CodesEntryThatIsNotAListMeansNoCodes)
{
    writeCodesRoot({{kCodesKey, "*100#"}});
    requestRefresh();
    EXPECT_TRUE(telephony.dials.empty());
    EXPECT_TRUE(logged("Qvl: the stored codes are not a list, ignoring them"));
    EXPECT_TRUE(logged("Qvl: number of stored codes: 0"));
    EXPECT_FALSE(codes.has_value());
}

TEST_F(EngineTest, ThousandsOfSkippedRecordsAreWalkedWithinOneReadOfTheStore)
{
    // Re-reading the store for every skipped record made this cycle take a
    // minute; the steps and their log lines are the same as before.
    constexpr int kRecords = 20000;
    const Value notARecord("not a record");
    const Value noCode(Dict{{kFieldsKey, Array{}}});
    const Value emptyCode = codeRecord("", 1, {});
    const Value smsCode = balanceCode("*101#", "900"); // skipped under Do Not Disturb
    Array codes;
    for (int i = 0; i + 1 < kRecords; ++i) {
        const Value* records[] = {&notARecord, &noCode, &emptyCode, &smsCode};
        codes.push_back(*records[i % 4]);
    }
    codes.push_back(balanceCode("*100#"));
    writeCodes(codes);
    springboard->setStatusBarItem(1, true);
    FileOpenCounter store(root + kCodesStorePath);
    clearLog();

    requestRefresh();
    EXPECT_EQ(telephony.dials, Dials{"*100#"});
    EXPECT_LE(store.opens(), 2u) << "its bytes, then its parse: one read";
    EXPECT_EQ(logCountStartingWith("Qvl: stored code "), kRecords / 4 * 3);
    EXPECT_EQ(logCountStartingWith("Qvl: USSD request for code *101# will not be sent"), kRecords / 4 - 1);
    EXPECT_EQ(logCountStartingWith("Qvl: moving to the next code, "), kRecords - 1);
    EXPECT_EQ(logCount("Qvl: number of stored codes: 20000"), kRecords) << "one per step, as each step logged it";
    EXPECT_TRUE(logged("Qvl: stored code 19999 of 20000 has no code to dial, skipping it"));
    EXPECT_LT(logIndex("Qvl: moving to the next code, 20000 of 20000"), logIndex("Qvl: dialling code: *100#"));
    EXPECT_EQ(currentCode, static_cast<uint32_t>(kRecords - 1));
}

TEST_F(EngineBeforeStartTest, AStoreOfAHundredThousandSharedReferencesBootsAndIsSkippedQuickly)
{
    // Found by fuzzing: 100 000 references to one text under "codes". Boot
    // read it in quadratic time and each skipped record read it again.
    std::ifstream in(std::string(QUORVEL_SOURCE_DIR) + "/tests/data/bad-files/binary-shared-refs-100k.plist",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::ofstream(root + kCodesStorePath, std::ios::binary) << bytes.str();
    FileOpenCounter store(root + kCodesStorePath);

    startEngine();
    EXPECT_TRUE(logged("Qvl: number of stored codes: 100000")) << logText().substr(0, 2000);
    store.opens();
    requestRefresh();
    EXPECT_LE(store.opens(), 1u) << "the bytes are those parsed at boot";
    EXPECT_TRUE(telephony.dials.empty());
    EXPECT_EQ(logCountStartingWith("Qvl: stored code "), 100000);
    EXPECT_TRUE(logged("Qvl: stored code 100000 of 100000 has no code to dial, skipping it"));
    EXPECT_EQ(storedCodesBytes(), bytes.str()) << "records the engine cannot use are kept as they are";
}

} // namespace

} // namespace quorvel::engine::testing
