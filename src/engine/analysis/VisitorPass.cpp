#include "engine/analysis/VisitorPass.h"

#include "engine/Analyser.h"
#include "engine/analysis/ListFilling.h"
#include "engine/parse/StoredEntryReader.h"
#include "engine/parse/TimeStamps.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace trevix {

namespace {

const VisitorSession& SessionAt(const Visitor& v, int slot) {
    static const VisitorSession none;
    if (slot <= 0 || static_cast<size_t>(slot) >= v.Sessions.size()) return none;
    return v.Sessions[static_cast<size_t>(slot)];
}

// The slot among 1..LastFileNumber whose stamp (entry or exit) is the earliest or the latest,
// with that stamp's value. Equal values keep the lower slot. A stamp that does not read as a
// date only wins when no slot reads (the accepted entries always carry readable ones); it then
// has no value.
struct ChosenSlot {
    int Slot = 0;
    std::optional<DateTime> Value;
};

ChosenSlot ChooseSlot(const Visitor& v, bool entry) {
    ChosenSlot chosen;
    int firstNonEmpty = 0;
    const int last = std::min<int>(v.LastFileNumber, static_cast<int>(v.Sessions.size()) - 1);
    for (int s = 1; s <= last; ++s) {
        const StampRef& stamp = entry ? v.Sessions[s].EntryTime : v.Sessions[s].ExitTime;
        if (stamp.empty()) continue;
        if (firstNonEmpty == 0) firstNonEmpty = s;
        auto value = StampValue(stamp);
        if (!value) continue;
        if (!chosen.Value || (entry ? *value < *chosen.Value : *value > *chosen.Value)) {
            chosen.Value = value;
            chosen.Slot = s;
        }
    }
    if (chosen.Slot == 0) chosen.Slot = firstNonEmpty;
    return chosen;
}

// A chosen stamp in local time, as LogTimeValue reads the stamp's text. Only a stamp too long
// for StampValue's own buffer is read from its text again.
std::optional<DateTime> LocalStamp(const Analyser& a, const StampRef& stamp, const std::optional<DateTime>& value) {
    if (stamp.Date.size() + stamp.Time.size() + 1 > 80) return LogTimeValue(a, stamp.Text(), true);
    if (!value) return std::nullopt;
    return ToLocalTime(a, *value, true);
}

// DisplayTime's short form ("3d 04:05:06"), written without building pieces of text.
std::string ShortDuration(long long seconds) {
    if (seconds < 0) return DisplayTime(seconds, true);
    char text[40];
    char* p = std::to_chars(text, text + 20, seconds / 86400).ptr;
    const long long rest = seconds % 86400;
    const int fields[3] = {static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60),
                           static_cast<int>(rest % 60)};
    *p++ = 'd';
    for (int f = 0; f < 3; ++f) {
        *p++ = f == 0 ? ' ' : ':';
        *p++ = static_cast<char>('0' + fields[f] / 10);
        *p++ = static_cast<char>('0' + fields[f] % 10);
    }
    return std::string(text, p);
}

} // namespace

long long TimeSpent(const Analyser& a, unsigned visitor) {
    if (visitor == 0 || visitor > a.Tables.VisitorCount()) return 0;
    const Visitor& v = a.Tables.Visitors[visitor];
    auto from = StampValue(SessionAt(v, v.FirstFile).EntryTime);
    auto to = StampValue(SessionAt(v, v.LastFile).ExitTime);
    if (!from || !to) return 0;
    return to->Seconds() - from->Seconds();
}

