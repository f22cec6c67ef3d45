#include "config/SiteProfiles.h"
#include "config/MemorySettingsStore.h"
#include "config/QtSettingsStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace trevix {
namespace {

SiteProfile Profile(std::string name, std::vector<std::string> domains,
                    std::vector<std::string> reports = {}) {
    SiteProfile p;
    p.SiteName = std::move(name);
    p.Domains = std::move(domains);
    p.AutoConversionReports = std::move(reports);
    return p;
}

std::vector<std::string> Names(const SiteProfileList& list) {
    std::vector<std::string> names;
    for (const auto& p : list.Items)
        names.push_back(p.SiteName);
    return names;
}

TEST(SiteProfiles, DomainListText) {
    EXPECT_EQ(DomainsList(Profile("s", {"a", "b", "c"})), "a, b, c");
    EXPECT_EQ(DomainsList(Profile("s", {})), "");
    EXPECT_EQ(DomainsList(Profile("s", {"", "x"})), ", x");
}

TEST(SiteProfiles, LegacyDomainKey) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> keys;
        std::vector<std::string> domains;
    } cases[] = {
        {"legacy key alone", {{"Domain", "example.com"}}, {"example.com"}},
        {"no domain keys", {}, {}},
        {"counted keys win",
         {{"NumDomains", "2"}, {"Domain1", "a"}, {"Domain2", "b"}, {"Domain", "old"}},
         {"a", "b"}},
        {"count zero uses legacy", {{"NumDomains", "0"}, {"Domain", "old"}}, {"old"}},
        {"missing counted key reads empty", {{"NumDomains", "2"}, {"Domain1", "a"}}, {"a", ""}},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        store.SaveSetting("Profiles", "NumProfiles", "1");
        for (auto [k, v] : c.keys)
            store.SaveSetting("Profile1", k, v);
        SiteProfileList list;
        LoadProfiles(store, list);
        ASSERT_EQ(list.NumProfiles(), 1) << c.name;
        EXPECT_EQ(list[1].Domains, c.domains) << c.name;
    }
}

TEST(SiteProfiles, RemovedLegacyDomainDoesNotComeBack) {
    MemorySettingsStore store;
    store.SaveSetting("Profiles", "NumProfiles", "1");
    store.SaveSetting("Profile1", "Domain", "old.example");
    SiteProfileList list;
    LoadProfiles(store, list);
    EditProfile(list, 1, "site", {}, false, "auto", false);
    SaveProfiles(store, list);
    LoadProfiles(store, list);
    EXPECT_TRUE(list[1].Domains.empty());
}

TEST(SiteProfiles, SaveAndLoadRoundTrip) {
    SiteProfileList list;
    list.Items.push_back(Profile("Shop", {"shop.example", "www.shop.example"}, {"/thanks.html"}));
    list[1].DifferentDomains = true;
    list[1].FtpAccounts = {{"ftp.a", "u1", "p,w 1", "/logs"}, {"ftp.b", "u2", "", ""}};
    list[1].FTP = 1;
    list.Items.push_back(Profile("", {}));
    MemorySettingsStore store;
    SaveProfiles(store, list);
    EXPECT_EQ(store.GetSetting("Profiles", "NumProfiles"), "2");
    EXPECT_EQ(store.GetSetting("Profile1", "NumDomains"), "2");
    EXPECT_EQ(store.GetSetting("Profile1", "NumberFTP"), " 2");
    EXPECT_EQ(store.GetSetting("Profile1", "FTP"), " 1");
    EXPECT_EQ(store.GetSetting("Profile1", "DifferentDomains"), "True");
    EXPECT_EQ(store.GetSetting("Profile2", "DifferentDomains"), "False");

    SiteProfileList back;
    LoadProfiles(store, back);
    ASSERT_EQ(back.NumProfiles(), 2);
    EXPECT_EQ(back[1].SiteName, "Shop");
    EXPECT_EQ(back[1].Domains, list[1].Domains);
    EXPECT_TRUE(back[1].DifferentDomains);
    ASSERT_EQ(back[1].NumberFTP(), 2);
    EXPECT_EQ(back[1].FtpAccounts[0].Password, "p,w 1");
    EXPECT_EQ(back[1].FtpAccounts[1].Server, "ftp.b");
    EXPECT_EQ(back[1].FTP, 1);
    EXPECT_EQ(back[1].AutoConversionReports, list[1].AutoConversionReports);
    EXPECT_FALSE(back[2].DifferentDomains);
    EXPECT_EQ(back[2].NumDomains(), 0);
}

