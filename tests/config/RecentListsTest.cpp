#include "config/RecentLists.h"
#include "config/MemorySettingsStore.h"

#include <gtest/gtest.h>

namespace trevix {
namespace {

// A 1-based list from its entries.
std::vector<std::string> List(std::initializer_list<const char*> entries) {
    std::vector<std::string> list(1);
    for (const char* e : entries)
        list.emplace_back(e);
    return list;
}

TEST(PushRecent, MostRecentlyUsedOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> before;
        int bound;
        const char* text;
        std::vector<std::string> after;
    } cases[] = {
        {"new text pushes the last out", List({"a", "b", "c"}), 3, "n", List({"n", "a", "b"})},
        {"text at 4 of 10 moves to front", List({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), 10, "4",
         List({"4", "1", "2", "3", "5", "6", "7", "8", "9", "10"})},
        {"first stays first", List({"a", "b", "c"}), 3, "a", List({"a", "b", "c"})},
        {"last moves to front", List({"a", "b", "c"}), 3, "c", List({"c", "a", "b"})},
        {"case matters", List({"a", "B", ""}), 3, "b", List({"b", "a", "B"})},
        {"empty slots fill", List({"", "", ""}), 3, "x", List({"x", "", ""})},
        {"bound 1", List({"a"}), 1, "b", List({"b"})},
        {"bound 0 keeps it empty", List({}), 0, "x", List({})},
        {"short list is sized to the bound", List({"a"}), 3, "b", List({"b", "a", ""})},
    };
    for (auto& c : cases) {
        PushRecent(c.before, c.bound, c.text);
        EXPECT_EQ(c.before, c.after) << c.name;
    }
}

TEST(PushRecent, TextTakenFromTheListItself) {
    auto list = List({"a", "b", "c", "d"});
    PushRecent(list, 4, list[3]);
    EXPECT_EQ(list, List({"c", "a", "b", "d"}));
}

struct RecentFixture : ::testing::Test {
    MemorySettingsStore store;
    ProgramOptions options;
    RecentLists recent;
    SiteProfileList profiles;

