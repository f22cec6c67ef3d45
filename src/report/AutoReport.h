#pragma once
// The report written by itself at the end of an analysis run when AutoReport is on: into
// DefaultXMLFolder, named by the file-name template applied to "Report".
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class Analyser;

// The file name: RenameFile("Report", no date, RenameTemplate, the site's name, today) + ".xml".
std::string AutoReportName(const Analyser& a, std::string_view todayShortDate);

// Makes sure DefaultXMLFolder exists (creating it and any missing parents) and saves the report there under AutoReportName for today, replacing
// a file of that name. Failures are reported as SaveXMLReport reports them; false then.
bool WriteAutoReport(Analyser& a, const std::vector<std::string>& logFiles);

// What a front end puts in RunRequest::WriteAutoReport: the run calls it when AutoReport is
// on. logFiles are the files of the run as listed.
std::function<void(Analyser&)> AutoReportWriter(std::vector<std::string> logFiles);

} // namespace trevix
