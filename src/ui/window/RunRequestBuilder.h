#pragma once
// The analysis the window asks for: the log files listed, the chosen site's profile, the
// recent lists pushed from the worker, and the automatic report, whose messages wait until
// the pages show the report.
#include "engine/run/AnalysisRun.h"

#include <QStringList>

namespace trevix {
struct ProgramOptions;
struct RecentLists;
struct SiteProfile;
} // namespace trevix

namespace trevix::ui {

class GuiRunHost;

// profile may be null (no site chosen). The run pushes onto recent, bounded by options, from
// its worker: the window does not touch the recent lists while it runs.
RunRequest BuildRunRequest(const QStringList& files, const SiteProfile* profile, RecentLists& recent,
                           const ProgramOptions& options, GuiRunHost& host);

} // namespace trevix::ui
