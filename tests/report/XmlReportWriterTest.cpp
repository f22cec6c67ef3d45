#include "report/XmlReportWriter.h"
#include "ShippedData.h"
#include "engine/Analyser.h"
#include "engine/run/AnalysisRun.h"
#include "report/AutoReport.h"
#include "report/ProductInfo.h"
#include "report/XmlText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace trevix {
namespace {

using testing::RecordingHost;
using testing::TempDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Line(const std::string& ip, const std::string& time, const std::string& file, int status,
                 const std::string& referrer, const std::string& agent) {
    return ip + " - - [10/Oct/2000:" + time + " +0000] \"GET " + file + " HTTP/1.0\" " +
           std::to_string(status) + " 2048 \"" + referrer + "\" \"" + agent + "\"\n";
}

const char* const Chrome =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/120.0 Safari/537.36";
const char* const Firefox = "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0";

std::vector<std::string> ChildNames(pugi::xml_node node) {
    std::vector<std::string> names;
    for (pugi::xml_node c : node.children())
        names.emplace_back(c.name());
    return names;
}

std::vector<std::string> AttributeNames(pugi::xml_node node) {
    std::vector<std::string> names;
    for (pugi::xml_attribute at : node.attributes())
        names.emplace_back(at.name());
    return names;
}

// Character references to characters XML 1.0 forbids ("&#1;"): parsers may refuse them.
int ForbiddenReferences(const std::string& raw) {
    int found = 0;
    for (size_t at = raw.find("&#"); at != std::string::npos; at = raw.find("&#", at + 2)) {
        const bool hex = at + 2 < raw.size() && raw[at + 2] == 'x';
        const long code = std::strtol(raw.c_str() + at + (hex ? 3 : 2), nullptr, hex ? 16 : 10);
        if (code < 0x20 && code != 0x9 && code != 0xA && code != 0xD) ++found;
    }
    return found;
}

// A small analysis of a site with a search visit that converts, an external referrer, an
// error and a spider, read with the shipped reference data.
class XmlReportWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        a.SetHost(&host);
        ASSERT_NO_FATAL_FAILURE(trevix::testing::LoadShippedReferenceData(a.Reference, host));
        a.Options.AutoReport = false;
    }

    void Analyse(const std::string& logText, bool separateDomains = false) {
        request.Files = {dir.Write("access.log", logText)};
        request.Profile.SiteName = "Shoe Shop";
        request.Profile.Domains = {"example.com", "www.example.com"};
        request.Profile.DifferentDomains = separateDomains;
        request.AutoConversionReports = {"/buy.html"};
        AnalyseLogFiles(a, request);
    }

    std::string Shop() {
        return Line("1.2.3.4", "12:00:00", "/", 200, "http://www.google.com/search?q=red+shoes", Chrome) +
               Line("1.2.3.4", "12:01:00", "/buy.html", 200, "http://www.example.com/", Chrome) +
               Line("5.6.7.8", "13:00:00", "/missing.html", 404, "http://other.org/links.html", Firefox) +
               Line("5.6.7.8", "13:00:05", "/index.html", 200, "http://other.org/links.html", Firefox) +
               Line("9.9.9.9", "14:00:00", "/robots.txt", 200, "-",
                    "Googlebot/2.1 (+http://www.google.com/bot.html)");
    }

    // Saves and parses the report; the raw bytes are kept for the checks on the file's form.
    pugi::xml_node SaveAndParse(const std::vector<std::string>& logFiles = {}) {
        path = dir.File("report.xml");
        EXPECT_TRUE(SaveXMLReport(a, path, logFiles));
        raw = ReadAll(path);
        pugi::xml_parse_result r = doc.load_string(raw.c_str());
        EXPECT_TRUE(r) << r.description();
        return doc.child("TrevixReport");
    }

    Analyser a;
    RecordingHost host;
    RunRequest request;
    TempDir dir;
    std::string path, raw;
    pugi::xml_document doc;
};

