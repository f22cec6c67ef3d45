// The shipped search engines as a run uses them: image, mobile and regional hosts of the
// engines are credited, with their search terms; look-alike hosts are not.
#include "ReportLoadSupport.h"

#include "ShippedData.h"
#include "engine/run/AnalysisRun.h"

namespace trevix::testing {
namespace {

TEST(ShippedSearchData, ImageMobileAndRegionalHostsAreSearchEngines) {
    struct Case {
        const char* referrer;
        const char* engine;   // nullptr: not a search engine
        const char* terms;    // nullptr: credited without terms
    };
    const Case cases[] = {
        {"https://images.yandex.ru/search?text=%D0%BB%D0%B5%D1%81", "Yandex", "\xD0\xBB\xD0\xB5\xD1\x81"},
        {"https://m.yandex.ru/search/?text=snow", "Yandex", "snow"},
        {"https://image.baidu.com/search/index?tn=baiduimage&word=panda", "Baidu", "panda"},
        {"https://google.de/search?q=wetter", "Google", "wetter"},
        {"http://images.google.fr/imgres?imgurl=http://x.org/a.jpg&q=tour+eiffel", "Google", "tour eiffel"},
        {"https://m.bing.com/search?q=mobile", "Bing", "mobile"},
        {"https://images.search.yahoo.com/search/images?p=lake", "Yahoo", "lake"},
        {"https://image.search.yahoo.co.jp/search?p=%E7%8C%AB", "Yahoo Japan", "\xE7\x8C\xAB"},
        {"https://obrazky.seznam.cz/?q=hrad", "Seznam", "hrad"},
        {"https://image.so.com/i?q=moon", "360 Search", "moon"},
        {"https://m.search.daum.net/search?w=tot&q=jeju", "Daum", "jeju"},
        {"https://www.google.com/", "Google", nullptr},
        {"https://maps.google.com/maps?q=paris", nullptr, nullptr},
        {"https://images.example.com/search?q=x", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.referrer);
        RecordingHost host;
        TempDir dir;
        Analyser a;
        a.SetHost(&host);
        ASSERT_NO_FATAL_FAILURE(LoadShippedReferenceData(a.Reference, host));
        RunRequest request;
        request.Files = {dir.Write("a.log", std::string("1.2.3.4 - - [10/Oct/2026:10:00:00 +0000] \"GET / HTTP/1.1\" "
                                                        "200 1 \"") + c.referrer + "\" \"Mozilla/5.0\"\n")};
        a.Options.HideSearchEngines = false;
        AnalyseLogFiles(a, request);
        const ReportList& engines = a.Lists[lstSearchEngines];
        if (!c.engine) {
            EXPECT_EQ(engines.RowCount(), 0u);
            continue;
        }
        ASSERT_EQ(engines.RowCount(), 1u) << "credited to exactly one engine";
        EXPECT_EQ(engines.Cell(0, 1), c.engine);
        const ReportList& terms = a.Lists[lstSearchTerms];
        if (!c.terms) {
            EXPECT_EQ(terms.RowCount(), 0u);
            continue;
        }
        ASSERT_EQ(terms.RowCount(), 1u);
        EXPECT_EQ(terms.Cell(0, 1), c.terms);
        EXPECT_EQ(terms.Cell(0, 2), c.engine);
    }
}

} // namespace
} // namespace trevix::testing
