// quorvel demo: the story compiled in, its pictures and where they go.
#include "QuorvelProcess.h"
#include "sim/cli/StoryScript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using quorvel::test::contains;
using quorvel::test::QuorvelCall;
using quorvel::test::QuorvelRun;
using quorvel::test::runQuorvel;
using quorvel::test::TempFolder;

// Other tools pick the pictures up by these names.
const std::vector<std::string> kPictures{
    "demo-1-settings.png", "demo-2-new-code.png",         "demo-3-field-titles.png", "demo-4-notice.png",
    "demo-5-new-sms-code.png", "demo-6-sms-field-titles.png", "demo-7-codes.png",     "demo-8-widget.png",
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool isPng(const fs::path& path)
{
    return slurp(path).starts_with("\x89PNG\r\n\x1a\n");
}

TEST(DemoCommand, PlaysTheStoryAsItIsInTheSourceTree)
{
    EXPECT_EQ(quorvel::cli::storyScript(), slurp(QUORVEL_SOURCE_DIR "/sim/cli/story.scn"));
}

TEST(DemoCommand, WritesItsPicturesIntoTheOutFolderAndNamesThem)
{
    TempFolder folder;
    const fs::path out = folder.path() / "made" / "for the demo";
    QuorvelRun r = runQuorvel({"demo", "--out", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "sim: the codes store, /var/mobile/Library/Preferences/org.quillmoor.quorvel.codes.plist"));
    EXPECT_TRUE(contains(r.out, "<string>流量 MB</string>"));
    std::string listing = "sim: pictures written to " + out.string() + ":\n";
    for (const std::string& name : kPictures)
        listing += "  " + name + "\n";
    EXPECT_TRUE(contains(r.out, listing)) << r.out;
    for (const std::string& name : kPictures) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(isPng(out / name));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 8);
}

TEST(DemoCommand, QuietWritesIntoTheCurrentFolderAndPrintsOnlyThePictures)
{
    TempFolder folder;
    QuorvelCall call{{"demo", "-q"}};
    call.workingFolder = folder.path();
    QuorvelRun r = runQuorvel(call);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected;
    for (const std::string& name : kPictures) {
        expected += name + "\n";
        EXPECT_TRUE(isPng(folder.path() / name)) << name;
    }
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
}

TEST(DemoCommand, RefusesAnOutFolderThatIsAFile)
{
    TempFolder folder;
    const fs::path file = folder.write("taken", "not a folder");
    QuorvelRun r = runQuorvel({"demo", "--out", file.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "quorvel: demo: cannot use " + file.string())) << r.err;
    EXPECT_EQ(slurp(file), "not a folder");
}

} // namespace
