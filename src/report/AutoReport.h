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

// The file name: RenameFile("Report", no date, RenameTemplate, the site's name, today) + ".xml",
// without blanks at either end.
std::string AutoReportName(const Analyser& a, std::string_view todayShortDate);

// Where the report goes today unless that name is taken: DefaultXMLFolder joined with
// AutoReportName; empty when no folder is set.
std::string AutoReportPath(const Analyser& a);

// The name of the number-th report of a series, as a download names a second copy:
// "Shop Report.xml", "Shop Report (2).xml", "Shop Report (3).xml"; number 1 is name itself.
std::string NumberedReportName(std::string_view name, int number);
// How far the series is tried before the save is reported as failed.
constexpr int MaxNumberedReports = 9999;

// After a run that read at least one log line: makes sure DefaultXMLFolder exists (with any missing parents) and saves
// the report there under the first free name of AutoReportName's series for today; an
// existing file is never replaced. The name is the program's own, so a link, pipe or device
// in its place is refused rather than followed. Failures are reported as SaveXMLReport
// reports them; false then, and false (nothing written, nothing shown) after a run that read
// no line.
bool WriteAutoReport(Analyser& a, const std::vector<std::string>& logFiles);
// The same into group, leaving the commit to the caller: path is AutoReportPath, worked out
// before the run; the first free name of its series is taken when the report is written.
// True with nothing added after a run that read no line.
bool AddAutoReport(Analyser& a, const std::string& path, const std::vector<std::string>& logFiles,
                   AtomicFileGroup& group);

// What a front end puts in RunRequest::WriteAutoReport: the run calls it when AutoReport is
// on. logFiles are the files of the run as listed.
std::function<void(Analyser&)> AutoReportWriter(std::vector<std::string> logFiles);

} // namespace trevix
