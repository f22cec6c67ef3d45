#pragma once
// Texts as an XML 1.0 document can carry them. Log lines may hold control characters (or,
// in a text that did not pass through the engine, bytes that are not UTF-8); written raw or
// as character references they would make the saved report unreadable. Both the writer and
// the loader use these routines, so a report always reads back to what was written.
#include <string>
#include <string_view>

namespace trevix {

// U+FFFD REPLACEMENT CHARACTER, in UTF-8: stands for every character XML 1.0 cannot carry.
inline constexpr std::string_view XmlReplacementCharacter = "\xEF\xBF\xBD";

// True when text is valid UTF-8 and every character is one XML 1.0 allows: tab, line feed,
// carriage return, U+0020..U+D7FF, U+E000..U+FFFD and U+10000..U+10FFFF.
bool IsXmlText(std::string_view text);

// text with each character XML 1.0 does not allow, and each byte that does not begin a valid
// UTF-8 sequence, replaced by one U+FFFD. Allowed characters are kept byte for byte.
std::string ToXmlText(std::string_view text);

} // namespace trevix
