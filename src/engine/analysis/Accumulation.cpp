#include "engine/analysis/Accumulation.h"

#include "engine/Analyser.h"
#include "engine/lists/RawLogLines.h"
#include "engine/parse/BrowserDetection.h"
#include "engine/parse/Classification.h"
#include "engine/base/Text.h"
#include "engine/parse/TimeStamps.h"

#include <limits>

namespace trevix {

namespace {
constexpr double BytesPerMegabyte = 1048576.0;

// A requested file as the tables keep it: the file list's copy when there is one.
std::string_view KeptFile(AnalysisTables& t, const LogEntry& e, uint32_t file) {
    if (file == 0) file = t.FindFile(e.File, e.FileHash);
    return file != 0 ? t.Files[file].File : t.Kept.Store(e.File);
}

// Copies of a file's stamps: its visitors mostly share a handful of dates.
class StampKeeper {
public:
    explicit StampKeeper(TextArena& kept) : kept_(kept) {}
    StampRef Keep(StampRef s) {
        if (s.Date != lastDate_) lastDate_ = kept_.Store(s.Date);
        return {s.Date.empty() ? std::string_view() : lastDate_, kept_.Store(s.Time), s.Order};
    }

private:
    TextArena& kept_;
    std::string_view lastDate_;
};

// A new visitor's user agent: its tokens counted in the raw browser data and its browser
// found, the first time it is seen; after that from its record. Returns the record (in Agents).
uint32_t CountAgent(Analyser& a, const LogEntry& e) {
    AnalysisTables& t = a.Tables;
    const uint64_t hash = HashText(e.UserAgent);
    const uint32_t known = t.FindAgent(e.UserAgent, hash);
    // A cancelled run counts only the first token (AddRawBrowserData), as it always did.
    if (known != 0 && !t.Cancelled) {
        const AgentRecord& agent = t.Agents[known];
        for (uint32_t i = 0; i < agent.TokenCount; ++i) ++t.RawBrowserData[t.AgentTokens[agent.FirstToken + i]].Hits;
        return known;
    }
    if (known != 0) {
        AddRawBrowserData(a, e);
        return known;
    }
    AgentRecord agent;
    agent.FirstToken = static_cast<uint32_t>(t.AgentTokens.size());
    AddRawBrowserData(a, e, &t.AgentTokens);
    agent.TokenCount = static_cast<uint32_t>(t.AgentTokens.size()) - agent.FirstToken;
    const BrowserResult b = DetectBrowser(static_cast<const ReferenceData&>(a.Reference), e.UserAgent, agent.Matched);
    agent.Browser = b.Browser;
    agent.OS = b.OS;
    agent.BrowserFound = b.BrowserFound;
    agent.OSFound = b.OSFound;
    agent.Agent = t.Kept.Store(e.UserAgent);
    if (t.Cancelled) {
        // Cut short by a cancel, its tokens are not all there: not to be counted from again, so
        // it is held in the placeholder slot, which no lookup finds.
        t.Agents[0] = std::move(agent);
        return 0;
    }
    return t.AppendNewAgent(std::move(agent), hash);
}

} // namespace

void KeepTextsOfFile(Analyser& a, const FileText& text) {
    AnalysisTables& t = a.Tables;
    const auto file = static_cast<size_t>(t.CurrentFileNumber);
    // The counting kept what it could as it went (stamps that read as moments, referrers);
    // what still points into the file is copied now.
    StampKeeper copies(t.Kept);
    auto stamps = [&](const StampRef& s) {
        return text.Holds(s.Date.data()) || text.Holds(s.Time.data()) ? copies.Keep(s) : s;
    };
    for (uint32_t v : t.SlotsOfFile) {
        Visitor& vis = t.Visitors[v];
        if (file >= vis.Sessions.size()) continue;
        VisitorSession& s = vis.Sessions[file];
        // A visitor first seen in this file has its first date from it too.
        if (vis.FirstDate.data() == s.EntryTime.Date.data()) {
            s.EntryTime = stamps(s.EntryTime);
            vis.FirstDate = s.EntryTime.Date;
        } else {
            s.EntryTime = stamps(s.EntryTime);
        }
        s.ExitTime = stamps(s.ExitTime);
        // The pages are the file list's copies already (AddVisitorHit).
        if (text.Holds(s.Referrer.data())) s.Referrer = t.KeepReferrer(s.Referrer, HashText(s.Referrer));
    }
    for (uint32_t r : t.ErrorSlotsOfFile) {
        ErrorRecord& rec = t.Errors[r];
        if (file < rec.TimeFirst.size()) rec.TimeFirst[file] = stamps(rec.TimeFirst[file]);
        if (file < rec.TimeLast.size()) rec.TimeLast[file] = stamps(rec.TimeLast[file]);
    }
    // The period the run covers may start or end in this file.
    t.AcceptedFirst = stamps(t.AcceptedFirst);
    t.AcceptedLast = stamps(t.AcceptedLast);
    t.SlotsOfFile.clear();
    t.ErrorSlotsOfFile.clear();
}

void AccumulateEntry(Analyser& a, const LogEntry& e, std::string_view raw) {
    StoredEntry& stored = a.Tables.LogEntries[a.Tables.EntryCount];
    stored = StoredEntry(raw, e.Format);
    // The raw log reads the line where it is; only a replaced client field needs noting.
    if (a.Options.ShowRawLog && !e.OriginalIP.empty()) NoteRawLogClient(a.Tables, raw, e.OriginalIP);
    a.Tables.TotalMegabytes += static_cast<double>(e.Bytes) / BytesPerMegabyte;
    const StampRef stamp = e.Stamp();
    if (a.Tables.AcceptedLast.empty() || !StampEarlier(stamp, a.Tables.AcceptedLast)) {
        a.Tables.AcceptedLast = stamp;
        if (a.Tables.AcceptedFirst.empty()) a.Tables.AcceptedFirst = stamp;
    } else if (StampEarlier(stamp, a.Tables.AcceptedFirst)) {
        a.Tables.AcceptedFirst = stamp;
    }
    // The file first: the visitor's pages, the referrer and the error then hold its record's
    // text, and none of them looks the file up again.
    const uint32_t file = e.IsSpider ? 0 : AddFileHit(a, e);
    AddVisitorHit(a, e, file);
    if (e.IsSpider) stored.MarkSpider();
    AddReferrerHit(a, e, file);
    AddErrorHit(a, e, file);
}

void AddVisitorHit(Analyser& a, const LogEntry& e, uint32_t file) {
    AnalysisTables& t = a.Tables;
    if (e.IsSpider) {
        ++t.SpiderHits;
        // Counted nowhere else, but kept in its address's chain for the visitor report.
        if (uint32_t v = t.FindVisitor(e.ClientIP, e.ClientHash); v != 0) {
            Visitor& known = t.Visitors[v];
            t.LogEntries[known.LastOfAddress].NextOfAddress = t.EntryCount;
            known.LastOfAddress = t.EntryCount;
        } else if (uint32_t o = t.FindSpiderOnly(e.ClientIP, e.ClientHash); o != 0) {
            AnalysisTables::SpiderOnlyAddress& only = t.SpiderOnlyAddresses[o];
            t.LogEntries[only.Last].NextOfAddress = t.EntryCount;
            only.Last = t.EntryCount;
        } else {
            t.AppendSpiderOnly(t.Kept.Store(e.ClientIP), e.ClientHash, t.EntryCount);
        }
        return;
    }
    const int16_t fileNumber = t.CurrentFileNumber;
    // The file list's copy: the session's pages need no copy of their own when the file is done.
    const std::string_view page = t.Files[file].File;
    // Kept copies too, so the session never points into the log once its lines are counted.
    const StampRef stamp = t.KeptStamps.Keep(e.Stamp());
    uint32_t v = t.FindVisitor(e.ClientIP, e.ClientHash);
    if (v == 0) {
        const uint32_t agent = CountAgent(a, e);
        v = t.AppendNewVisitor(t.Kept.Store(e.ClientIP), e.ClientHash);
        t.SlotsOfFile.push_back(v);
        Visitor& n = t.Visitors[v];
        n.Sessions.resize(static_cast<size_t>(fileNumber) + 1);
        size_t dot = e.ClientIP.find('.');
        double octet = LeadingNumber(e.ClientIP.substr(0, dot));
        n.FirstOctet = (octet > std::numeric_limits<int32_t>::max() || octet < std::numeric_limits<int32_t>::min())
                           ? 0
                           : static_cast<int32_t>(octet);
        n.FirstDate = stamp.Date;
        n.FirstHour = static_cast<int16_t>(LeadingNumber(e.Time.substr(0, 2)));
        VisitorSession& s = n.Sessions[fileNumber];
        s.EntryTime = s.ExitTime = stamp;
        s.EntryPage = page;
        s.Referrer = t.KeepReferrer(e.Referrer, e.ReferrerHash);
        n.Country = "(unknown)";
        n.LastFileNumber = fileNumber;
        n.FirstEntry = n.LastEntry = t.EntryCount;
        n.FirstOfAddress = n.LastOfAddress = t.EntryCount;
        // Its spider requests so far begin the chain. The spider-only record stays: the visitor
        // is found before it from now on.
        if (t.SpiderOnlyIndex.Size() != 0) {
            if (uint32_t o = t.FindSpiderOnly(e.ClientIP, e.ClientHash); o != 0) {
                n.FirstOfAddress = t.SpiderOnlyAddresses[o].First;
                t.LogEntries[t.SpiderOnlyAddresses[o].Last].NextOfAddress = t.EntryCount;
            }
        }

        const AgentRecord& answer = t.Agents[agent];
        CountBrowserHits(a.Reference, {answer.Browser, answer.OS, answer.BrowserFound, answer.OSFound}, answer.Matched);
        n.Browser = answer.Browser;
        n.OS = answer.OS;
        if (a.Options.AnalyseCountries) {
            int32_t c = a.Reference.FindCountry(e.OriginalIP.empty() ? e.ClientIP : e.OriginalIP);
            if (c > 0) {
                n.Country = a.Reference.CountryList[c].Name;
                if (static_cast<size_t>(c) < t.CountryHits.size()) ++t.CountryHits[c];
                ++t.CountryHitsTotal;
            }
        }
    } else {
        Visitor& old = t.Visitors[v];
        t.LogEntries[old.LastOfAddress].NextOfAddress = t.EntryCount;
    }

    Visitor& vis = t.Visitors[v];
    if (vis.LastFileNumber != fileNumber) {
        vis.Sessions.resize(static_cast<size_t>(fileNumber) + 1);
        t.SlotsOfFile.push_back(v);
        VisitorSession& s = vis.Sessions[fileNumber];
        s.EntryTime = stamp;
        s.EntryPage = page;
        s.Referrer = t.KeepReferrer(e.Referrer, e.ReferrerHash);
        vis.LastFileNumber = fileNumber;
    }
    // A log is not always in time order: the session spans its earliest and latest request.
    VisitorSession& s = vis.Sessions[fileNumber];
    if (!StampEarlier(stamp, s.ExitTime)) s.ExitTime = stamp;
    else if (StampEarlier(stamp, s.EntryTime)) s.EntryTime = stamp;
    if (e.IsExitPage) s.ExitPage = page;
    vis.Bytes += static_cast<double>(e.Bytes) / BytesPerMegabyte;
    ++vis.Requests;
    vis.LastEntry = t.EntryCount;
    vis.LastOfAddress = t.EntryCount;
}

void AddRawBrowserData(Analyser& a, const LogEntry& e, std::vector<uint32_t>* records) {
    AnalysisTables& t = a.Tables;
    std::string_view rest = e.UserAgent;
    for (;;) {
        size_t cut = rest.find_first_of(";()");
        bool last = cut == std::string_view::npos;
        std::string_view token = TrimBlanks(last ? rest : rest.substr(0, cut));
        if (!token.empty()) {
            const uint64_t hash = HashText(token);
            uint32_t r = t.FindRawBrowser(token, hash);
            if (r != 0) {
                ++t.RawBrowserData[r].Hits;
            } else {
                r = t.AppendNewRawBrowser(t.Kept.Store(token), hash);
                RawBrowserRecord& rec = t.RawBrowserData[r];
                rec.Hits = 1;
                rec.IsSpiderToken = ContainsSpiderString(a.Reference, token);
            }
            if (records) records->push_back(r);
        }
        if (last || t.Cancelled) break;
        rest = rest.substr(cut + 1);
    }
}

void AddReferrerHit(Analyser& a, const LogEntry& e, uint32_t file) {
    if (e.Status != 200 || e.Referrer == "-") return;
    AnalysisTables& t = a.Tables;
    // The file record's own text: a record that holds it compares without reading it.
    const std::string_view toFile = file != 0 ? t.Files[file].File : e.File;
    uint32_t r = t.FindReferrer(e.Referrer, toFile, e.ReferrerHash, e.FileHash);
    if (r != 0) {
        ++t.Referrers[r].Hits;
    } else {
        r = t.AppendNewReferrer(t.KeepReferrer(e.Referrer, e.ReferrerHash), KeptFile(t, e, file), e.ReferrerHash,
                                e.FileHash);
        t.Referrers[r].Hits = 1;
    }
}

uint32_t AddFileHit(Analyser& a, const LogEntry& e) {
    AnalysisTables& t = a.Tables;
    uint32_t f = t.FindFile(e.File, e.FileHash);
    if (f == 0) f = t.AppendNewFile(t.KeptFiles.Store(e.File), e.FileHash);
    FileRecord& rec = t.Files[f];
    ++rec.TotalRequests;
    rec.Bytes += static_cast<double>(e.Bytes) / BytesPerMegabyte;
    switch (e.Status) {
    case 200: ++rec.Gets; break;
    case 206: ++rec.Resumes; break;
    case 304: ++rec.Reloads; break;
    default: break;
    }
    return f;
}

void AddErrorHit(Analyser& a, const LogEntry& e, uint32_t fileRecord) {
    if (e.Status < 400) return;
    AnalysisTables& t = a.Tables;
    const int16_t file = t.CurrentFileNumber;
    const StampRef stamp = t.KeptStamps.Keep(e.Stamp());
    uint32_t r = t.FindError(e.File, e.Referrer, e.Status, e.FileHash, e.ReferrerHash);
    if (r == 0) {
        r = t.AppendNewError(KeptFile(t, e, fileRecord), t.KeepReferrer(e.Referrer, e.ReferrerHash), e.Status,
                             e.FileHash, e.ReferrerHash);
        t.ErrorSlotsOfFile.push_back(r);
        ErrorRecord& n = t.Errors[r];
        n.TimeFirst.resize(static_cast<size_t>(file) + 1);
        n.TimeLast.resize(static_cast<size_t>(file) + 1);
        n.TimeFirst[file] = stamp;
        n.LastFileNumber = file;
    }
    ErrorRecord& rec = t.Errors[r];
    ++rec.Hits;
    if (rec.LastFileNumber != file) {
        t.ErrorSlotsOfFile.push_back(r);
        rec.TimeFirst.resize(static_cast<size_t>(file) + 1);
        rec.TimeLast.resize(static_cast<size_t>(file) + 1);
        rec.TimeFirst[file] = stamp;
        rec.LastFileNumber = file;
    }
    rec.TimeLast[file] = stamp;
}

} // namespace trevix
