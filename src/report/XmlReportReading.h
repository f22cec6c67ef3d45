#pragma once
// What the parts of a report load share: the errors that end one, the reading of elements,
// attributes and numbers, progress with Cancel over a long section, and row keys.
#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class Analyser;
class ReportList;

namespace xmlreport {

// A report file that parsed but does not hold what a report holds; caught by LoadXMLReport.
class ReportFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user's Cancel, met between two elements; caught by LoadXMLReport.
struct LoadCancelled {};

void StopIfCancelled(Analyser& a);

// The key of a row about to be added: the prefix and the list's new row count.
std::string NextRowKey(const ReportList& list, std::string_view prefix);

// Appends a text to a key with its length first, so no two key lists run together.
void AppendKeyPart(std::string& key, std::string_view part);

// The elements at the end of a slash-separated path of element names, in document order.
std::vector<pugi::xml_node> Select(pugi::xml_node from, std::string_view path);
pugi::xml_node SelectFirst(pugi::xml_node from, std::string_view path);

// A text as the report pages keep it: characters an XML file cannot carry (a character
// reference may still bring them in) are replaced, so the report saves again.
std::string Clean(std::string_view text);

// The element's text: every text and CDATA piece inside it, in document order.
std::string Text(pugi::xml_node element);

// A required attribute's value.
std::string Attr(pugi::xml_node element, const char* name);

// The locale's integer conversion: separators accepted, rounded half to even, 32 bits.
int32_t Integer(const Analyser& a, std::string_view text);

// Progress over the elements of one long section; every 100 elements the window may react.
class SectionProgress {
public:
    SectionProgress(Analyser& a, size_t count);
    void Element(size_t done);

private:
    Analyser& a_;
    long long count_;
};

} // namespace xmlreport
} // namespace trevix