TEST(SiteProfiles, NewEditRenameDelete) {
    SiteProfileList list;
    list.Items.push_back(Profile("a", {"a.example"}));
    list[1].FtpAccounts = {{"ftp.a", "u", "p", "/"}};
    EXPECT_EQ(NewProfile(list, " b ", {"b.example", ""}, true), 2);
    EXPECT_EQ(list[2].SiteName, " b "); // no trimming
    EXPECT_EQ(list[2].NumberFTP(), 0);
    EXPECT_EQ(list[2].FTP, 0);
    EXPECT_EQ(DomainsList(list, 2), "b.example"); // an empty entry is not kept
    NewProfile(list, "c", {}, false);
    NewProfile(list, "d", {}, false);

    EXPECT_TRUE(EditProfile(list, 1, "a2", {" ", "x", ""}, true, "auto", false));
    EXPECT_EQ(DomainsList(list, 1), "x");
    EXPECT_EQ(list[1].NumberFTP(), 1); // accounts are kept by an edit
    EXPECT_FALSE(EditProfile(list, 0, "none", {}, false, "auto", false));
    EXPECT_FALSE(EditProfile(list, 5, "none", {}, false, "auto", false));
    EXPECT_TRUE(RenameProfile(list, 3, "c2"));

    EXPECT_TRUE(DeleteProfile(list, 2));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a2", "c2", "d"}));
    EXPECT_FALSE(DeleteProfile(list, 4));
    EXPECT_TRUE(DeleteProfile(list, 1));
    EXPECT_TRUE(DeleteProfile(list, 2));
    EXPECT_TRUE(DeleteProfile(list, 1));
    EXPECT_EQ(list.NumProfiles(), 0);
    EXPECT_FALSE(DeleteProfile(list, 1));
}

TEST(SiteProfiles, MovedProfileKeepsItsOwnAutomaticReports) {
    SiteProfileList list;
    list.Items.push_back(Profile("a", {}, {"/a1", "/a2"}));
    list.Items.push_back(Profile("b", {}, {}));
    MemorySettingsStore store;
    SaveProfiles(store, list);
    DeleteProfile(list, 1);
    SaveProfiles(store, list);
    SiteProfileList back;
    LoadProfiles(store, back);
    ASSERT_EQ(back.NumProfiles(), 1);
    EXPECT_EQ(back[1].SiteName, "b");
    EXPECT_TRUE(back[1].AutoConversionReports.empty());
}

TEST(SiteProfiles, AutomaticReportListWrittenAtOnce) {
    struct Step {
        const char* file;
        bool ticked;
        std::vector<std::string> list;
    } steps[] = {
        {"/a", true, {"/a"}},        {"/b", true, {"/a", "/b"}},
        {"/a", true, {"/a", "/b"}},  {"/c", true, {"/a", "/b", "/c"}},
        {"/a", false, {"/b", "/c"}}, {"/x", false, {"/b", "/c"}},
        {"/c", false, {"/b"}},
    };
    SiteProfileList list;
    list.Items.push_back(Profile("one", {}));
    list.Items.push_back(Profile("two", {}));
    MemorySettingsStore store;
    for (const auto& s : steps) {
        SetAutoConversionReport(store, list, 2, s.file, s.ticked);
        EXPECT_EQ(list[2].AutoConversionReports, s.list) << s.file;
        EXPECT_EQ(store.GetSetting("Profile2", "NumAutoConversionReports"),
                  " " + std::to_string(s.list.size()));
        for (size_t r = 0; r < s.list.size(); ++r)
            EXPECT_EQ(store.GetSetting("Profile2", "AutoConversionReport" + std::to_string(r + 1)),
                      s.list[r]);
    }
    // Keys beyond the count stay; they are never read.
    EXPECT_EQ(store.GetSetting("Profile2", "AutoConversionReport3"), "/c");
    EXPECT_FALSE(store.HasSection("Profile1"));
    EXPECT_EQ(AutoConversionReportPosition(list[2], "/b"), 1);
    EXPECT_EQ(AutoConversionReportPosition(list[2], "/B"), 0);
}