TEST_F(XmlReportWriterTest, FileFormAndSectionOrder) {
    Analyse(Shop());
    pugi::xml_node root = SaveAndParse();

    const std::string head =
        "<?xml version=\"1.0\"?><TrevixReport><Generator>" + GeneratorText() + "</Generator>";
    EXPECT_EQ(raw.substr(0, head.size()), head);
    EXPECT_TRUE(raw.ends_with("</TrevixReport>")) << raw.substr(raw.size() - 40);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{
                                    "Generator", "Source", "Domains", "Summary", "HitsSummary", "Visitors",
                                    "Referrers", "SearchEngines", "SearchTerms", "RawBrowserData",
                                    "WebBrowsers", "OSData", "Files", "Countries", "Errors", "Conversions"}));

    // Line breaks only inside the summary, written as CR LF; none between elements.
    ASSERT_NE(a.Lists.Summary.find("\r\n"), std::string::npos);
    EXPECT_NE(raw.find("<Summary>" + a.Lists.Summary + "</Summary>"), std::string::npos);
    EXPECT_EQ(std::count(raw.begin(), raw.end(), '\n'),
              std::count(a.Lists.Summary.begin(), a.Lists.Summary.end(), '\n'));
    EXPECT_FALSE(std::regex_search(raw, std::regex(">[ \t\r\n]+<")));
    EXPECT_EQ(std::string(root.child_value("Summary")).find('\r'), std::string::npos); // parsers fold CR LF

    // An empty list gives an empty section element, not a missing one.
    EXPECT_NE(raw.find("<Source/>"), std::string::npos);
    EXPECT_EQ(host.Statuses.back(), "Report Saved");
    EXPECT_EQ(
        std::vector<std::string>(host.Statuses.end() - 3, host.Statuses.end()),
        (std::vector<std::string>{"Generating XML Report File...", "Saving Report...", "Report Saved"}));
}

TEST_F(XmlReportWriterTest, ListSectionsCopyTheCellsAsShown) {
    Analyse(Shop());
    pugi::xml_node root = SaveAndParse();

    struct Section {
        const char* Path;
        const char* Element;
        int List;
        std::vector<std::string> Attributes;
    };
    const Section sections[] = {
        {"HitsSummary", "Date", lstHits, {"Hits"}},
        {"Visitors",
         "Visitor",
         lstIPs,
         {"Country", "Referrer", "EntryTime", "EntryPage", "ExitTime", "ExitPage", "TimeSpent", "Requests",
          "Bytes"}},
        {"SearchEngines", "SearchEngine", lstSearchEngines, {"Hits"}},
        {"RawBrowserData", "Data", lstBrowsers, {"Hits", "Percentage"}},
        {"WebBrowsers", "Browser", lstWebBrowser, {"Hits", "Percentage"}},
        {"OSData", "OS", lstOS, {"Hits", "Percentage"}},
        {"Files", "File", lstFiles, {"TotalRequests", "Gets", "Reloads", "Resumes", "Bytes"}},
        {"Countries", "Country", lstCountries, {"Hits", "Percentage"}},
        {"Errors", "Error", lstErrors, {"Description", "File", "Referrer", "TimeFirst", "TimeLast", "Hits"}},
    };
    for (const Section& s : sections) {
        SCOPED_TRACE(s.Path);
        const ReportList& list = a.Lists[s.List];
        ASSERT_GT(list.RowCount(), 0u);
        std::vector<pugi::xml_node> elements;
        for (pugi::xml_node e : root.child(s.Path).children(s.Element))
            elements.push_back(e);
        ASSERT_EQ(elements.size(), list.RowCount());
        for (size_t row = 0; row < list.RowCount(); ++row) {
            EXPECT_EQ(elements[row].child_value(), list.Cell(row, 1));
            EXPECT_EQ(AttributeNames(elements[row]), s.Attributes);
            for (size_t k = 0; k < s.Attributes.size(); ++k)
                EXPECT_EQ(elements[row].attribute(s.Attributes[k].c_str()).value(), list.Cell(row, k + 2));
        }
    }
    // Hours follow the dates in the same section.
    std::vector<std::string> hitsChildren = ChildNames(root.child("HitsSummary"));
    const size_t dates = a.Lists[lstHits].RowCount();
    ASSERT_EQ(hitsChildren.size(), dates + a.Lists[lstHour].RowCount());
    EXPECT_TRUE(
        std::all_of(hitsChildren.begin() + dates, hitsChildren.end(), [](auto& n) { return n == "Hour"; }));
    pugi::xml_node firstHour = root.child("HitsSummary").child("Hour");
    EXPECT_EQ(firstHour.child_value(), a.Lists[lstHour].Cell(0, 1));
    EXPECT_EQ(firstHour.attribute("Hits").value(), a.Lists[lstHour].Cell(0, 2));
}

