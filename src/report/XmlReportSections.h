#pragma once
// The sections of a report file, each read into the tables and the list it fills.
#include "XmlReportLoader.h"
#include "engine/Analyser.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace trevix::xmlreport {

// The section loaders of one load, sharing the document, the mode and the analyser.
class ReportSections {
public:
    ReportSections(Analyser& a, pugi::xml_node document, bool compare)
        : a_(a), doc_(document), compare_(compare) {}

    void LoadReportSummary();
    void LoadReportVisitors();
    void LoadReportReferrers(const SiteProfile& site);
    void LoadReportSearch();
    void LoadReportBrowsers();
    void LoadReportFiles();
    void LoadReportCountries();
    void LoadReportErrors();
    void LoadReportConversions();

private:
    std::string Count(int32_t value) const { return a_.NumberFormat.FormatNumber(value, "#,##0"); }
    // A row from the values: added on a plain load, merged on a compare load.
    size_t Row(std::span<const std::string> values, ReportList& list, ListRowIndex* index) {
        return index ? AddListRow(values, list, *index) : AddListRow(values, list);
    }
    std::optional<ListRowIndex> IndexFor(const ReportList& list, MergeRule rule) const {
        if (!compare_) return std::nullopt;
        return ListRowIndex(list, rule);
    }
    void LoadReportFilters();
    void LoadBrowserList(const char* path, int listNumber);

    Analyser& a_;
    pugi::xml_node doc_;
    bool compare_;
};

} // namespace trevix::xmlreport