// The log format and the W3C time choice go through the real INI file: format strings are
// full of characters an INI file treats specially, and a profile from before the keys existed
// reads as automatic detection in UTC.
TEST(SiteProfiles, LogFormatSurvivesTheSettingsFile) {
    struct Case {
        const char* name;
        std::string written;   // LogFormat as the profile holds it
        bool w3cLocal;
        std::string readBack;
    } cases[] = {
        {"automatic", "auto", false, "auto"},
        {"empty is automatic", "", false, "auto"},
        {"named, blanks dropped", "  w3c ", true, "w3c"},
        {"named", "vhost-combined", false, "vhost-combined"},
        {"apache with escaped quotes",
         R"(%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\")", false,
         R"(%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\")"},
        {"nginx", R"($remote_addr - $remote_user [$time_local] "$request" $status $body_bytes_sent "$http_referer")",
         true, R"($remote_addr - $remote_user [$time_local] "$request" $status $body_bytes_sent "$http_referer")"},
        {"semicolons, equals, commas", "$remote_addr;a=$status, $body_bytes_sent # x", false,
         "$remote_addr;a=$status, $body_bytes_sent # x"},
        {"backslashes", R"(%h \t %>s \\ %b\)", false, R"(%h \t %>s \\ %b\)"},
        {"at sign first", "@Variant(%h) %>s %b", false, "@Variant(%h) %>s %b"},
        {"non-ASCII", "%h \xC3\xA9 %>s %b", false, "%h \xC3\xA9 %>s %b"},
    };
    trevix::testing::TempDir dir;
    for (const Case& c : cases) {
        const std::string file = dir.File(std::string(c.name) + ".ini");
        SiteProfileList list;
        NewProfile(list, "old", {}, false);
        NewProfile(list, "site", {"example.com"}, false, c.written, c.w3cLocal);
        {
            QtSettingsStore store(file);
            SaveProfiles(store, list);
        }
        QtSettingsStore store(file);
        SiteProfileList back;
        LoadProfiles(store, back);
        ASSERT_EQ(back.NumProfiles(), 2) << c.name;
        EXPECT_EQ(back[2].LogFormat, c.readBack) << c.name;
        EXPECT_EQ(back[2].W3cLocalTime, c.w3cLocal) << c.name;
        EXPECT_EQ(back[1].LogFormat, "auto") << c.name;
        EXPECT_FALSE(back[1].W3cLocalTime) << c.name;
    }

    const std::string older = dir.Write("older.ini", "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\n"
                                                     "NumDomains=1\nDomain1=example.com\nDifferentDomains=True\n");
    QtSettingsStore store(older);
    SiteProfileList back;
    LoadProfiles(store, back);
    ASSERT_EQ(back.NumProfiles(), 1);
    EXPECT_EQ(back[1].LogFormat, "auto");
    EXPECT_FALSE(back[1].W3cLocalTime);
    EXPECT_TRUE(back[1].DifferentDomains);
}