TEST_F(XmlReportWriterTest, TableSectionsAndFlagsOnlyWhenTrue) {
    for (bool separate : {false, true}) {
        SCOPED_TRACE(separate);
        Analyse(Shop(), separate);
        pugi::xml_node root = SaveAndParse({"first.log", "second.log"});

        EXPECT_EQ(ChildNames(root.child("Source")), (std::vector<std::string>{"LogFile", "LogFile"}));
        EXPECT_STREQ(root.child("Source").last_child().child_value(), "second.log");
        pugi::xml_node domains = root.child("Domains");
        EXPECT_EQ(ChildNames(domains), (std::vector<std::string>{"Domain", "Domain"}));
        EXPECT_STREQ(domains.last_child().child_value(), "www.example.com");
        EXPECT_EQ(AttributeNames(domains),
                  separate ? std::vector<std::string>{"ShowSeparateDomains"} : std::vector<std::string>{});
        if (separate) {
            EXPECT_STREQ(domains.attribute("ShowSeparateDomains").value(), "1");
        }

        // Every Referrers record, internal and search ones included; IsSearch only when set.
        const AnalysisTables& t = a.Tables;
        std::vector<pugi::xml_node> referrers;
        for (pugi::xml_node e : root.child("Referrers").children())
            referrers.push_back(e);
        ASSERT_EQ(referrers.size(), t.ReferrerCount());
        int searches = 0;
        for (uint32_t i = 1; i <= t.ReferrerCount(); ++i) {
            const pugi::xml_node e = referrers[i - 1];
            EXPECT_STREQ(e.name(), "Referrer");
            EXPECT_EQ(e.child_value(), t.Referrers[i].Referrer);
            std::vector<std::string> names{"ToFile", "Hits"};
            if (t.Referrers[i].IsSearch) names.push_back("IsSearch"), ++searches;
            EXPECT_EQ(AttributeNames(e), names);
            EXPECT_EQ(e.attribute("ToFile").value(), t.Referrers[i].ToFile);
            EXPECT_EQ(e.attribute("Hits").value(), std::to_string(t.Referrers[i].Hits));
        }
        EXPECT_EQ(searches, 1);
        EXPECT_STREQ(root.child("Referrers").find_child_by_attribute("IsSearch", "1").child_value(),
                     "http://www.google.com/search?q=red+shoes");

        pugi::xml_node term = root.child("SearchTerms").child("SearchTerm");
        ASSERT_EQ(t.SearchTermCount(), 1u);
        EXPECT_EQ(term.child_value(), t.SearchTerms[1].SearchTerm);
        EXPECT_EQ(AttributeNames(term),
                  (std::vector<std::string>{"id", "SearchEngine", "URL", "ToFile", "Hits"}));
        EXPECT_STREQ(term.attribute("id").value(), "1");
        EXPECT_STREQ(term.attribute("SearchEngine").value(), "Google");
        EXPECT_STREQ(term.attribute("Hits").value(), "1");

        // One conversion report: goal file, then always all three kinds.
        pugi::xml_node report = root.child("Conversions").child("Report");
        ASSERT_TRUE(report);
        EXPECT_FALSE(report.next_sibling());
        EXPECT_EQ(ChildNames(report),
                  (std::vector<std::string>{"File", "Referrers", "SearchTerms", "EntryPages"}));
        EXPECT_STREQ(report.child_value("File"), "/buy.html");
        const ConversionReport& conv = t.ConversionReports[1];
        const char* kinds[] = {"Referrers", "SearchTerms", "EntryPages"};
        for (int kind = 0; kind < 3; ++kind) {
            std::vector<pugi::xml_node> sources;
            for (pugi::xml_node s : report.child(kinds[kind]).children())
                sources.push_back(s);
            ASSERT_EQ(sources.size(), conv.Sources[kind].size()) << kinds[kind];
            for (size_t i = 0; i < sources.size(); ++i) {
                const ConversionSource& s = conv.Sources[kind][i];
                std::vector<std::string> names{"Visitors", "Conversions", "PercentConversions"};
                if (kind == 1) names.insert(names.begin(), {"Query", "SearchEngine", "SourceURL"});
                EXPECT_EQ(AttributeNames(sources[i]), names);
                EXPECT_EQ(sources[i].child_value(), s.Source);
                EXPECT_EQ(sources[i].attribute("Visitors").value(), std::to_string(s.Visitors));
                EXPECT_EQ(sources[i].attribute("Conversions").value(), std::to_string(s.Conversions));
                EXPECT_EQ(sources[i].attribute("PercentConversions").value(), s.PercentConversions);
            }
        }
        EXPECT_FALSE(conv.Sources[1].empty()); // the Google visit led to /buy.html
    }
}

