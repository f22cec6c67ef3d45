#include "engine/Analyser.h"

#include "engine/SortSettings.h"

#include <ctime>
#include <unordered_map>

namespace trevix {

TimeBias ReadLocalTimeBias() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // The C library gives local minus UTC; the bias is UTC minus local.
    long total = -local.tm_gmtoff / 60;
    return {static_cast<int>(total / 60), static_cast<int>(total % 60)};
}

Analyser::Analyser() : Host(&nullHost_) {}

void Analyser::AddToLog(std::string_view text) {
    Tables.ErrorLogText.append(text).append("\r\n");
}

void Analyser::ClearLists() {
    // The sort state outlives the rows; remember it before a new run or load replaces them.
    if (Lists.State.Shown) SaveSortSettings(Lists, Store);
    Lists.ClearLists();
}

void Analyser::ClearAllData(const std::vector<std::string>& keepTextsOf) {
    // Built before the tables start their memory budget: the reference lists' automata are the
    // program's, not the run's.
    Reference.IndexLists();
    Tables.Clear(Reference.CountryCount(), keepTextsOf);
    for (BrowserDefinition& b : Reference.BrowserDefinitions) b.Hits = 0;
    SpiderMemo.Clear();
    LineFormats.clear();
    LineFormatSlots.clear();
    LastAgent = {};
    LastAgentSpider = false;
    ClearLists();
    Lists.ErrorsLabelVisible = false;
    Lists.RawLogVisible = false;
    Lists.AutoConversionEnabled = false;

    // One search-engine row per distinct engine name, in definition order.
    std::unordered_map<std::string_view, int32_t> rowOfName;
    Tables.EngineOfDefinition.assign(Reference.SearchEngineDefinitions.size(), 0);
    for (size_t n = 1; n < Reference.SearchEngineDefinitions.size(); ++n) {
        const SearchEngineDefinition& d = Reference.SearchEngineDefinitions[n];
        auto it = rowOfName.find(d.Name);
        if (it != rowOfName.end()) {
            Tables.EngineOfDefinition[n] = it->second;
            continue;
        }
        Tables.SearchEngines.push_back({d.Name, 0});
        int32_t row = static_cast<int32_t>(Tables.SearchEngines.size() - 1);
        rowOfName.emplace(d.Name, row);
        Tables.EngineOfDefinition[n] = row;
        if (d.Name == "Google") Tables.GoogleEngine = row;
        if (d.MatchText == "!internal" && d.Name == "Google AdWords") Tables.AdWordsEngine = row;
    }
}

} // namespace trevix
