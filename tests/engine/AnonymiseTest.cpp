#include "engine/tables/Anonymise.h"

#include "engine/Analyser.h"
#include "engine/run/AnalysisRun.h"
#include "support/RawLogText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace trevix {

namespace {

// 00 01 02 ... 1f: the key the expected hashes below were computed with (by an independent
// HMAC-SHA-256 implementation).
const std::string KeyHex = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

std::string Key() { return *AnonymiseKeyFromHex(KeyHex); }

TEST(Anonymise, TruncatedAddresses) {
    struct Case {
        const char* Client;
        const char* Expected;
    };
    const Case cases[] = {
        {"203.0.113.9", "203.0.113.0"},
        {"203.0.113.255", "203.0.113.0"},
        {"10.0.0.0", "10.0.0.0"},
        {"203.0.113.9:5123", "203.0.113.0"},          // with the port some servers log
        {"2001:db8:1:2::5", "2001:db8:1::"},
        {"2001:DB8:0001:ffff:1:2:3:4", "2001:db8:1::"},
        {"[2001:db8:1:2::5]:443", "2001:db8:1::"},
        {"2001:db8:0:5::1", "2001:db8::"},            // a zero third group joins the zero run
        {"0:0:1:5::", "0:0:1::"},                     // the longest zero run is the one shortened
        {"::1", "::"},
        {"fe80::1%eth0", "fe80::"},
        {"::ffff:198.51.100.77", "198.51.100.0"},     // IPv4-mapped: the IPv4 network
        {"dsl-7.pool.example.net", "example.net"},
        {"host.example.co.uk.", "co.uk"},
        {"example.net", "example.net"},
        {"localhost", "localhost"},
        {"-", "-"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(TruncatedAddress(c.Client), c.Expected) << c.Client;
}

TEST(Anonymise, HashedAddresses) {
    struct Case {
        const char* Client;
        const char* Expected;
    };
    const Case cases[] = {
        {"203.0.113.9", "v-189972bdc3eb9253"},
        {"203.0.113.9:80", "v-189972bdc3eb9253"},
        {"::ffff:203.0.113.9", "v-189972bdc3eb9253"},
        {"2001:db8::1", "v-06f35d11bccdb555"},
        {"2001:0DB8:0:0:0:0:0:0001", "v-06f35d11bccdb555"},   // every spelling of one address
        {"[2001:db8::1]", "v-06f35d11bccdb555"},
        {"dsl-7.example.net", "v-8660cb153a9edfbc"},
        {"DSL-7.Example.NET", "v-8660cb153a9edfbc"},
        {"-", "-"},
    };
    for (const Case& c : cases) EXPECT_EQ(HashedAddress(c.Client, Key()), c.Expected) << c.Client;
    // Neighbours do not share a text, and another key gives other texts.
    EXPECT_NE(HashedAddress("203.0.113.8", Key()), HashedAddress("203.0.113.9", Key()));
    EXPECT_NE(HashedAddress("203.0.113.9", std::string(32, 'k')), HashedAddress("203.0.113.9", Key()));
}

TEST(Anonymise, KeysAndModes) {
    const std::string made = NewAnonymiseKey(), other = NewAnonymiseKey();
    ASSERT_EQ(made.size(), 64u);
    EXPECT_NE(made, other);
    ASSERT_TRUE(AnonymiseKeyFromHex(made));
    EXPECT_EQ(AnonymiseKeyFromHex(made)->size(), 32u);
    EXPECT_FALSE(AnonymiseKeyFromHex(made.substr(0, 62)));   // too short
    EXPECT_FALSE(AnonymiseKeyFromHex(made + "0"));            // odd
    EXPECT_FALSE(AnonymiseKeyFromHex(std::string(64, 'g')));
    EXPECT_FALSE(AnonymiseModeNamed("Hash"));
    EXPECT_EQ(AnonymiseModeNamed("truncate"), AnonymiseMode::Truncate);
}

// The processing log shows a line with its client field replaced; a line whose client field is
// not known loses every address in it.
TEST(Anonymise, LinesShownInTheProcessingLog) {
    AddressMasks masks;
    masks.Start(AnonymiseMode::Truncate, {});
    const std::string line = "203.0.113.9 - - [bad \"GET http://198.51.100.7/ HTTP/1.0\"";
    masks.NoteClient(std::string_view(line).substr(0, 11));
    EXPECT_EQ(masks.ShownLine(line), "203.0.113.0 - - [bad \"GET http://198.51.100.7/ HTTP/1.0\"");
    masks.NoteClient({});
    EXPECT_EQ(masks.ShownLine("x=203.0.113.9, y=2001:db8:1:2::5. at 10:20:30"),
              "x=203.0.113.0, y=2001:db8:1::. at 10:20:30");
    EXPECT_EQ(masks.ShownLine("pc7.dsl.example.net  \r"), "example.net  \r");
    masks.Start(AnonymiseMode::None, {});
    EXPECT_EQ(masks.ShownLine(line), line);
}

class AnonymisedRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("trevix-anon-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "a.log").string();
        std::ofstream(path_, std::ios::binary)
            << "10.1.2.3 - - [10/Oct/2000:10:00:00 +0000] \"GET / HTTP/1.0\" 200 100 \"http://10.7.7.7/x\" \"Lynx\"\n"
               "10.1.2.200 - - [10/Oct/2000:10:00:01 +0000] \"GET /a HTTP/1.0\" 200 100 \"-\" \"Lynx\"\n"
               "2001:db8:1:2::5 - - [10/Oct/2000:10:00:02 +0000] \"GET /b HTTP/1.0\" 200 100 \"-\" \"Lynx\"\n"
               "10.9.9.9 - - [not a time\n"
               "10.1.2.3 - - [10/Oct/2000:10:00:03 +0000] \"GET /c HTTP/1.0\" 99999 100 \"-\" \"Lynx\"\n";
        a.SetHost(&host_);
        a.Options.ShowRawLog = true;
        a.Options.AnalyseCountries = true;
        a.Reference.CountryList = {{}, {"de", "Germany"}};
        a.Reference.CountryRanges.Assign({{167772160, 184549375, 1}});   // 10.0.0.0/8
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    RunResult Run(const std::string& mode, const std::string& key = KeyHex) {
        RunRequest request;
        request.Files = {path_};
        request.Profile.Anonymise = mode;
        request.Profile.AnonymiseKey = key;
        return AnalyseLogFiles(a, request);
    }
    std::vector<std::string> Visitors() {
        std::vector<std::string> out;
        for (const ListRow& r : a.Lists[lstIPs].Rows) out.push_back(std::string(r.Cells[0]) + " " + std::string(r.Cells[1]));
        std::sort(out.begin(), out.end());
        return out;
    }

    Analyser a;
    NullHost host_;
    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(AnonymisedRun, EveryModeKeepsTheLoggedAddressesOutOfTheReport) {
    struct Case {
        const char* Mode;
        std::vector<std::string> Visitors;   // address and country
        const char* Summary;                 // a piece of the summary, or empty for none
    };
    const std::string a1 = HashedAddress("10.1.2.3", Key()), a2 = HashedAddress("10.1.2.200", Key()),
                      a3 = HashedAddress("2001:db8:1:2::5", Key());
    std::vector<std::string> hashed = {a1 + " Germany", a2 + " Germany", a3 + " (unknown)"};
    std::sort(hashed.begin(), hashed.end());
    const Case cases[] = {
        {"none", {"10.1.2.200 Germany", "10.1.2.3 Germany", "2001:db8:1:2::5 (unknown)"}, ""},
        {"truncate", {"10.1.2.0 Germany", "2001:db8:1:: (unknown)"}, "shortened to their networks"},
        {"hash", hashed, "replaced by keyed hashes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mode);
        const RunResult result = Run(c.Mode);
        EXPECT_EQ(result.FilesLoaded, 1);
        EXPECT_EQ(Visitors(), c.Visitors);   // the countries come from the logged addresses
        const std::string raw = trevix::testing::RawLogText(a.Tables);
        const std::string& log = a.Tables.ErrorLogText;
        EXPECT_NE(log.find("Invalid entry"), std::string::npos);
        EXPECT_NE(log.find("Internal Error"), std::string::npos);
        // An address inside a referrer is not the visitor's, and stays.
        EXPECT_NE(raw.find("\"http://10.7.7.7/x\""), std::string::npos);
        if (*c.Summary == '\0') {
            EXPECT_NE(raw.find("10.1.2.3 - -"), std::string::npos);
            EXPECT_NE(log.find("10.9.9.9"), std::string::npos);
            EXPECT_EQ(a.Lists.Summary.find("Visitors' addresses"), std::string::npos);
            continue;
        }
        EXPECT_NE(a.Lists.Summary.find(c.Summary), std::string::npos) << a.Lists.Summary;
        for (const char* logged : {"10.1.2.3", "10.1.2.200", "2001:db8:1:2::5", "10.9.9.9"}) {
            EXPECT_EQ(raw.find(logged), std::string::npos) << logged << " in the raw log:\n" << raw;
            EXPECT_EQ(log.find(logged), std::string::npos) << logged << " in the processing log:\n" << log;
        }
        const std::string first = std::string(c.Mode) == "hash" ? a1 : "10.1.2.0";
        EXPECT_EQ(raw.rfind(first + " - - [10/Oct/2000:10:00:00 +0000] \"GET / HTTP/1.0\"", 0), 0u) << raw;
    }
}

TEST_F(AnonymisedRun, HashWithoutUsableKeyReadsNothing) {
    for (const char* key : {"", "00ff", "not hex at all, but sixty-four characters long, no digits here!!!"}) {
        SCOPED_TRACE(key);
        const RunResult result = Run("hash", key);
        EXPECT_EQ(result.FilesLoaded, 0);
        EXPECT_EQ(result.FilesUnreadable, 1);
        EXPECT_EQ(a.Tables.EntryCount, 0u);
    }
    EXPECT_EQ(Run("sometimes").FilesLoaded, 0);   // an unknown setting is no "off"
}

} // namespace

} // namespace trevix
