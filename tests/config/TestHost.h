#pragma once
// A front end that records what the loaders tell the user.
#include "engine/RunHost.h"

#include <string>
#include <vector>

namespace trevix::test {

class RecordingHost : public NullHost {
public:
    void ShowMessage(MessageIcon icon, std::string_view, std::string_view text) override {
        Messages.emplace_back(text);
        Icons.push_back(icon);
    }
    void SetStatus(std::string_view text) override { Statuses.emplace_back(text); }
    void SetProgress(long long value, long long maximum) override {
        LastProgress = value;
        LastMaximum = maximum;
        ++ProgressCalls;
    }

    std::vector<std::string> Messages;
    std::vector<MessageIcon> Icons;
    std::vector<std::string> Statuses;
    long long LastProgress = -1, LastMaximum = -1;
    int ProgressCalls = 0;
};

} // namespace trevix::test