TEST_F(XmlReportWriterTest, EmptyReportHasEverySectionAndNoTextNodes) {
    a.CurrentProfile.Domains = {"example.com"};
    a.Lists[lstFiles].AddRow(""); // an empty first cell and missing later cells
    pugi::xml_document built;
    BuildXMLReport(a, built, {});
    pugi::xml_node root = built.child("TrevixReport");
    EXPECT_EQ(ChildNames(root).size(), 16u);
    for (pugi::xml_node section : root.children()) {
        if (std::string(section.name()) == "Generator" || std::string(section.name()) == "Domains" ||
            std::string(section.name()) == "Files")
            continue;
        EXPECT_FALSE(section.first_child()) << section.name();
        EXPECT_FALSE(section.first_attribute()) << section.name();
    }
    pugi::xml_node file = root.child("Files").child("File");
    EXPECT_FALSE(file.first_child()); // no empty text node
    EXPECT_EQ(AttributeNames(file),
              (std::vector<std::string>{"TotalRequests", "Gets", "Reloads", "Resumes", "Bytes"}));
    EXPECT_STREQ(file.attribute("Bytes").value(), "");
}

TEST_F(XmlReportWriterTest, ControlCharactersInALogLineStillGiveALoadableReport) {
    Analyse(Line("1.2.3.4", "12:00:00",
                 "/a\x01"
                 "b\x1b[0m.html",
                 404, "http://x.org/\x7f\x0c", Chrome) +
            Line("1.2.3.4", "12:00:01", "/ok.html", 200, "-", std::string("Evil\x02\x08 agent\x1f")));
    pugi::xml_node root = SaveAndParse();
    ASSERT_TRUE(root);
    // Nothing in the file that XML 1.0 forbids, raw or as a character reference.
    EXPECT_TRUE(IsXmlText(raw));
    EXPECT_EQ(ForbiddenReferences(raw), 0);
    const std::string fffd(XmlReplacementCharacter);
    EXPECT_EQ(root.child("Files").find_child_by_attribute("Gets", "0").child_value(),
              "/a" + fffd + "b" + fffd + "[0m.html");
    EXPECT_NE(
        std::string(root.child("Errors").child("Error").attribute("Referrer").value()).find("\x7f" + fffd),
        std::string::npos);
}

