#pragma once
// An analyser that reads small log files written to a temporary folder, with the computer's
// clock at UTC, so tests can drive the engine through its real reader.
#include "engine/Analyser.h"
#include "engine/read/LogReader.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace trevix::testing {

struct LogFiles {
    TempDir Dir;
    RecordingHost Host;
    Analyser A;

    LogFiles() {
        A.SetHost(&Host);
        A.LocalTimeBias = {};
        A.ClearAllData();
    }
    // Reads the texts as files 1, 2, ... of one run.
    void ReadFiles(const std::vector<std::string>& files) {
        for (size_t i = 0; i < files.size(); ++i) {
            A.Tables.CurrentFileNumber = static_cast<int16_t>(i + 1);
            ProcessFile(A, Dir.Write("access" + std::to_string(i + 1) + ".log", files[i]));
        }
    }
};

// One file at a time through ProcessFile, as the run reads them, with what the front end was
// shown; session IDs are kept so file names read as written.
struct FileReading {
    Analyser a;
    RecordingHost host;
    TempDir dir;
    FileReading() {
        a.SetHost(&host);
        a.Options.MergeSessions = false;
        a.ClearAllData();
    }
    void Read(const std::string& path) {
        ++a.Tables.CurrentFileNumber;
        ProcessFile(a, path);
    }
    // The Files table's names in table order.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (size_t i = 1; i < a.Tables.Files.size(); ++i) out.emplace_back(a.Tables.Files[i].File);
        return out;
    }
    bool SawStatus(const std::string& text) const {
        return std::find(host.Statuses.begin(), host.Statuses.end(), text) != host.Statuses.end();
    }
};

} // namespace trevix::testing
