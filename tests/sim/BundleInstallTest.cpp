// Installing a built bundle into a device root, from a stand-in build folder:
// the module lands under the name Info.plist gives it, and an install that
// fails at any step leaves no Info.plist, so the bundle never looks loadable.
#include "host/common/loader/BundleInstall.h"

#include "platform/foundation/Files.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* kDeviceBundle = "/Library/Test/Fake.bundle";

std::string infoNaming(const std::string& executable)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleExecutable</key><string>" + executable + "</string></dict></plist>\n";
}

// A build folder of its own, named in $QUORVEL_BIN_DIR while the test runs,
// holding FakeBundle.so and FakeBundle.bundle/ with Info.plist and extra.txt.
class BuiltFolder {
public:
    BuiltFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "quorvel-bin-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_folder = pattern;
        const char* previous = std::getenv("QUORVEL_BIN_DIR");
        m_previous = previous ? std::optional<std::string>(previous) : std::nullopt;
        setenv("QUORVEL_BIN_DIR", m_folder.c_str(), 1);
        fs::create_directories(m_folder / "FakeBundle.bundle");
        write("FakeBundle.so", "module bytes");
        write("FakeBundle.bundle/Info.plist", infoNaming("Fake"));
        write("FakeBundle.bundle/extra.txt", "resource bytes");
    }
    ~BuiltFolder()
    {
        if (m_previous)
            setenv("QUORVEL_BIN_DIR", m_previous->c_str(), 1);
        else
            unsetenv("QUORVEL_BIN_DIR");
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    BuiltFolder(const BuiltFolder&) = delete;
    BuiltFolder& operator=(const BuiltFolder&) = delete;

    void write(const std::string& file, const std::string& bytes) { std::ofstream(m_folder / file, std::ios::binary) << bytes; }
    void remove(const std::string& file) { fs::remove(m_folder / file); }

private:
    fs::path m_folder;
    std::optional<std::string> m_previous;
};

const host::BuiltBundle kFake{.builtModule = "FakeBundle.so",
                             .builtFolder = "FakeBundle.bundle",
                             .resources = {"extra.txt"},
                             .devicePath = kDeviceBundle,
                             .moduleRole = "fake module"};

std::string onDevice(const std::string& file)
{
    return std::string(kDeviceBundle) + "/" + file;
}

TEST(BundleInstall, CopiesTheModuleUnderItsExecutableNameWithResourcesAndInfo)
{
    quorvel::test::TempDeviceRoot device;
    BuiltFolder built;
    std::string error;
    ASSERT_TRUE(host::installBuiltBundle(kFake, &error)) << error;
    EXPECT_EQ(platform::readFile(onDevice("Fake")), "module bytes");
    EXPECT_EQ(platform::readFile(onDevice("extra.txt")), "resource bytes");
    EXPECT_EQ(platform::readFile(onDevice("Info.plist")), infoNaming("Fake"));
    EXPECT_FALSE(platform::fileExists(onDevice("FakeBundle.so")));

    built.write("FakeBundle.so", "newer module");
    ASSERT_TRUE(host::installBuiltBundle(kFake, &error)) << error;
    EXPECT_EQ(platform::readFile(onDevice("Fake")), "newer module") << "installing again overwrites";
}

TEST(BundleInstall, AFailedInstallLeavesNoInfoPlistAndSaysWhy)
{
    struct Case {
        const char* name;
        std::function<void(BuiltFolder&)> spoil;
        const char* reason;
    };
    const Case cases[] = {
        {"module missing", [](BuiltFolder& b) { b.remove("FakeBundle.so"); },
         "no built FakeBundle.so beside the program (or in $QUORVEL_BIN_DIR)"},
        {"Info.plist missing", [](BuiltFolder& b) { b.remove("FakeBundle.bundle/Info.plist"); }, "no built Info.plist at "},
        {"resource missing", [](BuiltFolder& b) { b.remove("FakeBundle.bundle/extra.txt"); }, "no built extra.txt at "},
        {"Info.plist unreadable as a list", [](BuiltFolder& b) { b.write("FakeBundle.bundle/Info.plist", "<plist><dict>"); },
         "the built Info.plist names no usable CFBundleExecutable"},
        {"executable with a slash", [](BuiltFolder& b) { b.write("FakeBundle.bundle/Info.plist", infoNaming("../Fake")); },
         "the built Info.plist names no usable CFBundleExecutable"},
        {"executable empty", [](BuiltFolder& b) { b.write("FakeBundle.bundle/Info.plist", infoNaming("")); },
         "the built Info.plist names no usable CFBundleExecutable"},
        {"device folder blocked by a file",
         [](BuiltFolder&) { ASSERT_TRUE(platform::createDirectories("/Library/Test"));
                            ASSERT_TRUE(platform::writeFileAtomically(kDeviceBundle, "not a folder")); },
         "cannot create /Library/Test/Fake.bundle on the device"},
        {"module's place taken by a folder", [](BuiltFolder&) { ASSERT_TRUE(platform::createDirectories(onDevice("Fake/x"))); },
         "cannot copy the fake module into /Library/Test/Fake.bundle"},
        {"resource's place taken by a folder",
         [](BuiltFolder&) { ASSERT_TRUE(platform::createDirectories(onDevice("extra.txt/x"))); },
         "cannot copy extra.txt into /Library/Test/Fake.bundle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        quorvel::test::TempDeviceRoot device;
        quorvel::test::LogCapture quiet;
        BuiltFolder built;
        c.spoil(built);
        std::string error;
        EXPECT_FALSE(host::installBuiltBundle(kFake, &error));
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << error;
        EXPECT_FALSE(platform::fileExists(onDevice("Info.plist")));
    }
}

} // namespace
