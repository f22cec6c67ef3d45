#pragma once
// Shared by the loader and comparison tests: an analyser with a recording front end, report
// files written to a temporary folder, the hand-made fixture report and list contents.
#include "engine/Analyser.h"
#include "report/XmlReportLoader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace trevix::testing {

inline std::string FixtureReport() {
    std::ifstream in(std::string(TREVIX_TEST_DIR) + "/report/fixtures/small-report.xml", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// text with its first occurrence of from replaced by to (the test fails when it is absent).
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A report with every section; each field is the inside of that section.
struct ReportXml {
    std::string Domains = "<Domain>www.example.com</Domain>", Summary = "S";
    std::string HitsSummary, Visitors, Referrers, SearchEngines, SearchTerms, RawBrowserData, WebBrowsers, OSData,
        Files, Countries, Errors, Conversions;

    std::string Text() const {
        std::string xml = "<?xml version=\"1.0\"?><TrevixReport><Generator>Trevix Pro 0.1.0</Generator><Source/>";
        const std::pair<const char*, const std::string*> sections[] = {
            {"Domains", &Domains},         {"Summary", &Summary},         {"HitsSummary", &HitsSummary},
            {"Visitors", &Visitors},       {"Referrers", &Referrers},     {"SearchEngines", &SearchEngines},
            {"SearchTerms", &SearchTerms}, {"RawBrowserData", &RawBrowserData}, {"WebBrowsers", &WebBrowsers},
            {"OSData", &OSData},           {"Files", &Files},             {"Countries", &Countries},
            {"Errors", &Errors},           {"Conversions", &Conversions}};
        for (auto [name, inside] : sections) xml += "<" + std::string(name) + ">" + *inside + "</" + name + ">";
        return xml + "</TrevixReport>";
    }
};

inline std::string FileXml(const std::string& file, const std::string& total, const std::string& gets,
                           const std::string& bytes = "0.01") {
    return "<File TotalRequests=\"" + total + "\" Gets=\"" + gets + "\" Reloads=\"0\" Resumes=\"0\" Bytes=\"" +
           bytes + "\">" + file + "</File>";
}

inline std::vector<std::vector<std::string>> Cells(const ReportList& list) {
    std::vector<std::vector<std::string>> rows;
    for (const ListRow& row : list.Rows) rows.push_back(row.Cells.Strings());
    return rows;
}

class ReportLoadTest : public ::testing::Test {
protected:
    ReportLoadTest() { a.SetHost(&host); }

    bool Load(const std::string& xml, bool compare = false) {
        return LoadXMLReport(a, dir.Write("report" + std::to_string(++files_) + ".xml", xml), compare);
    }

    RecordingHost host;
    TempDir dir;
    Analyser a;

private:
    int files_ = 0;
};

} // namespace trevix::testing
