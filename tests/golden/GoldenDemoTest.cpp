// The demo's pictures against the references in tests/golden: `quorvel demo`
// runs in a temporary folder of its own (it writes into its current folder),
// and every picture it writes must match the reference of the same name
// within the tolerance of ImageComparison.h, with no picture missing on
// either side. On a mismatch the folder is kept and named in the failure; it
// holds the demo's log, each actual picture, and for each one that differs
// NAME.expected.png (the reference) and NAME.diff.png (differences in red).
// After an intended change: cmake --build build --target refresh-golden
// (scripts/refresh-golden.sh), then look at the new pictures before committing.
#include "ImageComparison.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path kReferences = fs::path(QUORVEL_SOURCE_DIR) / "tests" / "golden";
const fs::path kQuorvel = fs::path(QUORVEL_BUILD_DIR) / "bin" / "quorvel";

std::set<std::string> picturesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.rfind("demo-", 0) == 0 && entry.path().extension() == ".png" &&
            name.find(".diff.") == std::string::npos && name.find(".expected.") == std::string::npos)
            names.insert(name);
    }
    return names;
}

fs::path makeTemporaryFolder()
{
    std::string pattern = (fs::temp_directory_path() / "quorvel-golden-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    return made ? fs::path(made) : fs::path();
}

TEST(GoldenDemo, EveryPictureMatchesItsReference)
{
    const std::set<std::string> references = picturesIn(kReferences);
    ASSERT_FALSE(references.empty()) << "no references in " << kReferences;
    const fs::path folder = makeTemporaryFolder();
    ASSERT_FALSE(folder.empty()) << "no temporary folder";

    const std::string command = "cd '" + folder.string() + "' && '" + kQuorvel.string() + "' demo > demo.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "quorvel demo failed; its output is in " << folder / "demo.log";

    bool allMatch = true;
    const std::set<std::string> written = picturesIn(folder);
    for (const std::string& name : references) {
        SCOPED_TRACE(name);
        if (!written.count(name)) {
            ADD_FAILURE() << "the demo did not write this picture";
            allMatch = false;
            continue;
        }
        const fs::path actual = folder / name;
        const fs::path reference = kReferences / name;
        const golden::ImageComparison result = golden::compareImages(actual, reference);
        if (result.matches())
            continue;
        allMatch = false;
        const std::string stem = fs::path(name).stem().string();
        std::error_code ignored;
        fs::copy_file(reference, folder / (stem + ".expected.png"), fs::copy_options::overwrite_existing, ignored);
        golden::writeDifferencePicture(actual, reference, folder / (stem + ".diff.png"));
        ADD_FAILURE() << result.describe() << "; see " << actual << ", " << folder / (stem + ".expected.png")
                      << " and " << folder / (stem + ".diff.png");
    }
    for (const std::string& name : written) {
        if (!references.count(name)) {
            ADD_FAILURE() << name << " has no reference in " << kReferences << " (refresh-golden adds it)";
            allMatch = false;
        }
    }
    if (allMatch)
        fs::remove_all(folder);
    else
        std::cout << "golden pictures kept in " << folder << "\n";
}

// The comparison itself, on small pictures made here.
class ImageComparisonTest : public ::testing::Test {
protected:
    fs::path folder = makeTemporaryFolder();

    ~ImageComparisonTest() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // A grey picture, with one pixel of another grey when asked.
    std::string write(const std::string& name, int width, int height, int grey, int oddX = -1, int oddGrey = 0)
    {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto g = static_cast<uint32_t>(x == oddX && y == 0 ? oddGrey : grey);
                reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(surface))[x] =
                    0xFF000000 | (g << 16) | (g << 8) | g;
            }
        cairo_surface_mark_dirty(surface);
        const std::string file = (folder / name).string();
        cairo_surface_write_to_png(surface, file.c_str());
        cairo_surface_destroy(surface);
        return file;
    }
};

TEST_F(ImageComparisonTest, TolerantOfSmallChannelDifferencesOnly)
{
    ASSERT_FALSE(folder.empty());
    const std::string reference = write("reference.png", 4, 3, 100);
    struct Case {
        const char* name;
        std::string actual;
        bool matches;
        long differing;
    };
    const Case cases[] = {
        {"identical", write("same.png", 4, 3, 100), true, 0},
        {"one pixel at the tolerance", write("edge.png", 4, 3, 100, 2, 100 + golden::kChannelTolerance), true, 0},
        {"one pixel just beyond it", write("beyond.png", 4, 3, 100, 2, 101 + golden::kChannelTolerance), false, 1},
        {"every pixel a little lighter", write("lighter.png", 4, 3, 110), true, 0},
        {"another size", write("wider.png", 5, 3, 100), false, 0},
        {"not a picture", (folder / "missing.png").string(), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const golden::ImageComparison result = golden::compareImages(c.actual, reference);
        EXPECT_EQ(result.matches(), c.matches) << result.describe();
        EXPECT_EQ(result.differingPixels, c.differing);
    }
}

TEST_F(ImageComparisonTest, TheDifferencePictureMarksTheDifferingPixelInRed)
{
    ASSERT_FALSE(folder.empty());
    const std::string reference = write("reference.png", 4, 2, 100);
    const std::string actual = write("actual.png", 4, 2, 100, 1, 250);
    const std::string diff = (folder / "diff.png").string();
    ASSERT_TRUE(golden::writeDifferencePicture(actual, reference, diff));
    cairo_surface_t* surface = cairo_image_surface_create_from_png(diff.c_str());
    ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface));
    EXPECT_EQ(row[1], 0xFFFF0000u) << "the differing pixel";
    EXPECT_EQ((row[0] >> 16) & 0xFF, row[0] & 0xFF) << "a matching pixel is grey";
    cairo_surface_destroy(surface);
    EXPECT_FALSE(golden::writeDifferencePicture(actual, (folder / "missing.png").string(), diff));
}

} // namespace