void RunVisitorPass(Analyser& a) {
    AnalysisTables& t = a.Tables;
    ReportList& list = a.Lists[lstIPs];

    // Dates found by text; seeded with any rows already present so the first row still wins.
    std::unordered_map<std::string, uint32_t> dateRow;
    for (uint32_t i = 1; i <= t.DateVisitorCount(); ++i) dateRow.try_emplace(t.DateVisitors[i].Date, i);

    // Visitors come in the order they first came, so most share the date of the one before.
    std::string lastDate;
    uint32_t lastDateRow = 0;
    list.Rows.reserve(list.Rows.size() + t.VisitorCount());
    for (uint32_t n = 1; n <= t.VisitorCount(); ++n) {
        Visitor& v = t.Visitors[n];
        // Each chosen stamp is read once for its cell, the time spent, the date and the hour.
        const ChosenSlot entry = ChooseSlot(v, true);
        v.FirstFile = static_cast<int16_t>(entry.Slot);
        const VisitorSession& first = SessionAt(v, v.FirstFile);
        const std::optional<DateTime> entryTime = LocalStamp(a, first.EntryTime, entry.Value);
        const CellValue entryCell = DateCell(a, entryTime);

        const ChosenSlot exit = ChooseSlot(v, false);
        v.LastFile = static_cast<int16_t>(exit.Slot);
        const VisitorSession& last = SessionAt(v, v.LastFile);
        const CellValue exitCell = DateCell(a, LocalStamp(a, last.ExitTime, exit.Value));

        const long long spent = entry.Value && exit.Value ? exit.Value->Seconds() - entry.Value->Seconds() : 0;
        const CellValue spentCell(ShortDuration(spent), static_cast<double>(spent));
        const CellValue requests = NumberCell(a, v.Requests, "#,##0");
        const CellValue bandwidth = NumberCell(a, v.Bytes, "#,##0.00");
        // The row is packed once, from views of the tables' own texts.
        const size_t row = list.AddRowOf({std::string_view(v.IP), std::string_view(v.Country),
                                          std::string_view(first.Referrer), entryCell,
                                          std::string_view(first.EntryPage), exitCell,
                                          std::string_view(last.ExitPage), spentCell, requests, bandwidth});

        // A first stamp that does not read has no date to count on.
        std::string_view date = list.Cell(row, 4);
        if (const size_t blank = date.find(' '); blank != std::string_view::npos) date = date.substr(0, blank);
        if (!date.empty()) {
            if (lastDateRow == 0 || date != lastDate) {
                auto [it, added] = dateRow.try_emplace(std::string(date), 0);
                if (added) {
                    t.DateVisitors.push_back({std::string(date), 0});
                    it->second = t.DateVisitorCount();
                }
                lastDate.assign(date);
                lastDateRow = it->second;
            }
            ++t.DateVisitors[lastDateRow].Hits;
        }
        const int hour = entryTime ? entryTime->Civil().Hour : -1;
        if (hour >= 0 && hour <= 23) ++t.HourVisitors[static_cast<size_t>(hour)];
    }
}

VisitorReport BuildVisitorReport(Analyser& a, const std::vector<std::string>& selectedIPs) {
    VisitorReport report;
    if (selectedIPs.empty()) return report;
    AnalysisTables& t = a.Tables;
    ReportList& pages = a.Lists.Pages;
    pages.Clear();

    // The first visitor of each selected address, found in one pass over the table.
    std::unordered_map<std::string_view, uint32_t> visitorOf;
    for (const std::string& ip : selectedIPs) visitorOf.emplace(ip, 0);
    size_t unresolved = visitorOf.size();
    for (uint32_t n = 1; n <= t.VisitorCount() && unresolved > 0; ++n) {
        auto it = visitorOf.find(t.Visitors[n].IP);
        if (it != visitorOf.end() && it->second == 0) {
            it->second = n;
            --unresolved;
        }
    }

    for (const std::string& ip : selectedIPs) {
        uint32_t n = visitorOf[ip];
        // An address the table no longer holds (the list came from elsewhere) has nothing to show.
        if (n == 0) continue;
        Visitor& v = t.Visitors[n];

        // Every request of the address, its spider requests too, in log order; none after a
        // report load.
        std::string lastAgent;
        StoredEntryReader reader(a);
        for (uint32_t j : t.EntriesOfAddress(n)) {
            if (!reader.Readable(j)) continue;
            const LogEntry e = reader.Read(j);
            std::string stamp;
            stamp.reserve(e.Date.size() + 1 + e.Time.size());
            stamp.append(e.Date).append(" ").append(e.Time);
            const CellValue date = DateCell(a, LogTimeValue(a, stamp, true));
            const std::string status = std::to_string(e.Status);
            const CellValue bytes = NumberCell(a, static_cast<double>(e.Bytes), "#,###");
            pages.AddRowOf({std::string_view(v.IP), date, std::string_view(e.File), std::string_view(e.Referrer),
                            CellRef(status, static_cast<double>(e.Status)), bytes});
            lastAgent.assign(e.UserAgent);
        }
        reader.Finish();

        if (v.Browser.empty()) v.Browser = "(unknown)";
        if (v.OS.empty()) v.OS = "(unknown)";
        report.Summary.append("Visitor: ").append(v.IP).append(" from ").append(v.Country).append("\r\n");
        report.Summary.append("Browser: ").append(v.Browser).append(" on ").append(v.OS);
        report.Summary.append(" (").append(lastAgent).append(")\r\n");
        report.Summary.append("Requests: ").append(a.NumberFormat.FormatNumber(v.Requests, "#,##0")).append("\r\n");
        report.Summary.append("Bandwidth used: ").append(a.NumberFormat.FormatNumber(v.Bytes, "#,##0.00")).append(" MB\r\n");
    }

    report.Caption = "Visitor Report - " + (selectedIPs.size() == 1 ? selectedIPs.front()
                                                                     : std::to_string(selectedIPs.size()) + " visitors");
    return report;
}

} // namespace trevix
