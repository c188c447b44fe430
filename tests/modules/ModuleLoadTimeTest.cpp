// The four modules run code at load in one place each, their load entry.
// Anything else in .init_array is a file whose globals need code to run before
// they are usable, and the loader is free to run it after the entry: that is
// how a notification name once read as empty when the engine registered its
// observers, depending only on the order the linker put the files in.
#include "ElfInitialisers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

namespace quorvel::test {
namespace {

std::string built(const std::string& file)
{
    const char* dir = std::getenv("QUORVEL_BIN_DIR");
    return std::string(dir ? dir : ".") + "/" + file;
}

// What the toolchain itself adds: the C runtime's frame set-up, and the
// sanitizers' registration of each file's globals (GCC names those with a
// priority, clang calls them module constructors).
bool addedByToolchain(const std::string& name)
{
    static const std::regex kToolchain(R"(frame_dummy|(_GLOBAL_)?_sub_I_\d{5}_\d+(_.*)?|(asan|ubsan|sancov)\.module_ctor.*)");
    return std::regex_match(name, kToolchain);
}

TEST(ModuleLoadTime, EachModuleRunsOnlyItsLoadEntryAtLoad)
{
    struct Case {
        const char* module;
        const char* entry;
    };
    const Case cases[] = {
        {"QuorvelTweak.dylib", "_GLOBAL__sub_I_EngineLoad.cpp"},
        {"QuorvelHistory.dylib", "_GLOBAL__sub_I_HistoryLoad.cpp"},
        {"Quorvel.so", "_GLOBAL__sub_I_QuorvelModule.cpp"},
        {"QuorvelPrefBundle.so", "_GLOBAL__sub_I_QuorvelPrefBundleModule.cpp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        auto read = loadTimeFunctions(built(c.module));
        ASSERT_TRUE(std::holds_alternative<LoadTimeFunctions>(read)) << std::get<std::string>(read);
        std::vector<std::string> ours;
        for (const std::string& name : std::get<LoadTimeFunctions>(read).names) {
            if (!addedByToolchain(name))
                ours.push_back(name);
        }
        EXPECT_EQ(ours, std::vector<std::string>{c.entry});
    }
}

TEST(ModuleLoadTime, TheReaderSeesAFileWithDynamicInitialisers)
{
    // The platform library has globals built at load (registries, tables):
    // the reader must find such entries, or the test above proves nothing.
    auto read = loadTimeFunctions(built("libquorvel_platform.so"));
    ASSERT_TRUE(std::holds_alternative<LoadTimeFunctions>(read)) << std::get<std::string>(read);
    size_t fileInitialisers = 0;
    for (const std::string& name : std::get<LoadTimeFunctions>(read).names)
        fileInitialisers += name.starts_with("_GLOBAL__sub_I_") && !addedByToolchain(name);
    EXPECT_GT(fileInitialisers, 0u);
}

TEST(ModuleLoadTime, SomethingThatIsNotAnElfFileIsAnErrorNotACrash)
{
    auto read = loadTimeFunctions(QUORVEL_SOURCE_DIR "/README.md");
    ASSERT_TRUE(std::holds_alternative<std::string>(read));
    EXPECT_NE(std::get<std::string>(read).find("not a 64-bit"), std::string::npos);
    EXPECT_TRUE(std::holds_alternative<std::string>(loadTimeFunctions("/nonexistent/module.so")));
}

} // namespace
} // namespace quorvel::test
