#include "platform/foundation/Files.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

constexpr const char* kPath = "/var/mobile/Library/Preferences/org.quillmoor.test.plist";

size_t entriesIn(const std::string& folder)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(Files, AtomicWriteReplacesTheWholeFileAndLeavesNoTemporaryBehind)
{
    TempDeviceRoot device;
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "first version, rather long"));
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "second"));
    EXPECT_EQ(platform::readFile(kPath), "second");
    EXPECT_EQ(entriesIn(device.host("/var/mobile/Library/Preferences")), 1u);
    struct stat info;
    ASSERT_EQ(stat(device.host(kPath).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(Files, WritesEmptyAndBinaryContent)
{
    TempDeviceRoot device;
    std::string binary("\0\x01\xff" "abc", 6);
    ASSERT_TRUE(platform::writeFileAtomically(kPath, binary));
    EXPECT_EQ(platform::readFile(kPath), binary);
    ASSERT_TRUE(platform::writeFileAtomically(kPath, ""));
    EXPECT_EQ(platform::readFile(kPath), "");
}

TEST(Files, FailedWriteLeavesTheOldFileWholeAndSaysSo)
{
    TempDeviceRoot device;
    struct Case {
        const char* name;
        const char* path;
        std::function<void()> arrange;
    } cases[] = {
        // rename(2) cannot put a file over a folder, so the write fails at its last step.
        {"target is a folder", "/var/mobile/Library/Preferences/folder.plist",
         [&] { fs::create_directories(device.host("/var/mobile/Library/Preferences/folder.plist/inside")); }},
        {"folder missing", "/var/mobile/Library/Nowhere/x.plist", [] {}},
        {"parent is a file", "/var/mobile/Library/Preferences/org.quillmoor.test.plist/x.plist", [] {}},
    };
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "old"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        LogCapture log;
        EXPECT_FALSE(platform::writeFileAtomically(c.path, "new"));
        EXPECT_EQ(log.lines().size(), 1u);
    }
    EXPECT_EQ(platform::readFile(kPath), "old");
    EXPECT_TRUE(fs::is_directory(device.host("/var/mobile/Library/Preferences/folder.plist/inside")));
    // No temporary file was left behind by any failure.
    EXPECT_EQ(entriesIn(device.host("/var/mobile/Library/Preferences")), 2u);
}

TEST(Files, AStrayTemporaryFromACrashedWriteChangesNothing)
{
    TempDeviceRoot device;
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "old"));
    // What a crash between writing the temporary file and renaming it leaves.
    std::string stray = device.host("/var/mobile/Library/Preferences/.org.quillmoor.test.plist.tmp.AbC123");
    std::ofstream(stray) << "half-writ";
    EXPECT_EQ(platform::readFile(kPath), "old");
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "new"));
    EXPECT_EQ(platform::readFile(kPath), "new");
}

TEST(Files, ReadsMissingAndUnreadableFilesAsNothing)
{
    TempDeviceRoot device;
    EXPECT_EQ(platform::readFile("/var/mobile/absent"), std::nullopt);
    EXPECT_EQ(platform::readFile("/var/mobile"), std::nullopt);
    EXPECT_FALSE(platform::fileExists("/var/mobile/absent"));
    EXPECT_TRUE(platform::fileExists("/var/mobile"));
    EXPECT_FALSE(platform::isReadableFile("/var/mobile"));
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "x"));
    EXPECT_TRUE(platform::isReadableFile(kPath));
}

TEST(Files, SymbolicLinkDestinationIsTheStoredText)
{
    TempDeviceRoot device;
    const char* link = "/var/mobile/Library/Preferences/com.apple.carrier.plist";
    fs::create_symlink("/var/mobile/Library/Carrier Bundles/Example_xx.bundle/carrier.plist", device.host(link));
    EXPECT_EQ(platform::symbolicLinkDestination(link), "/var/mobile/Library/Carrier Bundles/Example_xx.bundle/carrier.plist");
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "x"));
    EXPECT_EQ(platform::symbolicLinkDestination(kPath), std::nullopt);
    EXPECT_EQ(platform::symbolicLinkDestination("/var/mobile/absent"), std::nullopt);
    std::string longTarget(1000, 'a');
    fs::create_symlink(longTarget, device.host("/var/mobile/long"));
    EXPECT_EQ(platform::symbolicLinkDestination("/var/mobile/long"), longTarget);
}

TEST(Files, CreatesFoldersWithTheirParents)
{
    TempDeviceRoot device;
    EXPECT_TRUE(platform::createDirectories("/var/mobile/Library/SMS/deeper"));
    EXPECT_TRUE(fs::is_directory(device.host("/var/mobile/Library/SMS/deeper")));
    EXPECT_TRUE(platform::createDirectories("/var/mobile/Library/SMS/deeper"));
    ASSERT_TRUE(platform::writeFileAtomically(kPath, "x"));
    EXPECT_FALSE(platform::createDirectories(std::string(kPath) + "/sub"));
}

} // namespace
