#include "AutoReport.h"

#include "XmlReportWriter.h"
#include "config/UserFolders.h"
#include "engine/Analyser.h"
#include "engine/AtomicFile.h"
#include "engine/RenameFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace trevix {

std::string AutoReportName(const Analyser& a, std::string_view todayShortDate) {
    return RenameFile("Report", {}, a.Options.RenameTemplate, a.CurrentProfile.SiteName, todayShortDate) +
           ".xml";
}

std::string AutoReportPath(const Analyser& a) {
    const std::string& folder = a.Options.DefaultXMLFolder;
    return folder.empty() ? std::string() : JoinPath(folder, AutoReportName(a, TodayShortDate(a.Loc)));
}

namespace {

// Sets file up for path and makes its folder when missing; false after showing the error.
bool OpenAutoReport(Analyser& a, const std::string& path, AtomicFile& file) {
    // An empty folder setting would put the report at the top of the file system.
    if (path.empty()) {
        ShowSaveError(a, AutoReportName(a, TodayShortDate(a.Loc)), ENOENT, std::strerror(ENOENT));
        return false;
    }
    // The folder is checked rather than entered: changing the process's current folder would
    // move every relative path the user gave. A folder that cannot be made shows up as the
    // save's own error.
    const std::string& folder = a.Options.DefaultXMLFolder;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) std::filesystem::create_directory(folder, ec);
    file.RequirePlainFile();
    return true;
}

} // namespace

bool WriteAutoReport(Analyser& a, const std::vector<std::string>& logFiles) {
    const std::string path = AutoReportPath(a);
    AtomicFile file(path);
    return OpenAutoReport(a, path, file) && SaveXMLReport(a, file, logFiles);
}

bool AddAutoReport(Analyser& a, const std::string& path, const std::vector<std::string>& logFiles,
                   AtomicFileGroup& group) {
    AtomicFile& file = group.Add(path);
    return OpenAutoReport(a, path, file) && WriteXMLReport(a, file, logFiles);
}

std::function<void(Analyser&)> AutoReportWriter(std::vector<std::string> logFiles) {
    return [files = std::move(logFiles)](Analyser& a) { WriteAutoReport(a, files); };
}

} // namespace trevix