TEST(XmlText, ReplacesWhatXmlCannotCarry) {
    const std::string r(XmlReplacementCharacter);
    struct Case {
        std::string In, Out;
    };
    const Case cases[] = {
        {"plain text", "plain text"},
        {"tab\tcr\rlf\n", "tab\tcr\rlf\n"},
        {std::string("nul\0end", 7), "nul" + r + "end"},
        {"\x01\x1f", r + r},
        {"del\x7f", "del\x7f"}, // allowed in XML 1.0
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},                    // U+FFFD itself stays
        {"\xEF\xBF\xBE\xEF\xBF\xBF", r + r + r + r + r + r}, // U+FFFE, U+FFFF: bytes replaced one by one
        {"\xED\xA0\x80", r + r + r},                         // a surrogate half
        {"\xC0\xAF", r + r},                                 // overlong "/"
        {"\xF4\x90\x80\x80", r + r + r + r},                 // beyond U+10FFFF
        {"cut \xC3", "cut " + r},                            // truncated sequence
        {"\xE9t\xE9", r + "t" + r},                          // Windows-1252 bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToXmlText(c.In), c.Out) << c.In;
        EXPECT_EQ(IsXmlText(c.In), c.In == c.Out) << c.In;
    }
}

TEST_F(XmlReportWriterTest, SectionsAreNotCappedAt32767Elements) {
    const size_t rows = 40'000;
    ReportList& files = a.Lists[lstFiles];
    for (size_t i = 1; i <= rows; ++i) {
        size_t row = files.AddRow("/page" + std::to_string(i) + ".html");
        files.SetCell(row, 2, std::to_string(i));
    }
    for (size_t i = 1; i <= rows; ++i)
        a.Tables.AppendReferrer(a.Tables.Arena.Store("http://r" + std::to_string(i) + ".org/"), "/");
    pugi::xml_node root = SaveAndParse();
    size_t count = 0;
    for (pugi::xml_node e : root.child("Files").children("File"))
        (void)e, ++count;
    EXPECT_EQ(count, rows);
    EXPECT_STREQ(root.child("Files").last_child().child_value(), "/page40000.html");
    EXPECT_STREQ(root.child("Files").last_child().attribute("TotalRequests").value(), "40000");
    count = 0;
    for (pugi::xml_node e : root.child("Referrers").children("Referrer"))
        (void)e, ++count;
    EXPECT_EQ(count, rows);
}

TEST_F(XmlReportWriterTest, SaveFailuresGiveTheMessageAndStatus) {
    const std::string notAFolder = dir.Write("plain.txt", "x");
    struct Case {
        std::string Path;
        int Number;
    };
    std::vector<Case> cases = {{dir.File("missing") + "/report.xml", ENOENT},
                               {notAFolder + "/report.xml", ENOTDIR},
                               {dir.Path().string(), EISDIR}};
    if (std::filesystem::exists("/dev/full")) cases.push_back({"/dev/full", ENOSPC}); // a full disk
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        RecordingHost h;
        a.SetHost(&h);
        EXPECT_FALSE(SaveXMLReport(a, c.Path));
        ASSERT_EQ(h.Messages.size(), 1u);
        EXPECT_EQ(h.Messages[0].Title, "Trevix");
        EXPECT_EQ(h.Messages[0].Text, "An error occurred while saving the XML report file " + c.Path +
                                          "\r\n\r\nError " + std::to_string(c.Number) + " - " +
                                          std::strerror(c.Number));
        EXPECT_EQ(h.Statuses.back(), "Error saving report");
        EXPECT_EQ(std::count(h.Statuses.begin(), h.Statuses.end(), "Report Saved"), 0);
    }
}

