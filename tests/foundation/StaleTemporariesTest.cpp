// Temporary files left by atomic writes that never reached their rename: the
// next write of the same file removes them, and only them.
#include "platform/foundation/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

constexpr const char* kFolder = "/var/mobile/Library/Preferences";
constexpr const char* kPath = "/var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist";
constexpr const char* kTemporaryPrefix = ".org.quillmoor.quorvel.codes.plist.tmp.";

std::set<std::string> entriesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

size_t temporariesIn(const std::string& folder)
{
    size_t count = 0;
    for (const std::string& name : entriesIn(folder))
        count += name.rfind(kTemporaryPrefix, 0) == 0;
    return count;
}

TEST(StaleTemporaries, TheNextWriteRemovesOnlyUnlockedTemporariesOfItsOwnFile)
{
    TempDeviceRoot device;
    const std::string folder = device.host(kFolder);
    auto file = [&](const std::string& name) { std::ofstream(folder + "/" + name) << "half-writ"; };
    const std::string prefix = kTemporaryPrefix;

    // What killed writers of this file leave.
    for (const char* suffix : {"AbC123", "zzzzzz", "000000"})
        file(prefix + suffix);
    // What must stay.
    const std::string held = prefix + "Held01";
    file(held);
    std::set<std::string> kept = {
        ".org.quillmoor.quorvelpref.plist.tmp.AbC123", // another file's
        "org.quillmoor.quorvel.codes.plist.tmp.AbC123", // no leading dot
        prefix + "AbC12",                               // five characters
        prefix + "AbC1234",                             // seven
        prefix + "AbC-12",                              // not what mkstemp makes
        ".org.quillmoor.quorvel.codes.plist.tmpAbC123x",
        "org.quillmoor.quorvelpref.plist",
    };
    for (const std::string& name : kept)
        file(name);
    kept.insert(held);
    const std::string folderLike = prefix + "Folder";
    fs::create_directory(folder + "/" + folderLike);
    const std::string linkLike = prefix + "Link01";
    fs::create_symlink(folder + "/org.quillmoor.quorvelpref.plist", folder + "/" + linkLike);
    const std::string fifoLike = prefix + "Fifo01";
    ASSERT_EQ(mkfifo((folder + "/" + fifoLike).c_str(), 0644), 0);
    kept.insert({folderLike, linkLike, fifoLike});

    // A writer still at work holds the lock on its temporary file.
    const int liveWriter = open((folder + "/" + held).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(liveWriter, 0);
    ASSERT_EQ(flock(liveWriter, LOCK_EX), 0);

    LogCapture log;
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "new"));
    EXPECT_EQ(log.lines(), std::vector<std::string>{std::string("Qvl: removed 3 temporary files left by interrupted "
                                                                "writes of ") +
                                                    kPath});
    std::set<std::string> expected = kept;
    expected.insert("org.quillmoor.quorvel.codes.plist");
    EXPECT_EQ(entriesIn(folder), expected);
    EXPECT_EQ(platform::readFile("/var/mobile/Library/Preferences/org.quillmoor.quorvelpref.plist"), "half-writ")
        << "a link named like a temporary file is not followed";

    // Once its writer is gone, the held one goes with the next write.
    close(liveWriter);
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "newer"));
    EXPECT_EQ(entriesIn(folder).count(held), 0u);
    EXPECT_EQ(log.lines().size(), 2u);
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "newest"));
    EXPECT_EQ(log.lines().size(), 2u) << "nothing left to remove, nothing logged";
}

// Writers killed at random points of their writes, as on the phone when the
// system ends a process: the store is never torn, and what they leave behind
// goes with the next write.
TEST(StaleTemporaries, WritersKilledMidWriteNeverTearTheFileAndTheirLeftoversGo)
{
    TempDeviceRoot device;
    const std::string folder = device.host(kFolder);
    const std::string old = "old contents";
    ASSERT_TRUE(platform::writeFileAtomically(kPath, old));
    const std::string payload(512 * 1024, 'p');
    constexpr int kKills = 20;
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE(kill);
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (;;)
                platform::writeFileAtomically(kPath, payload);
        }
        // Kill it once it has a temporary file open (or after a bounded wait).
        for (int poll = 0; poll < 100000; ++poll)
            if (temporariesIn(folder) > 0 && poll % 7 == kill % 7)
                break;
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        std::optional<std::string> now = platform::readFile(kPath);
        ASSERT_TRUE(now);
        EXPECT_TRUE(*now == old || *now == payload) << "torn: " << now->size() << " bytes";
        // Each writer's first write removed what the one before it left.
        EXPECT_LE(temporariesIn(folder), 1u) << "temporary files pile up";
    }

    const size_t leftovers = temporariesIn(folder);
    LogCapture log;
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "after"));
    EXPECT_EQ(entriesIn(folder), std::set<std::string>{"org.quillmoor.quorvel.codes.plist"});
    EXPECT_EQ(log.lines().size(), leftovers > 0 ? 1u : 0u);
    EXPECT_EQ(platform::readFile(kPath), "after");
}

} // namespace
