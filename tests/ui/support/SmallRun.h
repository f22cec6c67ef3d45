#pragma once
// A real analysis of a few log lines written in the test, for the window tests: the analyser
// with its tables and report lists filled exactly as after "Show report".
#include "engine/Analyser.h"
#include "engine/run/AnalysisRun.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QWidget>
#include <string>

namespace trevix::ui::test {

// One combined log line; stamp is "dd/Mon/yyyy:hh:mm:ss".
inline std::string Line(const std::string& ip, const std::string& stamp, const std::string& file,
                        const std::string& bytes = "100", const std::string& referrer = "-", int status = 200,
                        const std::string& agent = "Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0") {
    return ip + " - - [" + stamp + " +0000] \"GET " + file + " HTTP/1.1\" " + std::to_string(status) + " " +
           bytes + " \"" + referrer + "\" \"" + agent + "\"\n";
}

struct SmallRun {
    trevix::testing::TempDir Dir;
    trevix::testing::RecordingHost Host;
    Analyser A;

    SmallRun() {
        A.SetHost(&Host);
        A.LocalTimeBias = {};
        A.Options.AnalyseCountries = false;
        A.Reference.GraphicExtensions = {"", "gif", "jpg", "png", "css"};
    }
    // Analyses the text as the only log file, for a site on example.com.
    void Run(const std::string& log) {
        RunRequest request;
        request.Files = {Dir.Write("access.log", log)};
        request.Profile.SiteName = "Example";
        request.Profile.Domains = {"example.com"};
        AnalyseLogFiles(A, request);
    }
    // Row (0-based) of a report list whose first cell is text, or -1.
    int RowOf(int listNum, const std::string& text) const {
        const ReportList& list = A.Lists[listNum];
        for (size_t r = 0; r < list.RowCount(); ++r)
            if (list.Cell(r, 1) == text) return static_cast<int>(r);
        return -1;
    }
};

// With TREVIX_SHOTS set to a folder, saves a picture of the window there (for people to look at).
inline void SaveShot(QWidget* window, const QString& name) {
    const QString folder = qEnvironmentVariable("TREVIX_SHOTS");
    if (folder.isEmpty() || !window) return;
    QDir().mkpath(folder);
    window->grab().save(folder + "/" + name + ".png");
}

} // namespace trevix::ui::test
