// The status, address, referrer, agent, country and request-kind filters, through the run.
#include "engine/Analyser.h"
#include "engine/parse/FilterValues.h"
#include "engine/run/AnalysisRun.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trevix {

namespace {

std::string Line(const std::string& ip, int status, const std::string& referrer, const std::string& agent) {
    return ip + " - - [10/Oct/2000:12:00:00 +0000] \"GET /p HTTP/1.0\" " + std::to_string(status) +
           " 100 \"" + referrer + "\" \"" + agent + "\"\n";
}

// Twelve lines: addresses at the edges of 10.1.2.0/24, IPv6, host names, spiders.
const std::string Log = Line("10.1.2.0", 200, "http://www.google.com/search?q=x", "Mozilla/5.0") +
                        Line("10.1.2.255", 404, "-", "Mozilla/5.0") +
                        Line("10.1.3.0", 301, "-", "Googlebot/2.1") +
                        Line("10.1.1.255", 302, "http://other.org/", "Mozilla/5.0") +
                        Line("2001:db8::1", 200, "-", "Mozilla/5.0") +
                        Line("2001:db8:ffff:ffff:ffff:ffff:ffff:ffff", 500, "-", "Mozilla/5.0") +
                        Line("2001:db9::", 200, "-", "bingbot") +
                        Line("www.example.co.uk", 200, "-", "Mozilla/5.0") +
                        Line("host.example.com", 403, "-", "Mozilla/5.0") +
                        Line("badexample.com", 200, "-", "Mozilla/5.0") +
                        Line("::ffff:10.1.2.7", 200, "-", "Mozilla/5.0") +
                        Line("81.2.69.160", 200, "-", "Mozilla/5.0");

class EntryFiltersTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.Write("a.log", Log);
        ReferenceData& ref = a_.Reference;
        ref.CountryList = {{}, {"gb", "United Kingdom"}, {"fr", "France"}};
        // Two codes of one name share a row, as the data loader reads them.
        ref.CountryIndexByCode = {{"gb", 1}, {"uk", 1}, {"fr", 2}};
        ref.CountryRanges.Assign({{(81ll << 24) + (2 << 16), (81ll << 24) + (3 << 16) - 1, 1},
                                  {(10ll << 24) + (1 << 16) + (2 << 8), (10ll << 24) + (1 << 16) + (3 << 8) - 1, 2}});
        ref.SpiderStrings = {"", "bot"};
        a_.SetHost(&host_);
    }

    uint32_t Hits(const std::vector<FilterDescription>& filters) {
        a_.Filters = EntryFilters{};
        for (const FilterDescription& d : filters) {
            std::string error;
            EXPECT_TRUE(ApplyFilterDescription(a_.Filters, d, a_.Reference, error)) << d.Field << ": " << error;
        }
        RunRequest request;
        request.Files = {path_};
        AnalyseLogFiles(a_, request);
        return a_.Tables.EntryCount;
    }

    testing::TempDir dir_;
    testing::RecordingHost host_;
    Analyser a_;
    std::string path_;
};

TEST_F(EntryFiltersTest, EachFilterAloneAndCombinedCountsTheRightEntries) {
    struct Case {
        std::vector<FilterDescription> Filters;
        uint32_t Hits;
    };
    const Case cases[] = {
        {{}, 12},
        {{{"status", "is", "404"}}, 1},
        {{{"status", "is not", "200"}}, 5},
        {{{"status", "is", "4xx"}}, 2},
        {{{"status", "is", "301, 302,5xx"}}, 3},
        {{{"address", "is", "10.1.2.0/24"}}, 3},   // .0 and .255 in, .1.255 and .3.0 out, mapped in
        {{{"address", "is not", "10.1.2.0/24"}}, 9},
        {{{"address", "is", "10.1.2.255/32"}}, 1},
        {{{"address", "is", "10.1.2.255"}}, 1},
        {{{"address", "is", "0.0.0.0/0"}}, 6},     // every IPv4 address, mapped ones too
        {{{"address", "is", "2001:db8::/32"}}, 2},
        {{{"address", "is", "2001:db8::1/128"}}, 1},
        {{{"address", "is", "::/0"}}, 9},         // IPv4 addresses as their mapped form
        {{{"address", "is", "example.com"}}, 1},   // not badexample.com
        {{{"address", "is", ".CO.UK"}}, 1},
        {{{"referrer", "contains", "google"}}, 1},
        {{{"referrer", "doesn't contain", "google"}}, 11},
        // A file named whole is not every file its text is part of.
        {{{"file", "contains", "/"}}, 12},
        {{{"file", "is", "/"}}, 0},
        {{{"file", "is", "/p"}}, 12},
        {{{"file", "is not", "/"}}, 12},
        {{{"file", "is not", "/p"}}, 0},
        {{{"agent", "contains", "bot"}}, 2},
        {{{"agent", "doesn't contain", "Mozilla"}}, 2},
        {{{"country", "is", "gb"}}, 2},            // 81.2.69.160 by range, www.example.co.uk by name
        {{{"country", "is", "uk"}}, 2},
        {{{"country", "is", "FR"}}, 3},
        {{{"country", "is not", "gb"}}, 10},
        {{{"only", "is", "people"}}, 10},
        {{{"only", "is", "spiders"}}, 2},
        {{{"only", "is", "spiders"}, {"agent", "contains", "Google"}}, 1},
        {{{"only", "is", "all"}}, 12},
        {{{"status", "is", "200"}, {"address", "is", "10.0.0.0/8"}}, 2},
        {{{"only", "is", "spiders"}, {"address", "is not", "2001:db8::/32"}}, 2},
        {{{"country", "is", "fr"}, {"status", "is not", "2xx"}}, 1},
    };
    for (const Case& c : cases) {
        std::string name;
        for (const FilterDescription& d : c.Filters) name += d.Field + " " + d.Op + " " + d.Value + "; ";
        EXPECT_EQ(Hits(c.Filters), c.Hits) << name;
    }
}

