#pragma once
// Saving the report on screen as an XML report file: root TrevixReport, its sixteen sections
// in a fixed order, always present, no whitespace between elements.
#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class Analyser;
class AtomicFile;

// Creates the element tagName, gives it tagText as its text unless that is empty (an empty
// element has no text node), and appends it as the last child of oRoot. Every element of a
// report is made here. Characters XML 1.0 cannot carry are replaced (XmlText.h). Throws
// std::bad_alloc when the document cannot grow.
pugi::xml_node AddXMLTag(pugi::xml_document& oDoc, pugi::xml_node oRoot, const char* tagName,
                         std::string_view tagText);

// Sets an attribute (added after those already there) with the same replacement as above.
void SetXMLAttribute(pugi::xml_node element, const char* name, std::string_view value);

// Builds the whole report document from the report lists and tables into doc (emptied
// first). logFiles are the analysed log files as listed, for the Source section.
void BuildXMLReport(const Analyser& a, pugi::xml_document& doc, const std::vector<std::string>& logFiles);

// Writes the report to saveFile, replacing an existing file. Status texts "Generating XML
// Report File...", "Saving Report...", then "Report Saved". On any failure the user gets
// the save-error message, the status becomes "Error saving report" and the result is false.
bool SaveXMLReport(Analyser& a, const std::string& saveFile, const std::vector<std::string>& logFiles = {});
// The same for a file the caller set up (AtomicFile::RequirePlainFile, say).
bool SaveXMLReport(Analyser& a, AtomicFile& file, const std::vector<std::string>& logFiles);
// Builds the report and writes it to file's temporary file, leaving the commit to the caller
// (a group of files replaced together). Failures are shown as SaveXMLReport shows them.
bool WriteXMLReport(Analyser& a, AtomicFile& file, const std::vector<std::string>& logFiles);

// The save-error message ("An error occurred while saving the XML report file " ...) for
// the system error number errorNumber, and the status "Error saving report".
void ShowSaveError(Analyser& a, const std::string& saveFile, int errorNumber, std::string_view description);

} // namespace trevix
