#pragma once
// The report written by itself at the end of an analysis run when AutoReport is on: into
// DefaultXMLFolder, named by the file-name template applied to "Report".
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class Analyser;
class AtomicFileGroup;

// The file name: RenameFile("Report", no date, RenameTemplate, the site's name, today) + ".xml".
std::string AutoReportName(const Analyser& a, std::string_view todayShortDate);

// Where the report goes today: DefaultXMLFolder joined with AutoReportName; empty when no
// folder is set.
std::string AutoReportPath(const Analyser& a);

// Makes sure DefaultXMLFolder exists (creating it when missing, one level only; missing parent
// folders are not made) and saves the report there under AutoReportName for today, replacing
// a file of that name. The name is the program's own, so a link, pipe or device in its place
// is refused rather than followed. Failures are reported as SaveXMLReport reports them; false
// then.
bool WriteAutoReport(Analyser& a, const std::vector<std::string>& logFiles);
// The same into group under path (AutoReportPath, worked out earlier), leaving the commit to
// the caller.
bool AddAutoReport(Analyser& a, const std::string& path, const std::vector<std::string>& logFiles,
                   AtomicFileGroup& group);

// What a front end puts in RunRequest::WriteAutoReport: the run calls it when AutoReport is
// on. logFiles are the files of the run as listed.
std::function<void(Analyser&)> AutoReportWriter(std::vector<std::string> logFiles);

} // namespace trevix
