// Checks against the data files that ship with the program.
#include "TestHost.h"
#include "config/DataFileReaders.h"
#include "config/ReferenceDataLoader.h"
#include "engine/parse/BrowserDetection.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace trevix {
namespace {

const std::string DataDir = TREVIX_DATA_DIR_FOR_TESTS;
const std::string TestDir = TREVIX_TEST_DIR;

bool HasFile(const std::string& path) {
    return std::filesystem::is_regular_file(path);
}

TEST(ShippedData, UserAgentsAreClassifiedAsExpected) {
    if (!HasFile(DataDir + "/browser.dat") || !HasFile(TestDir + "/config/user_agents.tsv"))
        GTEST_SKIP() << "browser.dat or user_agents.tsv not there";
    ReferenceData ref;
    test::RecordingHost host;
    ASSERT_TRUE(LoadBrowserDefinitions(ref, host, DataDir));
    auto tsv = ReadDataFile(TestDir + "/config/user_agents.tsv");
    ASSERT_TRUE(tsv);
    int rows = 0;
    for (std::string_view line : ReadWholeLines(*tsv)) {
        size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
        ASSERT_NE(t2, std::string_view::npos) << line;
        std::string_view browser = line.substr(0, t1), os = line.substr(t1 + 1, t2 - t1 - 1),
                         ua = line.substr(t2 + 1);
        BrowserResult r = DetectBrowser(ref, ua, true);
        // An empty name is reported as "(unknown)".
        EXPECT_EQ(r.Browser.empty() ? "(unknown)" : r.Browser, browser) << ua;
        EXPECT_EQ(r.OS.empty() ? "(unknown)" : r.OS, os) << ua;
        ++rows;
    }
    EXPECT_GT(rows, 0);
}

// Every matching record counts a visitor, so a record must match what its name says: one
// operating system per real user agent, and one browser except where a brand only appends
// its token to another browser's user agent (no substring can tell those apart).
TEST(ShippedData, RealUserAgentsMatchOneRecordEach) {
    if (!HasFile(DataDir + "/browser.dat") || !HasFile(TestDir + "/config/user_agents.tsv"))
        GTEST_SKIP() << "browser.dat or user_agents.tsv not there";
    ReferenceData ref;
    test::RecordingHost host;
    ASSERT_TRUE(LoadBrowserDefinitions(ref, host, DataDir));
    // The later record of each pair names the visitor.
    const std::set<std::pair<std::string, std::string>> appended = {
        {"Chrome", "Edge"},         {"Chrome", "Opera"},      {"Chrome", "Vivaldi"},
        {"Chrome", "Yandex Browser"}, {"Safari", "Edge"},     {"Firefox", "SeaMonkey"},
        {"Firefox", "Pale Moon"},   {"Internet Explorer 6", "Opera"},
        // old compatibility and phone forms of Internet Explorer
        {"Internet Explorer 7", "Internet Explorer 8"}, {"Internet Explorer 7", "Internet Explorer 11"},
        {"Internet Explorer 6", "IE Mobile"}, {"Internet Explorer 10", "IE Mobile"},
        {"Internet Explorer 11", "IE Mobile"}};
    auto tsv = ReadDataFile(TestDir + "/config/user_agents.tsv");
    ASSERT_TRUE(tsv);
    int single = 0, rows = 0;
    for (std::string_view line : ReadWholeLines(*tsv)) {
        const size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
        const std::string_view os = line.substr(t1 + 1, t2 - t1 - 1), ua = line.substr(t2 + 1);
        std::vector<int> matched;
        DetectBrowser(static_cast<const ReferenceData&>(ref), ua, matched);
        std::vector<std::string> browsers, systems;
        for (int i : matched) {
            const BrowserDefinition& d = ref.BrowserDefinitions[static_cast<size_t>(i)];
            if (d.Name.find("(all)") != std::string::npos) continue;
            (d.IsOS ? systems : browsers).push_back(d.Name);
        }
        ++rows;
        EXPECT_EQ(systems.size(), os == "(unknown)" ? 0u : 1u) << ua;
        ASSERT_LE(browsers.size(), 2u) << ua;
        if (browsers.size() == 2)
            EXPECT_TRUE(appended.contains({browsers[0], browsers[1]})) << browsers[0] << " + " << browsers[1] << ": " << ua;
        single += browsers.size() == 1;
    }
    // 77 of the 98 user agents name exactly one browser record; the others are the pairs above
    // and the two that name none.
    EXPECT_GE(single, 77) << rows;
}

TEST(ShippedData, BrowserLinesHaveNoEmptyMatchStrings) {
    auto text = ReadDataFile(DataDir + "/browser.dat");
    if (!text) GTEST_SKIP() << "browser.dat not there";
    ReferenceData ref;
    ParseBrowserDefinitions(ref, *text);
    EXPECT_GT(ref.BrowserCount(), 1);
    for (int i = 2; i <= ref.BrowserCount(); ++i) {
        const auto& d = ref.BrowserDefinitions[i];
        EXPECT_FALSE(d.Name.empty()) << i;
        EXPECT_FALSE(d.MatchStrings.empty()) << d.Name;
        for (const auto& m : d.MatchStrings)
            EXPECT_FALSE(m.empty()) << d.Name;
    }
}

TEST(ShippedData, EveryRangeFindsItsCountryAtBothEnds) {
    if (!HasFile(DataDir + "/countries.dat") || !HasFile(DataDir + "/country.dat") ||
        !HasFile(DataDir + "/country6.dat"))
        GTEST_SKIP() << "country data not there";
    ReferenceData ref;
    test::RecordingHost host;
    ASSERT_TRUE(LoadCountryData(ref, host, DataDir));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_GT(ref.CountryRanges.RangeCount(), 1000u);
    EXPECT_GT(ref.CountryRanges6.RangeCount(), 1000u);

    // Every code is a known country, and the first and last address of every range find it.
    auto unquote = [](std::string_view piece) { return piece.substr(1, piece.size() - 2); };
    auto countryOf = [&](std::string_view code) {
        std::string lower(code);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto found = ref.CountryIndexByCode.find(lower);
        return found == ref.CountryIndexByCode.end() ? 0 : found->second;
    };
    auto dotted = [](std::string_view number) {
        const uint64_t n = std::stoull(std::string(number));
        return std::to_string(n >> 24) + "." + std::to_string(n >> 16 & 255) + "." + std::to_string(n >> 8 & 255) +
               "." + std::to_string(n & 255);
    };
    for (const bool six : {false, true}) {
        std::optional<std::string> text = ReadDataFile(DataDir + (six ? "/country6.dat" : "/country.dat"));
        ASSERT_TRUE(text);
        size_t lines = 0, failures = 0;
        ForEachLine(*text, [&](std::string_view line) {
            std::vector<std::string_view> pieces = SplitCsvLine(line);
            ASSERT_GE(pieces.size(), 3u) << line;
            const int32_t country = countryOf(unquote(pieces[2]));
            std::string first(unquote(pieces[0]).substr(2)), last(unquote(pieces[1]));
            if (!six) {
                first = dotted(first);
                last = dotted(last);
            }
            ++lines;
            if (country == 0 || ref.FindCountry(first) != country || ref.FindCountry(last) != country)
                if (++failures <= 5) ADD_FAILURE() << line;
        });
        EXPECT_EQ(failures, 0u);
        EXPECT_EQ(lines, six ? ref.CountryRanges6.RangeCount() : ref.CountryRanges.RangeCount());
    }
    // Reserved blocks belong to no country; global unicast mostly does.
    for (const char* reserved : {"::1", "fe80::1", "2001:db8::1", "fd00::1", "::ffff:10.0.0.1", "0.0.0.0",
                                 "255.255.255.255"})
        EXPECT_EQ(ref.FindCountry(reserved), 0) << reserved;

    // One country, one name, one row: the .uk domain is the United Kingdom of the ranges.
    std::set<std::string> names;
    for (int c = 1; c <= ref.CountryCount(); ++c)
        EXPECT_TRUE(names.insert(ref.CountryList[static_cast<size_t>(c)].Name).second) << ref.CountryList[c].Name;
    ASSERT_TRUE(ref.CountryIndexByCode.count("gb"));
    const int32_t gb = ref.CountryIndexByCode.at("gb");
    EXPECT_EQ(ref.CountryList[static_cast<size_t>(gb)].Name, "United Kingdom");
    EXPECT_EQ(ref.FindCountry("www.example.co.uk"), gb);
}

} // namespace
} // namespace trevix