TEST_F(XmlReportWriterTest, AutomaticReportNameAndFolder) {
    struct NameCase {
        const char* Template;
        const char* Site;
        const char* Expected;
    };
    const NameCase names[] = {{"%s %d %f", "Shoe Shop", "Shoe Shop 05-03-2024 Report.xml"},
                              {"%f", "Shoe Shop", "Report.xml"},
                              {"%s/%f 100%%", "a:b", "a-b-Report 100%.xml"},
                              // No site chosen: no blank in front.
                              {"%s %d %f", "", "05-03-2024 Report.xml"},
                              {"%s %f %s", "", "Report.xml"},
                              {"%s", "", "Report.xml"}};
    for (const NameCase& c : names) {
        a.Options.RenameTemplate = c.Template;
        a.CurrentProfile.SiteName = c.Site;
        EXPECT_EQ(AutoReportName(a, "05/03/2024"), c.Expected);
    }

    // Nothing after a run that read no line.
    a.Options.RenameTemplate = "%f";
    a.Options.DefaultXMLFolder = dir.File("reports");
    EXPECT_FALSE(WriteAutoReport(a, {"x.log"}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("reports")));

    // A missing folder is created with its parents; one that cannot be made (a file is in the
    // way) fails as a save does. An existing report is never replaced: the next takes the next
    // free name.
    Analyse(Shop());
    struct FolderCase {
        std::string Folder;
        bool Saved;
        const char* Name;
    };
    const FolderCase folders[] = {{dir.File("reports"), true, "Report.xml"},
                                  {dir.File("reports"), true, "Report (2).xml"},
                                  {dir.File("reports"), true, "Report (3).xml"},
                                  {dir.File("no") + "/deeper", true, "Report.xml"},
                                  {dir.File("a-file") + "/reports", false, ""},
                                  {"", false, ""}};
    std::ofstream(dir.File("a-file")) << "not a folder";
    for (const FolderCase& c : folders) {
        SCOPED_TRACE(c.Folder);
        RecordingHost h;
        a.SetHost(&h);
        a.Options.DefaultXMLFolder = c.Folder;
        if (c.Name == std::string("Report (2).xml")) std::ofstream(dir.File("reports") + "/Report.xml") << "mine";
        EXPECT_EQ(WriteAutoReport(a, {"x.log"}), c.Saved);
        EXPECT_EQ(h.Messages.size(), c.Saved ? 0u : 1u);
        if (c.Saved) {
            EXPECT_TRUE(ReadAll(c.Folder + "/" + c.Name).starts_with("<?xml version=\"1.0\"?>"));
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("no")));
    EXPECT_EQ(ReadAll(dir.File("reports") + "/Report.xml"), "mine");
    EXPECT_EQ(NumberedReportName("Shop Report.xml", 1), "Shop Report.xml");
    EXPECT_EQ(NumberedReportName("Shop Report.xml", 12), "Shop Report (12).xml");
    EXPECT_EQ(NumberedReportName("Report", 2), "Report (2)");

    // The run writes it when AutoReport is on, with its files as the Source.
    a.SetHost(&host);
    a.Options.AutoReport = true;
    a.Options.DefaultXMLFolder = dir.File("auto");
    request.WriteAutoReport = AutoReportWriter({dir.File("access.log")});
    Analyse(Shop());
    pugi::xml_document saved;
    ASSERT_TRUE(saved.load_file((dir.File("auto") + "/Report.xml").c_str()));
    EXPECT_STREQ(saved.child("TrevixReport").child("Source").child_value("LogFile"),
                 dir.File("access.log").c_str());
}

TEST(ProductInfo, GeneratorCarriesNameAndBuildVersion) {
    EXPECT_EQ(GeneratorText(), std::string("Trevix Pro ") + TREVIX_VERSION);
    EXPECT_TRUE(std::regex_match(GeneratorText(), std::regex("Trevix Pro [0-9]+\\.[0-9]+\\.[0-9]+")));
}

} // namespace
} // namespace trevix
