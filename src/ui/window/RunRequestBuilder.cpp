#include "window/RunRequestBuilder.h"

#include "common/QtText.h"
#include "config/RecentLists.h"
#include "config/SiteProfiles.h"
#include "engine/ProgramOptions.h"
#include "report/AutoReport.h"
#include "window/GuiRunHost.h"

namespace trevix::ui {

RunRequest BuildRunRequest(const QStringList& files, const SiteProfile* profile, RecentLists& recent,
                           const ProgramOptions& options, GuiRunHost& host) {
    RunRequest request;
    for (const QString& f : files)
        request.Files.push_back(Std(f));
    if (profile) {
        request.Profile = *profile;
        request.AutoConversionReports = profile->AutoConversionReports;
    }
    request.PushRecent = [&recent, &options](RecentList list, std::string_view text) {
        auto& target = list == RecentList::Files     ? recent.RecentFiles
                       : list == RecentList::Filters ? recent.RecentFilters
                                                     : recent.RecentFilterFiles;
        PushRecent(target, list == RecentList::Files ? options.MaxRecentFiles : options.MaxRecentFilters,
                   text);
    };
    // The report is on screen before anything the automatic report has to say.
    request.WriteAutoReport = [host = &host, write = AutoReportWriter(request.Files)](Analyser& a) {
        struct Held {
            GuiRunHost* Host;
            ~Held() { Host->HoldMessages(false); }
        } held{host};
        host->HoldMessages(true);
        write(a);
    };
    return request;
}

} // namespace trevix::ui
