#pragma once
// Counting one accepted entry into the run's tables, in a fixed order.
#include "engine/tables/Tables.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace trevix {

class Analyser;

// Raw log, bandwidth, file, visitor, referrer and error, in that order, for entry e, which
// becomes the stored entry at EntryCount. raw is the line as read (the text e points into,
// kept for the run).
void AccumulateEntry(Analyser& a, const LogEntry& e, std::string_view raw);

// e.IsSpider, e.IsExitPage and the hashes are set already (the line loop settles them while
// reading). file is the record AddFileHit counted the entry in, 0 for a spider's request (not
// counted in the files): the others take its text instead of finding or copying their own.
uint32_t AddFileHit(Analyser& a, const LogEntry& e);
void AddVisitorHit(Analyser& a, const LogEntry& e, uint32_t file);
// Counts the tokens of e's user agent in the raw browser data; with records, adds the record
// of each token counted to it.
void AddRawBrowserData(Analyser& a, const LogEntry& e, std::vector<uint32_t>* records = nullptr);
void AddReferrerHit(Analyser& a, const LogEntry& e, uint32_t file);
void AddErrorHit(Analyser& a, const LogEntry& e, uint32_t file);
// Copies what the tables still hold of text, the file just read (its visitors' sessions, its
// errors' times, the run's period), into the run's Kept texts, so no later change of the file
// can reach them.
void KeepTextsOfFile(Analyser& a, const FileText& text);

} // namespace trevix
