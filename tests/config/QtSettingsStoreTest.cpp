#include "config/QtSettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace trevix {
namespace {

namespace fs = std::filesystem;

struct QtStoreFixture : ::testing::Test {
    fs::path dir;
    std::string file;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("trevix-store-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        file = (dir / "sub" / "Trevix.ini").string();
    }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(QtStoreFixture, ValuesSurviveTheFile) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Plain", "10"},
        {"Padded", " 2"},
        {"Trailing", "x "},
        {"Comma", "a, b,c"},
        {"Quote", "say \"hi\""},
        {"Semicolon", "a;b # c"},
        {"At", "@Variant(x)"},
        {"Backslash", "C:\\Users\\me\\Downloaded Log Files"},
        {"Equals", "a=b"},
        {"Unicode", "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"},
        {"Empty", ""},
        {"Word", "True"},
        {"Newline", "two\nlines"},
    };
    {
        QtSettingsStore store(file);
        for (const auto& [k, v] : values)
            store.SaveSetting("Options", k, v);
        store.SaveSetting("Profile1", "Password1", "secret");
    }
    QtSettingsStore store(file);
    for (const auto& [k, v] : values)
        EXPECT_EQ(store.GetSetting("Options", k, "absent"), v) << k;
    EXPECT_EQ(store.GetSetting("Options", "Missing", "dflt"), "dflt");
    EXPECT_EQ(store.GetSetting("Nowhere", "Missing"), "");
    EXPECT_EQ(store.GetSetting("Profile1", "Password1"), "secret");
}

TEST_F(QtStoreFixture, DeletingKeysAndSections) {
    QtSettingsStore store(file);
    store.SaveSetting("Recent", "File1", "a");
    store.SaveSetting("Recent", "File2", "b");
    store.SaveSetting("Graphics", "Graphic1", "gif");
    store.DeleteSetting("Recent", "File2");
    store.DeleteSetting("Recent", "File9"); // absent: no error
    store.DeleteSection("Graphics");
    store.DeleteSection("NoSuchSection");
    QtSettingsStore again(file);
    EXPECT_EQ(again.GetSetting("Recent", "File1"), "a");
    EXPECT_EQ(again.GetSetting("Recent", "File2", "gone"), "gone");
    EXPECT_EQ(again.GetSetting("Graphics", "Graphic1", "gone"), "gone");
}

#ifndef _WIN32
unsigned ModeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 0777;
}

TEST_F(QtStoreFixture, FileIsReadableByItsOwnerOnly) {
    {
        QtSettingsStore store(file);
        EXPECT_FALSE(fs::exists(file)); // reading alone never creates the file
        store.SaveSetting("Profile1", "Password1", "secret");
        EXPECT_EQ(ModeOf(file), 0600u);
    }
    EXPECT_EQ(ModeOf(file), 0600u);

    // Reading a file the user made readable by others leaves it as it is, byte for byte;
    // writing narrows it.
    fs::permissions(file, fs::perms(0644));
    const auto before = fs::last_write_time(file);
    QtSettingsStore store(file);
    EXPECT_EQ(store.GetSetting("Profile1", "Password1"), "secret");
    EXPECT_TRUE(store.ReadCleanly());
    EXPECT_EQ(ModeOf(file), 0644u);
    EXPECT_EQ(fs::last_write_time(file), before);
    store.SaveSetting("Profile1", "Password1", "other");
    EXPECT_TRUE(store.Sync());
    EXPECT_EQ(ModeOf(file), 0600u);
    EXPECT_EQ(QtSettingsStore(file).GetSetting("Profile1", "Password1"), "other");
}

// What cannot be read as a settings file is named before anything opens it.
TEST_F(QtStoreFixture, UnreadableSettingsPathsAreRecognised) {
    const std::string folder = fs::path(file).parent_path().string();
    fs::create_directories(folder);
    const std::string fifo = folder + "/settings.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string regular = folder + "/ok.ini";
    std::ofstream(regular) << "[Options]\nMaxRecentFiles=3\n";
    const std::pair<std::string, const char*> cases[] = {
        {regular, ""},
        {folder + "/missing.ini", ""},
        {folder, "it is a directory"},
        {fifo, "it is a pipe (FIFO), not a file"},
        {"/dev/null", "it is a device, not a file"},
    };
    for (const auto& [path, why] : cases) EXPECT_EQ(QtSettingsStore::CheckReadable(path), why) << path;
}
#endif

} // namespace
} // namespace trevix
