// Arbitrary bytes as a report file: a plain load, then the same file as a comparison, then
// what was loaded saved again, which must always read back.
#include "engine/Analyser.h"
#include "report/XmlReportLoader.h"
#include "report/XmlReportWriter.h"
#include "FuzzTempFile.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

using namespace trevix;

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = trevix::fuzzing::WriteFuzzFile("report.xml", data, size);

    Analyser a;
    LoadXMLReport(a, path, false);
    LoadXMLReport(a, path, true);

    pugi::xml_document saved;
    BuildXMLReport(a, saved, {});
    std::ostringstream text;
    saved.save(text, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    pugi::xml_document again;
    Check(static_cast<bool>(again.load_string(text.str().c_str())));
    return 0;
}
