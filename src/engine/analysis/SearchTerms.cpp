#include "engine/analysis/SearchTerms.h"

#include "engine/Analyser.h"
#include "engine/parse/Classification.h"
#include "engine/analysis/ListFilling.h"
#include "engine/base/RecordIndex.h"
#include "engine/base/Text.h"

#include <optional>
#include <span>
#include <unordered_map>

namespace trevix {

namespace {

// The value of a search engine's query parameter in a referrer, as written (not decoded);
// nullopt when the referrer has no path or does not carry the parameter.
std::optional<std::string_view> QueryValue(std::string_view referrer, const std::string& parameter) {
    // The path starts at the first "/" after "http://".
    const size_t slash = referrer.find('/', 7);
    if (slash == std::string_view::npos) return std::nullopt;

    const std::string amp = "&" + parameter + "=";
    size_t p = referrer.find(amp, slash);
    if (p != std::string_view::npos) {
        const size_t after = p + amp.size();
        // "q=&q=terms": an empty first value gives way to a later one.
        if (after < referrer.size() && referrer[after] == '&') p = referrer.find(amp, p + 2);
    }
    if (p == std::string_view::npos) p = referrer.find("?" + parameter + "=", slash);
    if (p == std::string_view::npos) return std::nullopt;

    const size_t start = p + parameter.size() + 2;
    size_t end = referrer.find('&', p + 1);
    if (end == std::string_view::npos) end = referrer.size();
    if (start >= end) return std::string_view();
    return referrer.substr(start, end - start);
}

// Search terms merge by their case-folded trimmed text and the engine's name; the index gives
// the first row of that key, as a front-to-back scan of the rows would.
class SearchTermMerger {
public:
    explicit SearchTermMerger(AnalysisTables& t) : t_(t) {
        t_.SearchTermIndex.Clear();
        keys_.assign(t_.SearchTerms.size(), {});
        for (size_t i = 1; i < t_.SearchTerms.size(); ++i) {
            keys_[i] = CaseFoldKey(TrimBlanks(t_.SearchTerms[i].SearchTerm));
            t_.SearchTermIndex.Insert(Hash(keys_[i], t_.SearchTerms[i].SearchEngine), static_cast<uint32_t>(i),
                                      [&](uint32_t j) { return Same(j, keys_[i], t_.SearchTerms[i].SearchEngine); });
        }
    }

    // Adds the referrer's hits to the row of (terms, engine), appending one when new.
    int32_t Credit(const std::string& terms, const std::string& engine, const ReferrerRecord& r) {
        std::string key = CaseFoldKey(TrimBlanks(terms));
        const uint64_t hash = Hash(key, engine);
        uint32_t row = t_.SearchTermIndex.Find(hash, [&](uint32_t i) { return Same(i, key, engine); });
        if (row != 0) {
            t_.SearchTerms[row].Hits += r.Hits;
            return static_cast<int32_t>(row);
        }
        t_.SearchTerms.push_back({terms, engine, r.Hits, std::string(r.Referrer), std::string(r.ToFile)});
        keys_.push_back(std::move(key));
        row = t_.SearchTermCount();
        t_.SearchTermIndex.Insert(hash, row, [](uint32_t) { return false; });   // new key
        return static_cast<int32_t>(row);
    }

private:
    bool Same(uint32_t i, std::string_view key, std::string_view engine) const {
        return keys_[i] == key && t_.SearchTerms[i].SearchEngine == engine;
    }
    static uint64_t Hash(std::string_view key, std::string_view engine) {
        return HashCombine(HashText(key), HashText(engine));
    }
    AnalysisTables& t_;
    std::vector<std::string> keys_; // case-folded trimmed term per row
};

// The search engines a referrer matches, found once per text: a referrer's records (one per
// file it led to) share one kept copy of it, so its address names the text.
class EngineMatches {
public:
    explicit EngineMatches(const ReferenceData& ref) : ref_(ref) {}

    std::span<const uint32_t> Of(std::string_view referrer) {
        auto [it, added] = known_.try_emplace(referrer.data(), Found{});
        if (!added && it->second.Size == referrer.size()) return Span(it->second);
        MatchingSearchEngines(ref_, referrer, matching_);
        Found found{static_cast<uint32_t>(all_.size()), static_cast<uint32_t>(matching_.size()), referrer.size()};
        all_.insert(all_.end(), matching_.begin(), matching_.end());
        // A different text at the same address (not a kept copy) is matched each time.
        if (added) it->second = found;
        return Span(found);
    }

private:
    struct Found {
        uint32_t Start = 0, Count = 0;
        size_t Size = 0;
    };
    std::span<const uint32_t> Span(const Found& f) const { return {all_.data() + f.Start, f.Count}; }

    const ReferenceData& ref_;
    std::unordered_map<const char*, Found> known_;
    std::vector<uint32_t> all_, matching_;
};

} // namespace

void ReferrerPass(Analyser& a) {
    AnalysisTables& t = a.Tables;
    const auto& definitions = a.Reference.SearchEngineDefinitions;
    EngineMatches engines(a.Reference);

    SearchTermMerger merger(t);
    ReportList& list = a.Lists[lstReferrers];

    for (size_t n = 1; n <= t.ReferrerCount(); ++n) {
        ReferrerRecord& r = t.Referrers[n];
        r.IsSearch = false;
        r.SearchTermIndex = 0;
        r.RowKey.clear();
        for (uint32_t e : engines.Of(r.Referrer)) {
            if (e >= t.EngineOfDefinition.size()) break;
            int32_t k = t.EngineOfDefinition[e];
            // Paid clicks carry "gclid"; without an AdWords engine they stay with Google.
            if (k == t.GoogleEngine && t.AdWordsEngine != 0 &&
                r.ToFile.find("gclid") != std::string_view::npos)
                k = t.AdWordsEngine;
            if (k <= 0 || static_cast<size_t>(k) >= t.SearchEngines.size()) continue;
            // Every matching definition is credited, whether or not it yields terms.
            t.SearchEngines[k].Hits += r.Hits;

            auto value = QueryValue(r.Referrer, definitions[e].QueryParameter);
            if (!value) continue;
            std::string terms = DecodeSearchTerms(TrimBlanks(*value));
            if (terms.empty()) continue;
            r.SearchTermIndex = merger.Credit(terms, t.SearchEngines[k].SearchEngine, r);
            r.IsSearch = true;
            break;
        }

        r.IsInternal = IsInternalReferrer(r.Referrer, a.CurrentProfile);
        if (!r.IsInternal && (!a.Options.HideSearchEngines || !r.IsSearch)) {
            size_t row =
                AddListRow(list, "r", {r.Referrer, r.ToFile, CountCell(a, r.Hits)});
            r.RowKey = list.Rows[row].Key;
        }
    }
}

} // namespace trevix
