#include "platform/foundation/DevicePaths.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using quorvel::test::LogCapture;
using quorvel::test::TempDeviceRoot;

TEST(DevicePaths, MapsAbsoluteDevicePathsUnderTheRoot)
{
    TempDeviceRoot device;
    const std::string& r = device.root();
    struct Case {
        const char* devicePath;
        std::string expected;
    } cases[] = {
        {"/var/mobile/Library/Preferences/x.plist", r + "/var/mobile/Library/Preferences/x.plist"},
        {"/", r + "/"},
        {"//var///mobile/", r + "/var/mobile"},
        {"/var/./mobile", r + "/var/mobile"},
        {"/var/mobile/../root/x", r + "/var/root/x"},
        {"/var/..", r + "/"},
        {"/private/var/mobile/Library/SMS/sms.db", r + "/private/var/mobile/Library/SMS/sms.db"},
        // Names that only start with dots are names like any other.
        {"/var/.held/sms.db", r + "/var/.held/sms.db"},
        {"/var/..x/.../y.", r + "/var/..x/.../y."},
        {"/a/b/.", r + "/a/b"},
        {"/a/b/c/..", r + "/a/b"},
        {"/a/b/", r + "/a/b"},
        {"/a//b", r + "/a/b"},
        {"/.", r + "/"},
        {"/x", r + "/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.devicePath);
        EXPECT_EQ(platform::hostPath(c.devicePath), c.expected);
    }
}

TEST(DevicePaths, RefusesPathsThatAreRelativeOrClimbOutOfTheRoot)
{
    TempDeviceRoot device;
    const std::string refused = device.root() + "/.invalid";
    for (const char* bad : {"var/mobile/x.plist", "", "..", "/..", "/../etc/passwd", "/var/../../etc/passwd",
                            "/var/mobile/../../../x", "./x"}) {
        SCOPED_TRACE(bad);
        LogCapture log;
        EXPECT_EQ(platform::hostPath(bad), refused);
        EXPECT_EQ(log.lines().size(), 1u);
    }
}

TEST(DevicePaths, TrailingSlashesOfTheRootAreIgnored)
{
    TempDeviceRoot device;
    platform::setDeviceRoot(device.root() + "//");
    EXPECT_EQ(platform::deviceRoot(), device.root());
    EXPECT_EQ(platform::hostPath("/a"), device.root() + "/a");
    // The file system's own root as the device root: paths map to themselves.
    platform::setDeviceRoot("/");
    EXPECT_EQ(platform::hostPath("/var/x"), "/var/x");
    EXPECT_EQ(platform::hostPath("/var/./x/"), "/var/x");
    EXPECT_EQ(platform::hostPath("/"), "/");
}

TEST(DevicePaths, WithoutARootNothingMapsToARealPath)
{
    TempDeviceRoot device;
    platform::setDeviceRoot("");
    LogCapture log;
    EXPECT_EQ(platform::hostPath("/var/mobile/x.plist"), "");
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
