#pragma once
// An analyser that reads small log files written to a temporary folder, with the computer's
// clock at UTC, so tests can drive the engine through its real reader.
#include "engine/Analyser.h"
#include "engine/LogReader.h"
#include "support/TestSupport.h"

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
            A.T.CurrentFileNumber = static_cast<int16_t>(i + 1);
            ProcessFile(A, Dir.Write("access" + std::to_string(i + 1) + ".log", files[i]));
        }
    }
};

} // namespace trevix::testing
