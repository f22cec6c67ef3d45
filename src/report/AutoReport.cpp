#include "AutoReport.h"

#include "XmlReportWriter.h"
#include "config/UserFolders.h"
#include "engine/Analyser.h"
#include "engine/RenameFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <system_error>
#include <utility>

namespace trevix {

std::string AutoReportName(const Analyser& a, std::string_view todayShortDate) {
    std::string name = RenameFile("Report", {}, a.Options.RenameTemplate, a.CurrentProfile.SiteName, todayShortDate);
    // With no site chosen "%s %d %f" leaves a blank in front: a name that hides at the top of
    // a listing and is easily mistyped. Blanks at either end go; nothing left is "Report".
    const size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(' ') - first + 1);
    return (name.empty() ? std::string("Report") : name) + ".xml";
}

std::string NumberedReportName(std::string_view name, int number) {
    if (number <= 1) return std::string(name);
    std::string_view stem = name, ending;
    if (const size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) {
        stem = name.substr(0, dot);
        ending = name.substr(dot);
    }
    return std::string(stem) + " (" + std::to_string(number) + ")" + std::string(ending);
}

namespace {

// Claims the first free name of the numbered series in folder by creating it exclusively, so
// two programs writing at the same moment never take the same one; the report then replaces
// this empty file atomically. Empty when no name could be claimed (errorNumber says why).
std::string ClaimFreeName(const std::string& folder, const std::string& name, int& errorNumber) {
    errorNumber = 0;
    for (int number = 1; number <= MaxNumberedReports; ++number) {
        const std::string path = JoinPath(folder, NumberedReportName(name, number));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            errorNumber = errno;
            return {};
        }
    }
    errorNumber = EEXIST;
    return {};
}

} // namespace

bool WriteAutoReport(Analyser& a, const std::vector<std::string>& logFiles) {
    // A run that read no log line (its only file missing, say) has nothing to report.
    if (a.T.EntryCount == 0 && a.T.LinesFiltered == 0) return false;
    const std::string& folder = a.Options.DefaultXMLFolder;
    const std::string name = AutoReportName(a, TodayShortDate(a.Loc));
    // An empty folder setting would put the report at the top of the file system.
    if (folder.empty()) {
        ShowSaveError(a, name, ENOENT, std::strerror(ENOENT));
        return false;
    }
    // The folder is checked rather than entered: changing the process's current folder would
    // move every relative path the user gave. A folder that cannot be made shows up as the
    // save's own error.
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) std::filesystem::create_directory(folder, ec);
    // The day's report of an earlier run (a full one, perhaps, where this run was filtered)
    // is never replaced: this one takes the next free name.
    int errorNumber = 0;
    const std::string path = ClaimFreeName(folder, name, errorNumber);
    if (path.empty()) {
        ShowSaveError(a, JoinPath(folder, name), errorNumber, std::strerror(errorNumber));
        return false;
    }
    if (SaveXMLReport(a, path, logFiles)) return true;
    std::filesystem::remove(path, ec);   // the claimed name stays free for the next run
    return false;
}

std::function<void(Analyser&)> AutoReportWriter(std::vector<std::string> logFiles) {
    return [files = std::move(logFiles)](Analyser& a) { WriteAutoReport(a, files); };
}

} // namespace trevix
