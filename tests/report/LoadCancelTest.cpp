#include "ReportLoadSupport.h"

#include <sstream>

namespace trevix::testing {
namespace {

// A report whose every section holds items first .. first+count-1, so two of them share the
// items they have in common and each has some of its own. 250 items per long section put
// two Cancel points into each of them.
std::string NumberedReport(int first, int count) {
    ReportXml r;
    r.Summary = "Report of items " + std::to_string(first) + "\nsecond line";
    r.HitsSummary = "<Date Hits=\"" + std::to_string(first) + "\">0" + std::to_string(1 + first % 9) +
                    "/11/2026</Date><Hour Hits=\"" + std::to_string(count) + "\">" + std::to_string(first % 24) +
                    "</Hour>";
    auto conversionSources = std::string();
    for (int i = first; i < first + count; ++i) {
        const std::string n = std::to_string(i), hits = std::to_string(i % 7 + 1);
        r.Visitors += "<Visitor Country=\"C\" Referrer=\"-\" EntryTime=\"02/11/2026 09:15:00\" EntryPage=\"/e" + n +
                      "\" ExitTime=\"02/11/2026 09:20:00\" ExitPage=\"/x\" TimeSpent=\"00:05:00\" Requests=\"" + hits +
                      "\" Bytes=\"0.01\">10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250) + "</Visitor>";
        r.Referrers += "<Referrer ToFile=\"/f" + n + "\" Hits=\"" + hits + "\">http://r" + n + ".example.net/</Referrer>";
        r.SearchTerms += "<SearchTerm SearchEngine=\"E\" URL=\"u\" ToFile=\"/f" + n + "\" Hits=\"" + hits + "\">term " +
                         n + "</SearchTerm>";
        r.Files += FileXml("/f" + n, hits, hits);
        if (i % 25 == 0) {
            r.SearchEngines += "<SearchEngine Hits=\"" + hits + "\">E" + n + "</SearchEngine>";
            r.RawBrowserData += "<Data Hits=\"" + hits + "\" Percentage=\"1\">D" + n + "</Data>";
            r.WebBrowsers += "<Browser Hits=\"" + hits + "\" Percentage=\"1\">B" + n + "</Browser>";
            r.OSData += "<OS Hits=\"" + hits + "\" Percentage=\"1\">O" + n + "</OS>";
            r.Countries += "<Country Hits=\"" + hits + "\" Percentage=\"1\">K" + n + "</Country>";
            r.Errors += "<Error Description=\"Not Found\" File=\"/m" + n +
                        "\" Referrer=\"-\" TimeFirst=\"02/11/2026 09:16:00\" TimeLast=\"03/11/2026 10:00:00\" Hits=\"" +
                        hits + "\">404</Error>";
            conversionSources += "<Source Visitors=\"" + hits + "\" Conversions=\"1\" PercentConversions=\"p\">/e" + n +
                                 "</Source>";
        }
    }
    r.Conversions = "<Report><File>/buy</File><Referrers/><SearchTerms/><EntryPages>" + conversionSources +
                    "</EntryPages></Report>";
    return r.Text();
}

// Everything a load shows or later commands read, as one text to compare.
std::string State(const Analyser& a) {
    std::ostringstream s;
    for (int n = 1; n <= 16; ++n) {
        const ReportList& list = a.Lists[n];
        s << "list " << n << " sorted " << list.Sorted << " columns " << list.Columns.size() << "\n";
        for (const ListRow& row : list.Rows) {
            s << row.Key << ":";
            // The numbers the cells carry belong to the state as much as their texts.
            for (size_t c = 0; c < row.Cells.size(); ++c) {
                s << row.Cells[c];
                if (HasNumber(row.Number(c))) s << "=" << row.Number(c);
                s << "|";
            }
            s << "\n";
        }
    }
    s << "summary " << a.Lists.Summary << "\nfiles";
    for (const std::string& f : a.Lists.ConversionFiles) s << " " << f;
    for (const ChartSeries* chart : {&a.Lists.DateChart, &a.Lists.HourChart})
        for (const auto& series : chart->Values)
            for (double v : series) s << " " << v;
    const AnalysisTables& t = a.Tables;
    s << "\nvisitors " << t.VisitorCount() << " terms " << t.SearchTermCount() << " dates " << t.DateVisitorCount();
    for (int32_t h : t.HourVisitors) s << " " << h;
    for (uint32_t r = 1; r <= t.ReferrerCount(); ++r)
        s << "\nref " << t.Referrers[r].Referrer << " " << t.Referrers[r].Hits << " " << t.Referrers[r].CompareHits;
    for (uint32_t n = 1; n <= t.ConversionReportCount(); ++n)
        for (const auto& kind : t.ConversionReports[n].Sources)
            for (const ConversionSource& c : kind) s << "\nsource " << c.Source << " " << c.Visitors << " " << c.CompareVisitors;
    s << "\nprofile";
    for (const std::string& d : a.CurrentProfile.Domains) s << " " << d;
    s << " shown " << a.Lists.State.Shown << " compared " << a.Lists.State.CompareReportLoaded;
    return s.str();
}

class LoadCancelTest : public ReportLoadTest {
protected:
    bool LoadStoppedAfter(Analyser& into, int events, const std::string& xml, bool compare, bool& cancelled) {
        host.Cancel = false;
        host.EventsServed = 0;
        host.CancelAfterEvents = events;
        const bool ok = LoadXMLReport(into, dir.Write("load.xml", xml), compare, &cancelled);
        host.CancelAfterEvents = -1;
        host.Cancel = false;
        return ok;
    }
};

// A comparison stopped at any of its Cancel points leaves the report exactly as it was (its
// earlier comparison values too), and one run to the end afterwards gives what it gives
// without the stop: nothing half-merged stays behind to pair with.
TEST_F(LoadCancelTest, AStoppedComparisonLeavesTheReportAsItWas) {
    const std::string own = NumberedReport(0, 250), first = NumberedReport(100, 250),
                      second = NumberedReport(200, 250);
    Analyser reference;
    reference.SetHost(&host);
    ASSERT_TRUE(LoadXMLReport(reference, dir.Write("own.xml", own), false));
    ASSERT_TRUE(LoadXMLReport(reference, dir.Write("first.xml", first), true));
    ASSERT_TRUE(LoadXMLReport(reference, dir.Write("second.xml", second), true));

    int stops = 0;
    for (int events = 1;; ++events) {
        SCOPED_TRACE(events);
        Analyser compared;
        compared.SetHost(&host);
        ASSERT_TRUE(LoadXMLReport(compared, dir.Write("own.xml", own), false));
        ASSERT_TRUE(LoadXMLReport(compared, dir.Write("first.xml", first), true));
        const std::string before = State(compared);
        host.Statuses.clear();
        bool cancelled = false;
        if (LoadStoppedAfter(compared, events, second, true, cancelled)) break;   // no Cancel point left
        ASSERT_TRUE(cancelled);
        EXPECT_TRUE(host.Messages.empty());
        EXPECT_EQ(host.Statuses.back(), "Loading cancelled");
        EXPECT_EQ(State(compared), before);
        ++stops;
        ASSERT_TRUE(LoadXMLReport(compared, dir.Write("second.xml", second), true));
        EXPECT_EQ(State(compared), State(reference));
    }
    // The read, then two points in each of the long sections and one per browser list.
    EXPECT_GE(stops, 10);
}

// A plain load stopped before the file parsed changes nothing; stopped later it keeps what
// it read so far, as a failure there does, and says that the report is a part.
TEST_F(LoadCancelTest, AStoppedPlainLoad) {
    const std::string earlier = NumberedReport(0, 3), report = NumberedReport(1000, 250);
    ASSERT_TRUE(Load(earlier));
    const std::string before = State(a);
    bool cancelled = false;
    EXPECT_FALSE(LoadStoppedAfter(a, 1, report, false, cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(State(a), before);
    EXPECT_EQ(host.Statuses.back(), "Loading cancelled");

    // The second point lies in the visitors: the summary and the first 100 visitors are there.
    EXPECT_FALSE(LoadStoppedAfter(a, 3, report, false, cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(host.Statuses.back(), "Loading cancelled; the report shows only part of the file");
    EXPECT_EQ(a.Lists.Summary, "Report of items 1000\r\nsecond line");
    EXPECT_EQ(a.Lists[lstIPs].RowCount(), 200u);
    EXPECT_EQ(a.Lists[lstFiles].RowCount(), 0u);
    EXPECT_TRUE(a.Lists.State.Shown);
}

} // namespace
} // namespace trevix::testing