    void Fill() {
        for (int i = 1; i <= 10; ++i) {
            store.SaveSetting("Recent", "File" + std::to_string(i), "f" + std::to_string(i));
            store.SaveSetting("Recent", "Filter" + std::to_string(i), "t" + std::to_string(i));
            store.SaveSetting("Recent", "FilterFile" + std::to_string(i), "p" + std::to_string(i));
        }
    }
};

TEST_F(RecentFixture, LoadsToTheBoundsAndSkipsEmptyEntriesOnSave) {
    store.SaveSetting("Recent", "File1", "a.log");
    store.SaveSetting("Recent", "File3", "c.log");
    store.SaveSetting("Recent", "File11", "beyond.log");
    options.MaxRecentFiles = 10;
    LoadRecentAndProfiles(store, options, recent, profiles);
    ASSERT_EQ(recent.RecentFiles.size(), 11u);
    EXPECT_EQ(ShownEntries(recent.RecentFiles), (std::vector<std::string>{"a.log", "c.log"}));
    EXPECT_EQ(recent.RecentFilters.size(), 11u);
    EXPECT_EQ(recent.RecentFilterFiles.size(), 11u);

    MemorySettingsStore out;
    SaveRecentAndProfiles(out, options, recent, profiles);
    EXPECT_EQ(out.Keys("Recent"), (std::vector<std::string>{"File1", "File3"}));
    EXPECT_EQ(out.GetSetting("Profiles", "NumProfiles"), "0");
}

TEST_F(RecentFixture, LoweringBoundsKeepsTheFirstEntriesAndDeletesTheRestFromTheStore) {
    Fill();
    LoadRecentAndProfiles(store, options, recent, profiles);
    options.MaxRecentFiles = 3;
    options.MaxRecentFilters = 2;
    ResizeRecentLists(store, options, recent, 10, 10);
    EXPECT_EQ(recent.RecentFiles, List({"f1", "f2", "f3"}));
    EXPECT_EQ(recent.RecentFilters, List({"t1", "t2"}));
    EXPECT_EQ(recent.RecentFilterFiles, List({"p1", "p2"}));
    EXPECT_EQ(store.Keys("Recent"), (std::vector<std::string>{"File1", "File2", "File3", "Filter1", "Filter2",
                                                              "FilterFile1", "FilterFile2"}));

    // Raising the bounds again shows no old entries.
    options.MaxRecentFiles = 10;
    options.MaxRecentFilters = 12;
    ResizeRecentLists(store, options, recent, 3, 2);
    LoadRecentAndProfiles(store, options, recent, profiles);
    EXPECT_EQ(ShownEntries(recent.RecentFiles), (std::vector<std::string>{"f1", "f2", "f3"}));
    EXPECT_EQ(recent.RecentFilters.size(), 13u);
    EXPECT_EQ(recent.RecentFilterFiles.size(), 13u);
    EXPECT_EQ(ShownEntries(recent.RecentFilterFiles), (std::vector<std::string>{"p1", "p2"}));
}

TEST_F(RecentFixture, RaisingBoundsThenSavingWritesBothFilterLists) {
    options.MaxRecentFilters = 1;
    LoadRecentAndProfiles(store, options, recent, profiles);
    options.MaxRecentFilters = 3;
    ResizeRecentLists(store, options, recent, 10, 1);
    PushRecent(recent.RecentFilters, options.MaxRecentFilters, "GET");
    PushRecent(recent.RecentFilters, options.MaxRecentFilters, "POST");
    PushRecent(recent.RecentFilterFiles, options.MaxRecentFilters, "/index.html");
    SaveRecentAndProfiles(store, options, recent, profiles);
    EXPECT_EQ(store.GetSetting("Recent", "Filter1"), "POST");
    EXPECT_EQ(store.GetSetting("Recent", "Filter2"), "GET");
    EXPECT_EQ(store.GetSetting("Recent", "FilterFile1"), "/index.html");
    EXPECT_FALSE(store.HasSetting("Recent", "FilterFile2"));
}

// The value filters' lists load, save and shrink like the filter lists, each under its own key.
TEST_F(RecentFixture, ValueFilterListsKeepTheirOwnEntries) {
    struct Case {
        const char* field;
        const char* stem;
    };
    const Case cases[] = {{"status", "FilterStatus"}, {"address", "FilterAddress"}, {"referrer", "FilterReferrer"},
                          {"agent", "FilterAgent"}, {"country", "FilterCountry"}};
    EXPECT_EQ(recent.ValueList("file"), nullptr);
    for (const Case& c : cases)
        for (int i = 1; i <= 3; ++i) store.SaveSetting("Recent", c.stem + std::to_string(i), c.field + std::to_string(i));
    options.MaxRecentFilters = 3;
    LoadRecentAndProfiles(store, options, recent, profiles);
    for (const Case& c : cases) {
        const std::string f = c.field;
        ASSERT_NE(recent.ValueList(c.field), nullptr) << f;
        EXPECT_EQ(ShownEntries(*recent.ValueList(c.field)), (std::vector<std::string>{f + "1", f + "2", f + "3"}));
        PushRecent(*recent.ValueList(c.field), options.MaxRecentFilters, f + " new");
    }
    MemorySettingsStore out;
    SaveRecentAndProfiles(out, options, recent, profiles);
    for (const Case& c : cases) {
        EXPECT_EQ(out.GetSetting("Recent", std::string(c.stem) + "1"), std::string(c.field) + " new");
        EXPECT_EQ(out.GetSetting("Recent", std::string(c.stem) + "3"), std::string(c.field) + "2");
    }
    options.MaxRecentFilters = 1;
    ResizeRecentLists(out, options, recent, 10, 3);
    for (const Case& c : cases) {
        EXPECT_EQ(recent.ValueList(c.field)->size(), 2u);
        EXPECT_FALSE(out.HasSetting("Recent", std::string(c.stem) + "2")) << c.stem;
        EXPECT_TRUE(out.HasSetting("Recent", std::string(c.stem) + "1")) << c.stem;
    }
}

} // namespace
} // namespace trevix
