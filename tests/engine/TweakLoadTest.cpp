// Loading the built module the way the device's loader does: the start-up
// routines run at load inside the current process, and a load outside any
// process starts nothing.
#include "tests/engine/EngineFixture.h"

#include "common/QuorvelNames.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/runtime/Runtime.h"
#include "platform/telephony/CoreTelephony.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace quorvel::engine::testing {

namespace {

namespace fs = std::filesystem;

using TweakLoadTest = EngineBeforeStartTest;

std::string builtModule()
{
    const char* bin = std::getenv("QUORVEL_BIN_DIR");
    return std::string(bin ? bin : QUORVEL_BUILD_DIR "/bin") + "/QuorvelTweak.dylib";
}

// Each load gets a copy of its own, so it is a fresh instance of the library
// (the engine state of an earlier load is not shared).
void* loadCopy(const std::string& folder, const std::string& name)
{
    const std::string copy = folder + "/" + name;
    fs::copy_file(builtModule(), copy, fs::copy_options::overwrite_existing);
    return dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
}

TEST_F(TweakLoadTest, LoadInsideSpringBoardStartsTheEngineAndInstallsItsHooks)
{
    ASSERT_TRUE(fs::exists(builtModule())) << builtModule();
    EXPECT_FALSE(rt::objc_getClass("SBUSSDAlertDisplay")->respondsTo("clickCancel"));

    void* handle = loadCopy(root, "QuorvelTweak-in-springboard.dylib");
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_EQ(process->localCenter().observerCount(kRefreshRequestNotification), 1u);
    EXPECT_TRUE(rt::objc_getClass("SBUSSDAlertDisplay")->respondsTo("clickCancel"));
    EXPECT_TRUE(logged("Qvl: number of stored codes: 0")) << logText();
    // The start-up code runs before some of the module's own static
    // initialisation may have: the names it observes must be whole by then,
    // or an empty name would hear every notification of the centre.
    EXPECT_EQ(process->telephonyCenter().observerCount(platform::kCTUSSDSessionStringNotification), 1u);
    EXPECT_EQ(process->telephonyCenter().observerCount(platform::kIMChatItemsDidChangeNotification), 0u);

    // Its alert replacement is live: a request-less alert only logs.
    springboard->presentUSSDAlert("Hello");
    EXPECT_TRUE(logged("Qvl: date is nil, not altering the alert window"));
    EXPECT_EQ(springboard->alertsOnScreen(), 1);
}

TEST_F(TweakLoadTest, LoadOutsideAnyProcessStartsNothing)
{
    ASSERT_TRUE(fs::exists(builtModule())) << builtModule();
    processScope.reset();
    void* handle = loadCopy(root, "QuorvelTweak-stray.dylib");
    processScope = std::make_unique<platform::ProcessScope>(*process);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_TRUE(logged("Qvl: loaded outside a running process, not starting the engine")) << logText();
    EXPECT_EQ(process->localCenter().observerCount(kRefreshRequestNotification), 0u);
    EXPECT_FALSE(rt::objc_getClass("SBUSSDAlertDisplay")->respondsTo("clickCancel"));
}

} // namespace

} // namespace quorvel::engine::testing
