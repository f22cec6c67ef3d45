#include "Analyser.h"

#include "SortSettings.h"

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
    T.ErrorLogText.append(text).append("\r\n");
}

void Analyser::ClearLists() {
    // The sort state outlives the rows; remember it before a new run or load replaces them.
    if (ReportShown) SaveSortSettings(Lists, Store);
    Lists.ClearLists();
    T.RawLog.clear();
}

void Analyser::ClearAllData() {
    T.Clear(Ref.CountryCount());
    for (BrowserDefinition& b : Ref.BrowserDefinitions) b.Hits = 0;
    SpiderMemo.clear();
    BrowserMemo.clear();
    Ref.IndexGraphicExtensions();
    Ref.IndexSessionIDPrefixes();
    LastAgent = {};
    LastAgentSpider = false;
    ClearLists();
    Lists.ErrorsLabelVisible = false;
    Lists.RawLogVisible = false;
    Lists.AutoConversionEnabled = false;

    // One search-engine row per distinct engine name, in definition order.
    std::unordered_map<std::string_view, int32_t> rowOfName;
    T.EngineOfDefinition.assign(Ref.SearchEngineDefinitions.size(), 0);
    for (size_t n = 1; n < Ref.SearchEngineDefinitions.size(); ++n) {
        const SearchEngineDefinition& d = Ref.SearchEngineDefinitions[n];
        auto it = rowOfName.find(d.Name);
        if (it != rowOfName.end()) {
            T.EngineOfDefinition[n] = it->second;
            continue;
        }
        T.SearchEngines.push_back({d.Name, 0});
        int32_t row = static_cast<int32_t>(T.SearchEngines.size() - 1);
        rowOfName.emplace(d.Name, row);
        T.EngineOfDefinition[n] = row;
        if (d.Name == "Google") T.GoogleEngine = row;
        if (d.MatchText == "!internal" && d.Name == "Google AdWords") T.AdWordsEngine = row;
    }
}

} // namespace trevix