// The address setting and its key survive the settings file, which is its owner's alone; a key
// never moves to the profile that takes a deleted one's place, and older profiles read as "none".
TEST(SiteProfiles, AddressSettingAndKeySurviveTheSettingsFile) {
    trevix::testing::TempDir dir;
    const std::string file = dir.Write("sites.ini", "[Profiles]\nNumProfiles=0\n");
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    const std::string key(64, 'a');
    SiteProfileList list;
    list.Items.push_back(Profile("hashed", {"a.example"}));
    list.Items.push_back(Profile("plain", {"b.example"}));
    list.Items.push_back(Profile("networks", {"c.example"}));
    list[1].Anonymise = "hash";
    list[1].AnonymiseKey = key;
    list[3].Anonymise = "truncate";
    {
        QtSettingsStore store(file);
        SaveProfiles(store, list);
    }
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all, std::filesystem::perms(0600));
    struct Case {
        int p;
        const char *mode, *key;
    };
    SiteProfileList back;
    {
        QtSettingsStore store(file);
        LoadProfiles(store, back);
    }
    const Case cases[] = {{1, "hash", key.c_str()}, {2, "none", ""}, {3, "truncate", ""}};
    ASSERT_EQ(back.NumProfiles(), 3);
    for (const Case& c : cases) {
        EXPECT_EQ(back[c.p].Anonymise, c.mode) << c.p;
        EXPECT_EQ(back[c.p].AnonymiseKey, c.key) << c.p;
    }
    DeleteProfile(back, 1);
    {
        QtSettingsStore store(file);
        SaveProfiles(store, back);
        LoadProfiles(store, back);
    }
    ASSERT_EQ(back.NumProfiles(), 2);
    EXPECT_EQ(back[1].SiteName, "plain");
    EXPECT_EQ(back[1].AnonymiseKey, "");
    EXPECT_EQ(back[1].Anonymise, "none");
}

// Each site keeps its own filters through the settings file; a profile that moves takes them
// along, a deleted one leaves none behind, and a file from before filters were kept has none.
TEST(SiteProfiles, FiltersKeptPerProfileThroughTheSettingsFile) {
    trevix::testing::TempDir dir;
    const std::string file = dir.Write("sites.ini", "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Old\n");
    const std::vector<SiteFilter> shop = {{"status", "is", "404"},
                                          {"address", "is not", "2001:db8::1"},
                                          {"referrer", "contains", "http://r.example/a b%20c;x,y=\"z\""},
                                          {"agent", "doesn't contain", "Tool \"q\" 1.0 [x] \\ #y"},
                                          {"date", "is", "2026-10-01..2026-10-03"}};
    const std::vector<SiteFilter> blog = {{"file", "is", "/"}};
    auto load = [&] {
        SiteProfileList back;
        QtSettingsStore store(file);
        LoadProfiles(store, back);
        return back;
    };
    auto save = [&](const SiteProfileList& list) {
        QtSettingsStore store(file);
        SaveProfiles(store, list);
    };
    SiteProfileList list = load();
    ASSERT_EQ(list.NumProfiles(), 1);
    EXPECT_TRUE(list[1].Filters.empty());

    list[1].Filters = shop;
    list.Items.push_back(Profile("Plain", {}));
    list.Items.push_back(Profile("Blog", {}));
    list[3].Filters = blog;
    save(list);
    RenameProfile(list, 1, "Shop");
    save(list);
    list = load();
    struct Case {
        int p;
        const char* name;
        std::vector<SiteFilter> filters;
    };
    for (const Case& c : {Case{1, "Shop", shop}, Case{2, "Plain", {}}, Case{3, "Blog", blog}}) {
        EXPECT_EQ(list[c.p].SiteName, c.name);
        EXPECT_EQ(list[c.p].Filters, c.filters) << c.name;
    }

    // Shop goes: Blog moves up with its filter, and nothing of the third section stays.
    DeleteProfile(list, 1);
    save(list);
    list = load();
    ASSERT_EQ(list.NumProfiles(), 2);
    EXPECT_TRUE(list[1].Filters.empty());
    EXPECT_EQ(list[2].Filters, blog);
    {
        QtSettingsStore store(file);
        EXPECT_EQ(store.GetSetting("Profile3", "SiteName", "none"), "none");
        EXPECT_EQ(store.GetSetting("Profile3", "FilterValue1", "none"), "none");
    }

    // Fewer filters than before: the keys of the others go.
    list[2].Filters.clear();
    list[1].Filters = {{"country", "is", "fr"}};
    save(list);
    QtSettingsStore store(file);
    EXPECT_EQ(store.GetSetting("Profile2", "NumFilters"), "0");
    EXPECT_EQ(store.GetSetting("Profile2", "FilterField1", "none"), "none");
    EXPECT_EQ(store.GetSetting("Profile1", "FilterValue1"), "fr");
}

} // namespace
} // namespace trevix
