#include "AutoReport.h"

#include "XmlReportWriter.h"
#include "config/UserFolders.h"
#include "engine/Analyser.h"
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

bool WriteAutoReport(Analyser& a, const std::vector<std::string>& logFiles) {
    const std::string& folder = a.Options.DefaultXMLFolder;
    const std::string name = AutoReportName(a, TodayShortDate(a.Loc));
    // An empty folder setting would put the report at the top of the file system.
    if (folder.empty()) {
        ShowSaveError(a, name, ENOENT, std::strerror(ENOENT));
        return false;
    }
    // The folder is checked rather than entered: changing the process's current folder would
    // move every relative path the user gave. It is made with its parents (a new account may
    // have no documents folder yet); a folder that cannot be made shows up as the save's own
    // error.
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) std::filesystem::create_directories(folder, ec);
    return SaveXMLReport(a, JoinPath(folder, name), logFiles);
}

std::function<void(Analyser&)> AutoReportWriter(std::vector<std::string> logFiles) {
    return [files = std::move(logFiles)](Analyser& a) { WriteAutoReport(a, files); };
}

} // namespace trevix
