#pragma once
// Small classification services used while lines are read and after the run.
#include "engine/SiteProfile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class Analyser;
struct ReferenceData;

// Removes the first session parameter found (by prefix order) from a URL; when it opened the
// query, the next parameter opens it ("?sid=1&b=2" leaves "?b=2"). Returns the text
// unchanged, or the shortened copy kept in the run's arena.
std::string_view StripSessionID(Analyser& a, std::string_view url);
// The same on a std::string, for callers outside a run.
std::string StripSessionIDText(const ReferenceData& ref, std::string_view url);
// True when the user agent contains one of the spider strings (answers remembered per text;
// the line loop's reading thread is the only caller during a run).
bool IsSpiderAgent(Analyser& a, std::string_view userAgent);
// False when the file's extension is a graphic extension (the page is not an exit page).
bool ValidExitPage(const ReferenceData& ref, std::string_view file);
// True when the text contains one of the spider strings (letter case counts).
bool ContainsSpiderString(const ReferenceData& ref, std::string_view text);
// The search-engine definitions whose match text the referrer contains, letter case aside, in
// definition order (replaces found).
void MatchingSearchEngines(const ReferenceData& ref, std::string_view referrer, std::vector<uint32_t>& found);
// The referrer begins with one of the profile's domains, over http or https, with or without "www.".
bool IsInternalReferrer(std::string_view referrer, const SiteProfile& profile);
// The referrer is the address of the file on this site.
bool IsLocalFile(std::string_view referrer, std::string_view file, const SiteProfile& profile);
// Control characters replaced: a blank for CR, LF and tab, U+FFFD for the others (C0, DEL, C1),
// so a decoded term reads back from a saved report as it was.
std::string ReplaceControlCharacters(std::string_view text);
// "+" to blank, %XX to bytes (read as UTF-8 when valid, else Windows-1252), control
// characters replaced, trimmed.
std::string DecodeSearchTerms(std::string_view raw);

} // namespace trevix
