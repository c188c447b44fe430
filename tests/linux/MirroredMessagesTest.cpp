// The record of mirrored SMS: what makes a message the same one, the first
// run's time, the bound on its size and what a damaged file reads as.
#include "host/linux/MirroredMessages.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace linuxhost {
namespace {

constexpr int64_t kFirstRun = 1796720400;

class LinuxHostMirroredMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-mirrored-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        ASSERT_NE(mkdtemp(buffer.data()), nullptr);
        m_root = buffer.data();
        platform::setDeviceRoot(m_root);
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }
    std::string file() const { return m_root + kMirroredMessagesPath; }
    void write(const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(file()).parent_path());
        std::ofstream(file(), std::ios::binary) << text;
    }

    std::string m_root;
};

TEST_F(LinuxHostMirroredMessages, AMessageIsKnownBySenderTimeAndTextAcrossLoads)
{
    using Verdict = MirroredMessages::Verdict;
    std::string id = MirroredMessages::identity("900", "Balance 7.00", "2026-12-08T09:00:00+03:00");
    EXPECT_EQ(id.size(), 64u);
    EXPECT_NE(id, MirroredMessages::identity("901", "Balance 7.00", "2026-12-08T09:00:00+03:00"));
    EXPECT_NE(id, MirroredMessages::identity("900", "Balance 7.01", "2026-12-08T09:00:00+03:00"));
    EXPECT_NE(id, MirroredMessages::identity("900", "Balance 7.00", "2026-12-08T09:00:01+03:00"));
    // The separator keeps fields from running into each other.
    EXPECT_NE(MirroredMessages::identity("90", "0x", "t"), MirroredMessages::identity("900", "x", "t"));

    MirroredMessages first;
    first.load(kFirstRun);
    EXPECT_EQ(first.check(id, kFirstRun + 5), Verdict::fresh);
    EXPECT_EQ(first.check(id, kFirstRun - 5), Verdict::beforeFirstRun);
    EXPECT_EQ(first.check(id, std::nullopt), Verdict::fresh); // an unreadable date is not "old"
    EXPECT_TRUE(first.remember(id));

    // A later run keeps the first run's time and what was mirrored.
    MirroredMessages later;
    later.load(kFirstRun + 86400);
    EXPECT_EQ(later.firstRun(), kFirstRun);
    EXPECT_EQ(later.check(id, kFirstRun + 5), Verdict::seen);
    EXPECT_EQ(later.check(MirroredMessages::identity("900", "new", "t"), kFirstRun + 10), Verdict::fresh);
}

TEST_F(LinuxHostMirroredMessages, OnlyTheNewestAreKept)
{
    MirroredMessages record(kMirroredMessagesPath, 3);
    record.load(kFirstRun);
    for (int i = 0; i < 5; ++i)
        record.remember(MirroredMessages::identity("900", std::to_string(i), "t"));
    EXPECT_EQ(record.size(), 3u);
    MirroredMessages again(kMirroredMessagesPath, 3);
    again.load(kFirstRun);
    EXPECT_EQ(again.size(), 3u);
    EXPECT_EQ(again.check(MirroredMessages::identity("900", "1", "t"), kFirstRun), MirroredMessages::Verdict::fresh);
    EXPECT_EQ(again.check(MirroredMessages::identity("900", "4", "t"), kFirstRun), MirroredMessages::Verdict::seen);
    // Remembering one already there does not grow the record.
    again.remember(MirroredMessages::identity("900", "4", "t"));
    EXPECT_EQ(again.size(), 3u);
}

TEST_F(LinuxHostMirroredMessages, ADamagedFileCountsAsAFirstRunNowAndKeepsWhatItCan)
{
    std::string good = MirroredMessages::identity("900", "kept", "t");
    write("garbage line\n" + good + "\nfirst-run x\n" + std::string(64, 'Z') + "\n");
    MirroredMessages record;
    record.load(kFirstRun + 100);
    // No readable first-run time: nothing older than now is taken as new.
    EXPECT_EQ(record.firstRun(), kFirstRun + 100);
    EXPECT_EQ(record.check(good, kFirstRun + 200), MirroredMessages::Verdict::seen);
    EXPECT_EQ(record.size(), 1u);
    // And it was written back whole.
    MirroredMessages again;
    again.load(kFirstRun + 500);
    EXPECT_EQ(again.firstRun(), kFirstRun + 100);

    write(std::string(300 * 1024, 'a'));
    MirroredMessages huge;
    huge.load(kFirstRun + 900);
    EXPECT_EQ(huge.size(), 0u);
    EXPECT_EQ(huge.firstRun(), kFirstRun + 900);
    EXPECT_LT(std::filesystem::file_size(file()), 1024u);
}

} // namespace
} // namespace linuxhost
