// Where a program finds its data and manual: the environment's folder alone, next to the
// executable, the installed share/trevix, and the source tree only for a build-tree program.
#include "config/DataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace trevix {
namespace {

namespace fs = std::filesystem;

struct ProgramLayout : ::testing::Test {
    fs::path root;
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("trevix-places-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
    }
    void TearDown() override { fs::remove_all(root); }
    // Creates root/<relative> as a file (and its folders).
    void Touch(const std::string& relative) {
        fs::path p = root / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    std::string At(const std::string& relative) const {
        return relative.empty() ? std::string() : (root / relative).lexically_normal().string();
    }
};

TEST_F(ProgramLayout, DataAndManualFolders) {
    struct Case {
        const char* name;
        std::vector<std::string> files; // below root
        const char* env;                // relative to root; "" when unset
        const char* exe;
        const char* source;             // "" for a program outside its build tree
        const char* data;               // expected data folder
        const char* manual;             // expected manual folder, "" for none
    } cases[] = {
        {"installed", {"usr/share/trevix/search.dat", "usr/share/trevix/manual/index.html", "src/data/search.dat",
                       "src/docs/manual/index.html"},
         "", "usr/bin", "", "usr/share/trevix", "usr/share/trevix/manual"},
        {"installed wins over the source tree",
         {"usr/share/trevix/search.dat", "usr/share/trevix/manual/index.html", "src/data/search.dat",
          "src/docs/manual/index.html"},
         "", "usr/bin", "src", "usr/share/trevix", "usr/share/trevix/manual"},
        {"next to the program", {"opt/t/search.dat", "opt/share/trevix/search.dat"}, "", "opt/t", "", "opt/t", ""},
        {"build tree falls back to the source", {"src/data/search.dat", "src/docs/manual/index.html"}, "",
         "src/build/src/cli", "src", "src/data", "src/docs/manual"},
        {"an installed copy never uses the source", {"src/data/search.dat", "src/docs/manual/index.html"}, "",
         "usr/bin", "", "usr/bin", ""},
        {"environment alone, even without search.dat", {"env/spider.dat", "usr/share/trevix/search.dat"}, "env",
         "usr/bin", "src", "env", ""},
        {"environment's manual first", {"env/manual/index.html", "usr/share/trevix/manual/index.html"}, "env",
         "usr/bin", "", "env", "env/manual"},
        {"a manual folder without its index does not count",
         {"usr/share/trevix/manual/style.css", "src/docs/manual/index.html"}, "", "usr/bin", "src",
         "usr/bin", "src/docs/manual"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        fs::create_directories(root);
        for (const std::string& f : c.files) Touch(f);
        ProgramPlaces places;
        places.EnvironmentDataFolder = At(c.env);
        places.ExecutableFolder = At(c.exe);
        places.SourceTree = At(c.source);
        EXPECT_EQ(FindDataFolder(places), At(c.data));
        EXPECT_EQ(FindManualFolder(places), At(c.manual));
        if (*c.env) {
            EXPECT_EQ(DataFolderCandidates(places), std::vector<std::string>{At(c.env)});
        }
    }
}

#ifdef TREVIX_TEST_SOURCE_TREE
// The test program itself runs from the build tree, so it finds the source tree's manual.
TEST(ProgramPlacesOfThisProgram, BuildTreeProgramSeesTheSourceTree) {
    ProgramPlaces places = CurrentProgramPlaces();
    EXPECT_EQ(fs::weakly_canonical(places.SourceTree), fs::weakly_canonical(TREVIX_TEST_SOURCE_TREE));
    places.EnvironmentDataFolder.clear();
    EXPECT_EQ(fs::weakly_canonical(FindManualFolder(places)),
              fs::weakly_canonical(fs::path(TREVIX_TEST_SOURCE_TREE) / "docs" / "manual"));
}
#endif

} // namespace
} // namespace trevix
