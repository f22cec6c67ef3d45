#include "AutoReport.h"

#include "XmlReportWriter.h"
#include "config/UserFolders.h"
#include "engine/Analyser.h"
#include "engine/base/AtomicFile.h"
#include "engine/read/FileNameTemplate.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
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

std::string AutoReportPath(const Analyser& a) {
    const std::string& folder = a.Options.DefaultXMLFolder;
    return folder.empty() ? std::string() : JoinPath(folder, AutoReportName(a, TodayShortDate(a.NumberFormat)));
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

bool ReadNoLine(const Analyser& a) { return a.Tables.EntryCount == 0 && a.Tables.LinesFiltered == 0; }

// The first free name of path's numbered series. With claim, the name is taken by creating it
// exclusively, so two windows saving at the same moment never take the same one; the report
// then replaces this empty file atomically. Empty when no name could be had (errorNumber says
// why).
std::string FreeName(const std::string& path, bool claim, int& errorNumber) {
    errorNumber = 0;
    const std::filesystem::path whole(path);
    const std::string folder = whole.parent_path().string(), name = whole.filename().string();
    for (int number = 1; number <= MaxNumberedReports; ++number) {
        const std::string candidate = JoinPath(folder, NumberedReportName(name, number));
        if (claim) {
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                return candidate;
            }
            if (errno == EEXIST) continue;
        } else {
            struct stat st{};
            if (::lstat(candidate.c_str(), &st) == 0) continue;
            if (errno == ENOENT) return candidate;
        }
        errorNumber = errno;
        return {};
    }
    errorNumber = EEXIST;
    return {};
}

// Makes the folder when missing and finds the report's name; empty after showing the error.
std::string PrepareAutoReport(Analyser& a, const std::string& path, bool claim) {
    // An empty folder setting would put the report at the top of the file system.
    if (path.empty()) {
        ShowSaveError(a, AutoReportName(a, TodayShortDate(a.NumberFormat)), ENOENT, std::strerror(ENOENT));
        return {};
    }
    // The folder is checked rather than entered: changing the process's current folder would
    // move every relative path the user gave. It is made with its parents (a new account may
    // have no documents folder yet); a folder that cannot be made shows up as the save's own
    // error.
    const std::string& folder = a.Options.DefaultXMLFolder;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) std::filesystem::create_directories(folder, ec);
    // The day's report of an earlier run (a full one, perhaps, where this run was filtered)
    // is never replaced: this one takes the next free name.
    int errorNumber = 0;
    std::string free = FreeName(path, claim, errorNumber);
    if (free.empty()) ShowSaveError(a, path, errorNumber, std::strerror(errorNumber));
    return free;
}

} // namespace

bool WriteAutoReport(Analyser& a, const std::vector<std::string>& logFiles) {
    // A run that read no log line (its only file missing, say) has nothing to report.
    if (ReadNoLine(a)) return false;
    const std::string path = PrepareAutoReport(a, AutoReportPath(a), true);
    if (path.empty()) return false;
    AtomicFile file(path);
    file.RequirePlainFile();
    if (SaveXMLReport(a, file, logFiles)) return true;
    std::error_code ec;
    std::filesystem::remove(path, ec);   // the claimed name stays free for the next run
    return false;
}

bool AddAutoReport(Analyser& a, const std::string& path, const std::vector<std::string>& logFiles,
                   AtomicFileGroup& group) {
    if (ReadNoLine(a)) return true;
    // Not claimed: a command that is cancelled before its outputs are committed leaves nothing.
    const std::string free = PrepareAutoReport(a, path, false);
    if (free.empty()) return false;
    AtomicFile& file = group.Add(free);
    file.RequirePlainFile();
    return WriteXMLReport(a, file, logFiles);
}

std::function<void(Analyser&)> AutoReportWriter(std::vector<std::string> logFiles) {
    return [files = std::move(logFiles)](Analyser& a) { WriteAutoReport(a, files); };
}

} // namespace trevix