TEST_F(EntryFiltersTest, BadValuesAreRefused) {
    struct Case {
        FilterDescription Filter;
        const char* ErrorPart;
    };
    const Case cases[] = {
        {{"status", "is", "6xx"}, "6xx"},
        {{"status", "is", "99"}, "99"},
        {{"status", "is", "404,"}, "404,"},
        {{"status", "is", "4x4"}, "4x4"},
        {{"address", "is", "300.1.2.3/40"}, "300.1.2.3/40"},
        {{"address", "is", "300.1.2.3"}, "300.1.2.3"},
        {{"address", "is", "10.0.0.0/33"}, "10.0.0.0/33"},
        {{"address", "is", "2001:db8::/129"}, "2001:db8::/129"},
        {{"address", "is", "bad name!"}, "bad name!"},
        {{"address", "is", ""}, "address"},
        {{"country", "is", "zz"}, "zz"},
        {{"country", "is", "gbr"}, "gbr"},
        {{"only", "is", "robots"}, "robots"},
        {{"only", "is not", "people"}, "is not"},
        {{"status", "contains", "404"}, "contains"},
        {{"agent", "is", "x"}, "\"is\""},
        {{"date", "is", "2026-02-30"}, "2026-02-30"},
        {{"colour", "is", "red"}, "colour"},
    };
    for (const Case& c : cases) {
        EntryFilters f;
        std::string error;
        EXPECT_FALSE(ApplyFilterDescription(f, c.Filter, a_.Reference, error)) << c.Filter.Value;
        EXPECT_NE(error.find(c.ErrorPart), std::string::npos) << error;
        EXPECT_FALSE(f.AnyOn()) << c.Filter.Field;
    }
}

// The summary names every active filter in the order the report file keeps them, and each
// described filter reads back as the same filter.
TEST_F(EntryFiltersTest, SummaryNamesTheFiltersAndDescriptionsReadBack) {
    const std::vector<FilterDescription> all = {
        {"text", "contains", "GET"},       {"file", "doesn't contain", ".gif"},
        {"date", "is not", "2000-10-01..2000-10-03"}, {"status", "is", "4xx"},
        {"address", "is not", "10.0.0.0/8"}, {"referrer", "contains", "google"},
        {"agent", "doesn't contain", "bot"}, {"country", "is", "fr"},
        {"only", "is", "people"}};
    Hits(all);
    const std::string& summary = a_.Lists.Summary;
    EXPECT_NE(summary.find("\r\nFilters: log text contains \"GET\"; file doesn't contain \".gif\"; date is not "
                           "between 2000-10-01 and 2000-10-03; status is 4xx; address is not 10.0.0.0/8; referrer "
                           "contains \"google\"; user agent doesn't contain \"bot\"; country is fr; people only"),
              std::string::npos)
        << summary;
    EXPECT_EQ(DescribeFilters(a_.Filters), all);
    // The last word on a field wins, whole or part.
    for (const FilterDescription& file : {FilterDescription{"file", "is not", "/p q"}, FilterDescription{"file", "contains", "/p"}}) {
        Hits({{"file", "is", "/x"}, file});
        EXPECT_EQ(DescribeFilters(a_.Filters), std::vector<FilterDescription>{file});
    }
    EXPECT_NE(a_.Lists.Summary.find("Filters: file contains \"/p\""), std::string::npos);

    Hits({});
    EXPECT_EQ(a_.Lists.Summary.find("Filters:"), std::string::npos);
    EXPECT_TRUE(DescribeFilters(a_.Filters).empty());
}

} // namespace

} // namespace trevix
