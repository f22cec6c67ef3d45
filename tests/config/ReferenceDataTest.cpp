#include "TestHost.h"
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "config/ReferenceDataLoader.h"
#include "engine/parse/BrowserDetection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

namespace trevix {
namespace {

namespace fs = std::filesystem;

// A folder of data files written by the test, removed afterwards.
struct DataFolderFixture : ::testing::Test {
    fs::path dir;
    test::RecordingHost host;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("trevix-config-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string Folder() const { return dir.string(); }
};

TEST(BrowserDefinitions, LinesBecomeRecordsAfterTheBuiltInOnes) {
    ReferenceData ref;
    ParseBrowserDefinitions(ref,
                            "*Windows XP,Windows NT 5.1,Windows XP\r\nOpera ,Opera \nBroken,\n\nNameOnly\n");
    ASSERT_EQ(ref.BrowserCount(), 5);
    EXPECT_EQ(ref.BrowserDefinitions[0].Name, "(unknown)");
    EXPECT_FALSE(ref.BrowserDefinitions[0].IsOS);
    EXPECT_EQ(ref.BrowserDefinitions[1].Name, "(unknown)");
    EXPECT_TRUE(ref.BrowserDefinitions[1].IsOS);
    const auto& xp = ref.BrowserDefinitions[2];
    EXPECT_EQ(xp.Name, "Windows XP");
    EXPECT_TRUE(xp.IsOS);
    EXPECT_EQ(xp.MatchStrings, (std::vector<std::string>{"Windows NT 5.1", "Windows XP"}));
    EXPECT_EQ(ref.BrowserDefinitions[3].Name, "Opera ");
    EXPECT_EQ(ref.BrowserDefinitions[3].MatchStrings, (std::vector<std::string>{"Opera "}));
    // A line ending in a comma has an empty last match string, which every user agent contains.
    EXPECT_EQ(ref.BrowserDefinitions[4].MatchStrings, (std::vector<std::string>{""}));
    EXPECT_EQ(DetectBrowser(ref, "curl/8", false).Browser, "Broken");
    EXPECT_TRUE(ref.BrowserDefinitions[5].MatchStrings.empty());

    // Loading again starts over from the built-in records.
    ParseBrowserDefinitions(ref, "A,a\n");
    EXPECT_EQ(ref.BrowserCount(), 2);
}

TEST(BrowserDetection, LaterMatchesOverwriteAndAggregatesOnlyCount) {
    ReferenceData ref;
    ParseBrowserDefinitions(ref, "Mozilla,Gecko/\n"
                                 "Firefox,Firefox/\n"
                                 "Internet Explorer (all),MSIE \n"
                                 "*Windows (all),Windows\n"
                                 "*Windows XP,Windows NT 5.1\n"
                                 "*Linux,Linux,X11\n");
    struct Case {
        const char* ua;
        const char* browser;
        const char* os;
        bool browserFound, osFound;
    } cases[] = {
        {"Mozilla/5.0 (Windows NT 5.1) Gecko/2010 Firefox/3.6", "Firefox", "Windows XP", true, true},
        {"Mozilla/4.0 (compatible; MSIE 6.0; Windows 98)", "", "", true, true},
        {"Mozilla/5.0 (X11; Linux) Gecko/1", "Mozilla", "Linux", true, true},
        {"curl/7.0", "", "", false, false},
        {"firefox/3 gecko/", "", "", false, false},
    };
    for (const auto& c : cases) {
        BrowserResult r = DetectBrowser(ref, c.ua, false);
        EXPECT_EQ(r.Browser, c.browser) << c.ua;
        EXPECT_EQ(r.OS, c.os) << c.ua;
        EXPECT_EQ(r.BrowserFound, c.browserFound) << c.ua;
        EXPECT_EQ(r.OSFound, c.osFound) << c.ua;
    }
    for (const auto& d : ref.BrowserDefinitions)
        EXPECT_EQ(d.Hits, 0);
    for (const auto& c : cases)
        DetectBrowser(ref, c.ua, true);
    std::vector<int> hits;
    for (const auto& d : ref.BrowserDefinitions)
        hits.push_back(d.Hits);
    // unknown browser, unknown OS, Mozilla, Firefox, IE (all), Windows (all), XP, Linux
    EXPECT_EQ(hits, (std::vector<int>{2, 2, 2, 1, 1, 2, 1, 1}));
}

TEST(ErrorDescriptions, CodeBeforeTheFirstCommaAndAppendedOnEveryLoad) {
    ReferenceData ref;
    ParseErrorDescriptions(ref, "404,Not Found, or gone\r\n500,Internal Server Error\n\n");
    ASSERT_EQ(ref.ErrorDescriptionCount(), 2);
    EXPECT_EQ(ref.ErrorDescriptions[1].Code, 404);
    EXPECT_EQ(ref.ErrorDescriptionOf(404), "Not Found, or gone");
    EXPECT_EQ(ref.ErrorDescriptionOf(500), "Internal Server Error");
    EXPECT_EQ(ref.ErrorDescriptionOf(403), "Unknown");
    ParseErrorDescriptions(ref, "404,Other\n");
    EXPECT_EQ(ref.ErrorDescriptionCount(), 3);
    EXPECT_EQ(ref.ErrorDescriptionOf(404), "Not Found, or gone"); // first match wins
}

TEST(SearchEngines, RecordsOfThreeItems) {
    ReferenceData ref;
    ParseSearchEngines(
        ref, "Google,google.,q\n\"Ask, Jeeves\",ask.com,q\nGoogle AdWords,!internal,x\nBroken,only");
    ASSERT_EQ(ref.SearchEngineCount(), 3);
    EXPECT_EQ(ref.SearchEngineDefinitions[2].Name, "Ask, Jeeves");
    EXPECT_EQ(ref.SearchEngineDefinitions[3].MatchText, "!internal");
    EXPECT_EQ(ref.SearchEngineDefinitions[3].QueryParameter, "x");
}

TEST_F(DataFolderFixture, MissingFilesGivePlainMessagesAndKeepTheLists) {
    ReferenceData ref;
    ParseSpiders(ref, "bot");
    struct Case {
        bool (*load)(ReferenceData&, RunHost&, const std::string&);
        const char* message;
    } cases[] = {
        {LoadSearchEngines, "Unable to open SEARCH.DAT"},
        {LoadSpiders, "Unable to open SPIDER.DAT"},
        {LoadBrowserDefinitions, "Unable to open BROWSER.DAT"},
        {LoadErrorDescriptions, "Unable to open ERRORS.DAT"},
        {ReadGraphicsFile, "Unable to open GRAPHICS.DAT"},
        {ReadSessionIDFile, "Unable to open SESSIONID.DAT"},
    };
    for (const auto& c : cases) {
        host.Messages.clear();
        EXPECT_FALSE(c.load(ref, host, Folder()));
        EXPECT_EQ(host.Messages, std::vector<std::string>{c.message});
        EXPECT_EQ(host.Icons.back(), MessageIcon::None);
    }
    EXPECT_EQ(ref.SpiderStrings, (std::vector<std::string>{"", "bot"}));
    EXPECT_EQ(ref.BrowserCount(), 1);
    EXPECT_FALSE(LoadCountryData(ref, host, Folder()));
    EXPECT_FALSE(ref.CountriesLoaded);
    EXPECT_EQ(ref.FindCountry("host.de"), 0);
}

TEST_F(DataFolderFixture, GraphicsAndSessionListsFromFileOnceThenFromStore) {
    Write("graphics.dat", "gif\njpg,\"png\"\n");
    Write("sessionid.dat", "PHPSESSID=\r\njsessionid=\r\n");
    MemorySettingsStore store;
    ReferenceData ref;
    // Never stored ("*"): defaults from the file, stored at once.
    LoadGraphicExtensions(store, ref, host, Folder());
    LoadSessionIDPrefixes(store, ref, host, Folder());
    EXPECT_EQ(ref.GraphicExtensions, (std::vector<std::string>{"", "gif", "jpg", "png"}));
    EXPECT_EQ(store.GetSetting("Graphics", "NumGraphics"), " 3");
    EXPECT_EQ(store.GetSetting("Graphics", "Graphic3"), "png");
    EXPECT_EQ(store.GetSetting("SessionID", "NumSessionID"), " 2");
    EXPECT_EQ(store.GetSetting("SessionID", "SessionID2"), "jsessionid=");

    // Stored: the file is not read any more.
    Write("graphics.dat", "bmp\n");
    store.SaveSetting("Graphics", "Graphic2", "jpeg");
    LoadGraphicExtensions(store, ref, host, Folder());
    EXPECT_EQ(ref.GraphicExtensions, (std::vector<std::string>{"", "gif", "jpeg", "png"}));

    // A stored count of zero gives an empty list; the file is not read.
    store.SaveSetting("Graphics", "NumGraphics", "0");
    LoadGraphicExtensions(store, ref, host, Folder());
    EXPECT_EQ(ref.GraphicExtensions.size(), 1u);

    // Saving replaces the whole section.
    ref.SessionIDPrefixes = {"", "sid="};
    SaveSessionIDPrefixes(store, ref);
    EXPECT_EQ(store.Keys("SessionID"), (std::vector<std::string>{"NumSessionID", "SessionID1"}));
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(DataFolderFixture, MissingDefaultsFileIsTriedAgainNextTime) {
    MemorySettingsStore store;
    ReferenceData ref;
    LoadGraphicExtensions(store, ref, host, Folder());
    EXPECT_EQ(host.Messages, std::vector<std::string>{"Unable to open GRAPHICS.DAT"});
    EXPECT_FALSE(store.HasSection("Graphics"));
    Write("graphics.dat", "gif\n");
    LoadGraphicExtensions(store, ref, host, Folder());
    EXPECT_EQ(ref.GraphicExtensions, (std::vector<std::string>{"", "gif"}));
}

TEST_F(DataFolderFixture, CountryRangesAndHostNames) {
    const std::string australia = "\"  16777216\",\"16777471\",\"au\",\"\",\"Australia\"\n";
    const std::string others = "\"  167772160\",\"167772415\",\"nl\",\"\",\"Netherlands\"\r\n"
                               "\"  167772416\",\"167772416\",\"DE\",\"\",\"Germany\"\n"
                               "\"  167772417\",\"167772420\",\"zz\",\"\",\"Nowhere\"\n"
                               "\n";
    Write("countries.dat", "de,Germany\r\nau,Australia\nnl,Netherlands\nDE,Duplicate\n");
    Write("country.dat", others + australia); // the last range lies before the others
    ReferenceData ref;
    ASSERT_TRUE(LoadCountryData(ref, host, Folder()));
    EXPECT_TRUE(ref.CountriesLoaded);
    ASSERT_EQ(ref.CountryCount(), 4);
    ASSERT_EQ(ref.CountryRanges.RangeCount(), 4u);
    EXPECT_EQ(host.Statuses.front(), "Loading country data...");

    struct Case {
        const char* address;
        int32_t country;
    } cases[] = {
        {"10.0.0.0", 3},
        {"10.0.0.255", 3},
        {"10.0.1.0", 1},
        {"10.0.1.1", 0},
        {"10.0.1.4", 0},
        {"10.0.1.5", 0},
        {"9.255.255.255", 0},
        {"1.0.0.0", 2},
        {"1.0.0.255", 2},
        {"1.0.1.0", 0},
        {"0.0.0.0", 0},
        {"host.DE", 1},
        {"Host.de", 1},
        {"x.Au", 2},
        {"a.b.c.nl", 3},
        {"localhost", 0},
        {"host.", 0},
        {"host.com", 0},
        {"1.2.3", 0},
        {"10.0.0.1.de", 1},
        {"10.0.0.x", 0},
        {"10..0.1", 0},
        {"99999999999.0.0.1", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ref.FindCountry(c.address), c.country) << c.address;

    // The same ranges in order give the same answers.
    ParseCountryRanges(ref, australia + others);
    for (const auto& c : cases)
        EXPECT_EQ(ref.FindCountry(c.address), c.country) << c.address;
}

// A code that repeats an earlier name (the .uk domain after gb) is that country: host names in
// .uk and British addresses count as one country, under the first code.
TEST_F(DataFolderFixture, ADomainNamedLikeACountryIsThatCountry) {
    Write("countries.dat", "de,Germany\ngb,United Kingdom\nuk,United Kingdom\nus,United States\n");
    Write("country.dat", "\"  167772160\",\"167772415\",\"gb\",\"\",\"United Kingdom\"\n"
                         "\"  167772416\",\"167772416\",\"us\",\"\",\"United States\"\n");
    ReferenceData ref;
    ASSERT_TRUE(LoadCountryData(ref, host, Folder()));
    ASSERT_EQ(ref.CountryCount(), 3);
    EXPECT_EQ(ref.CountryList[2].Code, "gb");
    EXPECT_EQ(ref.CountryList[3].Code, "us");   // indexes after the folded code stay dense
    const std::pair<const char*, int32_t> cases[] = {
        {"10.0.0.7", 2}, {"www.example.co.uk", 2}, {"host.UK", 2}, {"host.gb", 2},
        {"10.0.1.0", 3}, {"host.us", 3}, {"host.de", 1},
    };
    for (auto [address, country] : cases) EXPECT_EQ(ref.FindCountry(address), country) << address;
}

TEST_F(DataFolderFixture, MissingRangeFileLeavesNoCountries) {
    Write("countries.dat", "de,Germany\n");
    ReferenceData ref;
    EXPECT_FALSE(LoadCountryData(ref, host, Folder()));
    EXPECT_EQ(host.Messages, std::vector<std::string>{"Unable to open COUNTRY.DAT"});
    EXPECT_FALSE(ref.CountriesLoaded);
    EXPECT_EQ(ref.CountryCount(), 0);
    EXPECT_EQ(ref.FindCountry("host.de"), 0);
}

// Brute force: what a front-to-back scan of the ranges gives.
template <class Range, class Key> int32_t LinearCountry(const std::vector<Range>& ranges, const Key& n) {
    for (const Range& r : ranges)
        if (r.RangeStart <= n && n <= r.RangeEnd) return r.CountryIndex;
    return 0;
}

TEST(CountryLookup, BinarySearchAgreesWithTheScanOnRandomRanges) {
    std::mt19937_64 rng(20240611);
    for (int round = 0; round < 20; ++round) {
        ReferenceData ref;
        std::string countries, ranges;
        for (int c = 0; c < 30; ++c)
            countries += "c" + std::to_string(c) + ",Country " + std::to_string(c) + "\n";
        // Disjoint ranges with gaps, written in shuffled order; some rounds also overlap.
        std::vector<CountryRange> spans;
        int64_t at = std::uniform_int_distribution<int64_t>(0, 1000)(rng);
        for (int i = 0; i < 300; ++i) {
            int64_t len = std::uniform_int_distribution<int64_t>(0, 5000)(rng);
            spans.push_back({at, at + len, 0});
            at += len + std::uniform_int_distribution<int64_t>(1, 3000)(rng);
        }
        const bool sortedFile = round % 2 == 0;
        if (!sortedFile) std::shuffle(spans.begin(), spans.end(), rng);
        if (round % 5 == 4) spans.push_back({spans[3].RangeStart + 1, spans[7].RangeEnd, 0}); // overlapping
        for (CountryRange& s : spans) {
            const int code = std::uniform_int_distribution<int>(0, 34)(rng);
            s.CountryIndex = code < 30 ? code + 1 : 0; // c30 to c34 are not in the list
            ranges += "\"  " + std::to_string(s.RangeStart) + "\",\"" + std::to_string(s.RangeEnd) + "\",\"c" +
                      std::to_string(code) + "\",\"\",\"x\"\n";
        }
        ParseCountryList(ref, countries);
        ParseCountryRanges(ref, ranges);
        EXPECT_EQ(ref.CountryRanges.RangeCount(), spans.size());
        for (int probe = 0; probe < 3000; ++probe) {
            int64_t n = std::uniform_int_distribution<int64_t>(0, at + 10)(rng);
            if (probe % 3 == 0) { // boundaries: start, end, one past the end
                const CountryRange& r = spans[std::uniform_int_distribution<size_t>(0, spans.size() - 1)(rng)];
                const int64_t s = r.RangeStart, e = r.RangeEnd;
                n = std::array<int64_t, 4>{s, e, e + 1, s - 1}[probe % 4];
            }
            if (n < 0) continue;
            std::string address = std::to_string(n >> 24) + "." + std::to_string((n >> 16) & 255) + "." +
                                  std::to_string((n >> 8) & 255) + "." + std::to_string(n & 255);
            ASSERT_EQ(ref.FindCountry(address), LinearCountry(spans, n)) << address << " round " << round;
        }
    }
}

TEST(CountryLookup, ProgressIsReportedWhileRangesAreRead) {
    std::string ranges;
    for (int i = 0; i < 12000; ++i)
        ranges +=
            "\"  " + std::to_string(i * 10) + "\",\"" + std::to_string(i * 10 + 9) + "\",\"de\",\"\",\"G\"\n";
    ReferenceData ref;
    ParseCountryList(ref, "de,Germany\n");
    test::RecordingHost host;
    ParseCountryRanges(ref, ranges, &host);
    EXPECT_EQ(ref.CountryRanges.RangeCount(), 12000u);
    EXPECT_GE(host.ProgressCalls, 3);
    EXPECT_EQ(host.LastProgress, static_cast<long long>(ranges.size()));
    EXPECT_EQ(host.LastMaximum, static_cast<long long>(ranges.size()));
    EXPECT_EQ(ref.FindCountry("0.0.46.223"), 1); // 11999
}

} // namespace
} // namespace trevix

namespace trevix {
namespace {

#ifndef _WIN32
// The environment variable's folder is used alone: a file missing there is reported by name
// and the other files still load from it, never from another folder.
TEST_F(DataFolderFixture, DataFolderFromTheEnvironment) {
    const char* old = std::getenv("TREVIX_DATA_DIR");
    std::string saved = old ? old : "";
    for (const char* name : {"search.dat", "spider.dat", "errors.dat", "graphics.dat", "sessionid.dat"})
        fs::copy_file(fs::path(TREVIX_DATA_DIR_FOR_TESTS) / name, dir / name);
    Write("browser.dat", "Firefox,Firefox/\n");
    ::setenv("TREVIX_DATA_DIR", Folder().c_str(), 1);
    EXPECT_EQ(FindDataFolder(), Folder());
    fs::remove(dir / "search.dat");
    EXPECT_EQ(FindDataFolder(), Folder());

    MemorySettingsStore store;
    ProgramOptions options;
    options.AnalyseCountries = false;
    ReferenceData ref;
    LoadAllReferenceData(store, options, ref, host, FindDataFolder());
    EXPECT_EQ(host.Messages, std::vector<std::string>{"Unable to open SEARCH.DAT"});
    EXPECT_EQ(ref.SearchEngineCount(), 0);
    EXPECT_GT(ref.SpiderCount(), 100);
    // The two built-in records (slots 0 and 1), then the one record written above.
    EXPECT_EQ(ref.BrowserCount(), 2);
    EXPECT_EQ(ref.BrowserDefinitions.back().Name, "Firefox");
    if (old)
        ::setenv("TREVIX_DATA_DIR", saved.c_str(), 1);
    else
        ::unsetenv("TREVIX_DATA_DIR");
}
#endif

} // namespace
} // namespace trevix

namespace trevix {
namespace {

TEST(IpAddress, EveryTextualFormOfAnIPv6Address) {
    struct Case {
        const char* text;
        bool valid;
        uint64_t hi, lo;
    } cases[] = {
        {"2001:db8::1", true, 0x20010db800000000, 1},
        {"2001:DB8::1", true, 0x20010db800000000, 1},
        {"2001:0db8:0000:0000:0000:0000:0000:0001", true, 0x20010db800000000, 1},
        {"2001:db8:0:0:0:0:0:1", true, 0x20010db800000000, 1},
        {"[2001:db8::1]", true, 0x20010db800000000, 1},
        {"fe80::1%eth0", true, 0xfe80000000000000, 1},
        {"::", true, 0, 0},
        {"::1", true, 0, 1},
        {"1::", true, 0x0001000000000000, 0},
        {"1:2:3:4:5:6:7::", true, 0x0001000200030004, 0x0005000600070000},
        {"::2:3:4:5:6:7:8", true, 0x0000000200030004, 0x0005000600070008},
        {"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", true, ~0ull, ~0ull},
        {"::ffff:1.2.3.4", true, 0, 0x0000ffff01020304},
        {"::FFFF:1.2.3.4", true, 0, 0x0000ffff01020304},
        {"::ffff:102:304", true, 0, 0x0000ffff01020304},
        {"64:ff9b::192.0.2.33", true, 0x0064ff9b00000000, 0xc0000221},
        {"1:2:3:4:5:6:1.2.3.4", true, 0x0001000200030004, 0x0005000601020304},
        {"", false, 0, 0},
        {":", false, 0, 0},
        {":::", false, 0, 0},
        {"1:2", false, 0, 0},
        {":1::", false, 0, 0},
        {"1::2::3", false, 0, 0},
        {"1:2:3:4:5:6:7:8:9", false, 0, 0},
        {"1:2:3:4:5:6:7:8::", false, 0, 0},
        {"1:2:3:4:5:6:7::8", false, 0, 0},
        {"12345::", false, 0, 0},
        {"g::1", false, 0, 0},
        {"2001:db8::1:", false, 0, 0},
        {"::ffff:1.2.3", false, 0, 0},
        {"::ffff:1.2.3.256", false, 0, 0},
        {"::1.2.3.4:5", false, 0, 0},
        {"1:2:3:4:5:6:7:1.2.3.4", false, 0, 0},
        {"1.2.3.4", false, 0, 0},
        {"host.example.com", false, 0, 0},
    };
    for (const auto& c : cases) {
        Ip6Number n{7, 7};
        EXPECT_EQ(ParseIPv6(c.text, n), c.valid) << c.text;
        if (c.valid) EXPECT_EQ(n, (Ip6Number{c.hi, c.lo})) << c.text;
    }
}

const char* const CountryList6 = "de,Germany\nnl,Netherlands\nus,United States\n";
// Sorted ranges with gaps, the last one reaching the top of the address space.
const char* const Ranges6 = "\"  2001:db8::\",\"2001:db8:0:ffff:ffff:ffff:ffff:ffff\",\"de\",\"\",\"Germany\"\n"
                            "\"  2001:db8:1::\",\"2001:db8:1::\",\"nl\",\"\",\"Netherlands\"\n"
                            "\"  2001:db8:1::1\",\"2001:db8:1:0:ffff:ffff:ffff:ffff\",\"zz\",\"\",\"Nowhere\"\n"
                            "\"  not-an-address\",\"2001:db8:3::\",\"us\",\"\",\"United States\"\n"
                            "\"  ff00::\",\"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff\",\"US\",\"\",\"United States\"\r\n";

TEST_F(DataFolderFixture, IPv6AddressesFindTheirCountriesAtEveryBound) {
    Write("countries.dat", CountryList6);
    Write("country.dat", "\"  16909056\",\"16909311\",\"nl\",\"\",\"Netherlands\"\n"); // 1.2.3.0-1.2.3.255
    Write("country6.dat", Ranges6);
    ReferenceData ref;
    ASSERT_TRUE(LoadCountryData(ref, host, Folder()));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(ref.CountryRanges6.RangeCount(), 4u); // the line without a valid bound is skipped

    struct Case {
        const char* address;
        int32_t country;
    } cases[] = {
        {"2001:db8::", 1},
        {"2001:db8::1", 1},
        {"2001:DB8:0000::0001", 1},
        {"2001:0db8:0000:0000:0000:0000:0000:0000", 1},
        {"[2001:db8::abcd]", 1},
        {"2001:db8:0:ffff:ffff:ffff:ffff:ffff", 1},
        {"2001:db8:1::", 2},
        {"2001:db8:1::1", 0},   // a code not in countries.dat names no country
        {"2001:db8:0:1::", 1},
        {"2001:db8:1:1::", 0},  // just past a range
        {"2001:db8:2::", 0},
        {"2001:db7:ffff:ffff:ffff:ffff:ffff:ffff", 0}, // just below the first range
        {"::", 0},
        {"::1", 0},
        {"ff00::", 3},
        {"FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:FFFF", 3},
        {"::ffff:1.2.3.4", 2},  // IPv4-mapped: looked up as 1.2.3.4
        {"::FFFF:1.2.3.255", 2},
        {"::ffff:102:300", 2},
        {"::ffff:1.2.4.0", 0},
        {"1.2.3.4", 2},
        {"2001:db8::1::2", 0},  // not an address, and no host name either
        {"host.de", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ref.FindCountry(c.address), c.country) << c.address;

    // Unsorted ranges give the same answers.
    const std::string ranges6 = Ranges6;
    const size_t lastLine = ranges6.rfind('\n', ranges6.size() - 3) + 1;
    ParseCountryRanges6(ref, ranges6.substr(lastLine) + ranges6.substr(0, lastLine));
    for (const auto& c : cases)
        EXPECT_EQ(ref.FindCountry(c.address), c.country) << c.address;
}

TEST(CountryLookup, RangeEdgesGapsAndOverlaps) {
    ReferenceData ref;
    ParseCountryList(ref, CountryList6);
    ParseCountryRanges(ref, "\"  0\",\"255\",\"de\",\"\",\"Germany\"\n"
                            "\"  256\",\"511\",\"zz\",\"\",\"Nowhere\"\n"
                            "\"  300\",\"600\",\"nl\",\"\",\"Netherlands\"\n" // behind the one before
                            "\"  4294967040\",\"4294967295\",\"us\",\"\",\"United States\"\n");
    ParseCountryRanges6(ref, "\"  ::\",\"::ff\",\"de\",\"\",\"\"\n"
                             "\"  2001:db8::\",\"2001:db8::7fff:ffff:ffff:ffff\",\"de\",\"\",\"\"\n"
                             "\"  2001:db8::8000:0:0:0\",\"2001:db8::8000:0:0:ff\",\"nl\",\"\",\"\"\n"
                             "\"  2001:db8::8000:0:0:100\",\"2001:db8:0:1::ffff\",\"us\",\"\",\"\"\n"
                             "\"  ffff:ffff:ffff:ffff:ffff:ffff:ffff:ff00\",\"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff\",\"nl\","
                             "\"\",\"\"\n");
    struct Case {
        const char* address;
        int32_t country;
    } cases[] = {
        {"0.0.0.0", 1},
        {"0.0.0.255", 1},
        {"0.0.1.0", 0},   // a code not in the list names no country...
        {"0.0.1.44", 0},  // ...and still comes first where a later range overlaps it
        {"0.0.1.255", 0},
        {"0.0.2.0", 2},
        {"0.0.2.88", 2},
        {"0.0.2.89", 0},  // a gap
        {"255.255.254.255", 0},
        {"255.255.255.0", 3},
        {"255.255.255.255", 3},
        {"256.0.0.0", 0}, // past 32 bits
        {"::ffff:0.0.0.0", 1},
        {"::ffff:0.0.2.0", 2},
        {"::ffff:255.255.255.255", 3},
        {"::", 1},
        {"::ff", 1},
        {"::100", 0},
        {"2001:db7:ffff:ffff:ffff:ffff:ffff:ffff", 0},
        {"2001:db8::", 1},
        {"2001:db8::7fff:ffff:ffff:ffff", 1},
        {"2001:db8::8000:0:0:0", 2},
        {"2001:db8::8000:0:0:ff", 2},
        {"2001:db8::8000:0:0:100", 3},
        {"2001:db8::ffff:ffff:ffff:ffff", 3},
        {"2001:db8:0:1::", 3},
        {"2001:db8:0:1::ffff", 3},
        {"2001:db8:0:1::1:0", 0},
        {"ffff:ffff:ffff:ffff:ffff:ffff:ffff:feff", 0},
        {"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ff00", 2},
        {"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ref.FindCountry(c.address), c.country) << c.address;

    // Bounds past the address space, as only a damaged file has them, still count as a scan
    // of the ranges would: from 0 up, and past 32 bits for dotted addresses with a piece over 255.
    ParseCountryRanges(ref, "\"  -5\",\"10\",\"de\",\"\",\"\"\n\"  4294967295\",\"4294967300\",\"us\",\"\",\"\"\n");
    for (const auto& c : std::vector<Case>{{"0.0.0.0", 1}, {"0.0.0.10", 1}, {"0.0.0.11", 0},
                                           {"255.255.255.255", 3}, {"256.0.0.0", 3}, {"256.0.0.4", 3},
                                           {"256.0.0.5", 0}, {"999.0.0.0", 0}})
        EXPECT_EQ(ref.FindCountry(c.address), c.country) << c.address;
}

TEST(CountryLookup, RangeFilesWithEveryKindOfLineEnd) {
    const std::string v4[] = {"\"  16777216\",\"16777471\",\"de\",\"\",\"Germany\"",
                              "\"  16777472\",\"16777472\",\"nl\",\"\",\"Netherlands\""};
    const std::string v6[] = {"\"  2001:db8::\",\"2001:db8::ff\",\"de\",\"\",\"Germany\"",
                              "\"  2001:db8::100\",\"2001:db8::100\",\"nl\",\"\",\"Netherlands\""};
    struct Case {
        const char* between;
        const char* after;
    } cases[] = {{"\n", "\n"}, {"\r\n", "\r\n"}, {"\r", "\r"}, {"\r\n\r\n \t\n", ""}, {"\n\r", "\r\n\r"}, {"\r\r\n", "\n\n"}};
    for (const auto& c : cases) {
        ReferenceData ref;
        ParseCountryList(ref, CountryList6);
        ParseCountryRanges(ref, v4[0] + c.between + v4[1] + c.after);
        ParseCountryRanges6(ref, v6[0] + c.between + v6[1] + c.after);
        const std::string name = std::string("line ends ") + c.between;
        EXPECT_EQ(ref.CountryRanges.RangeCount(), 2u) << name;
        EXPECT_EQ(ref.CountryRanges6.RangeCount(), 2u) << name;
        EXPECT_EQ(ref.FindCountry("1.0.0.255"), 1) << name;
        EXPECT_EQ(ref.FindCountry("1.0.1.0"), 2) << name;
        EXPECT_EQ(ref.FindCountry("1.0.1.1"), 0) << name;
        EXPECT_EQ(ref.FindCountry("2001:db8::ff"), 1) << name;
        EXPECT_EQ(ref.FindCountry("2001:db8::100"), 2) << name;
        EXPECT_EQ(ref.FindCountry("2001:db8::101"), 0) << name;
    }
}

// Ranges drawn from a few bounds, so that they touch, nest, overlap, coincide and run empty;
// every table answer must be what a front-to-back scan of the ranges gives.
TEST(CountryLookup, TablesAgreeWithAScanOfTheRanges) {
    std::mt19937_64 rng(7);
    auto pick = [&](const auto& pool) { return pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)]; };
    // 70000 needs more than two bytes.
    const std::array<int32_t, 5> countries{0, 1, 2, 3, 70000};
    // Also the borders of the blocks of 65,536 addresses a search starts from.
    const std::vector<int64_t> bounds4{-3, 0, 1, 2, 7, 8, 9, 1000, 65535, 65536, 131072, 16777215, 4294901760,
                                       4294967294, 4294967295, 4294967296, 4294967297,
                                       std::numeric_limits<int64_t>::max()};
    const std::vector<uint64_t> halves{0, 1, 2, 0x8000000000000000, ~uint64_t{1}, ~uint64_t{0}};
    std::vector<Ip6Number> bounds6;
    for (uint64_t hi : {uint64_t{0}, uint64_t{1}, uint64_t{5}, ~uint64_t{0}})
        for (uint64_t lo : halves)
            bounds6.push_back({hi, lo});
    for (int round = 0; round < 200; ++round) {
        const size_t count = round % 10; // none at all in some rounds
        std::vector<CountryRange> ranges4;
        std::vector<CountryRange6> ranges6;
        for (size_t i = 0; i < count; ++i) {
            ranges4.push_back({pick(bounds4), pick(bounds4), pick(countries)});
            ranges6.push_back({pick(bounds6), pick(bounds6), pick(countries)});
        }
        if (round % 3 == 0) { // sorted and disjoint, as the shipped files are
            std::sort(ranges4.begin(), ranges4.end(), [](auto& a, auto& b) { return a.RangeStart < b.RangeStart; });
            std::sort(ranges6.begin(), ranges6.end(), [](auto& a, auto& b) { return a.RangeStart < b.RangeStart; });
            for (size_t i = 1; i < ranges4.size(); ++i) {
                if (ranges4[i - 1].RangeEnd == std::numeric_limits<int64_t>::max()) {
                    ranges4.resize(i); // nothing above the top
                    break;
                }
                ranges4[i].RangeStart = std::max(ranges4[i].RangeStart, ranges4[i - 1].RangeEnd + 1);
            }
            for (size_t i = 1; i < ranges6.size(); ++i) {
                if (ranges6[i - 1].RangeEnd < ranges6[i].RangeStart) continue;
                ranges6[i].RangeStart = ranges6[i - 1].RangeEnd;
                if (++ranges6[i].RangeStart.Lo == 0 && ++ranges6[i].RangeStart.Hi == 0) {
                    ranges6.resize(i);
                    break;
                }
            }
        }
        CountryRangeTable table4;
        CountryRangeTable6 table6;
        table4.Assign(ranges4);
        table6.Assign(ranges6);
        EXPECT_EQ(table4.RangeCount(), ranges4.size());
        for (int64_t b : bounds4)
            for (int64_t n : {b - 1, b, b == std::numeric_limits<int64_t>::max() ? b : b + 1})
                if (n >= 0)
                    ASSERT_EQ(table4.Find(n), LinearCountry(ranges4, n)) << n << " round " << round;
        for (Ip6Number b : bounds6) {
            Ip6Number below = b, above = b;
            if (below.Lo-- == 0) --below.Hi;
            if (++above.Lo == 0) ++above.Hi;
            for (const Ip6Number& n : {below, b, above})
                ASSERT_EQ(table6.Find(n), LinearCountry(ranges6, n)) << n.Hi << ":" << n.Lo << " round " << round;
        }
    }
}

TEST_F(DataFolderFixture, MissingIPv6FileKeepsIPv4Countries) {
    Write("countries.dat", CountryList6);
    Write("country.dat", "\"  16909056\",\"16909311\",\"nl\",\"\",\"Netherlands\"\n");
    ReferenceData ref;
    EXPECT_TRUE(LoadCountryData(ref, host, Folder()));
    EXPECT_EQ(host.Messages, std::vector<std::string>{"Unable to open COUNTRY6.DAT"});
    EXPECT_TRUE(ref.CountriesLoaded);
    EXPECT_EQ(ref.FindCountry("1.2.3.4"), 2);
    EXPECT_EQ(ref.FindCountry("::ffff:1.2.3.4"), 2);
    EXPECT_EQ(ref.FindCountry("2001:db8::1"), 0);
    EXPECT_EQ(ref.FindCountry("host.de"), 1);

    // A reload with the file there picks it up; one without it forgets the old IPv6 ranges.
    Write("country6.dat", Ranges6);
    host.Messages.clear();
    EXPECT_TRUE(LoadCountryData(ref, host, Folder()));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(ref.FindCountry("2001:db8::1"), 1);
    fs::remove(dir / "country6.dat");
    EXPECT_TRUE(LoadCountryData(ref, host, Folder()));
    EXPECT_EQ(ref.FindCountry("2001:db8::1"), 0);
}

} // namespace
} // namespace trevix
