#include "XmlReportLoader.h"

#include "CompareLoadUndo.h"
#include "ProductInfo.h"
#include "ReportComparison.h"
#include "XmlReportReading.h"
#include "XmlReportSections.h"
#include "engine/Analyser.h"
#include "engine/SortSettings.h"
#include "engine/base/AtomicFile.h"
#include "engine/base/Text.h"
#include "engine/lists/ListSorting.h"

#include <pugixml.hpp>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <new>
#include <optional>
#include <stdexcept>

namespace trevix {

using xmlreport::LoadCancelled;
using xmlreport::ReportSections;
using xmlreport::Select;
using xmlreport::SelectFirst;
using xmlreport::StopIfCancelled;
using xmlreport::Text;

namespace {

constexpr std::string_view ProcessingError =
    "An error was encountered processing the XML file. It may not be a valid Trevix Report file.";

// The whole file (a pipe too); 0 or the system error number. A Ctrl+C while blocked gives
// EINTR, which the front end reads as the cancel it is; a Cancel between two reads gives
// ECANCELED. Progress and Cancel are looked at every megabyte.
int ReadWholeFile(Analyser& a, const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    const long long size = S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : 0;
    if (size > 0) bytes.reserve(static_cast<size_t>(size));
    char buffer[65536];
    size_t nextLook = 0;
    for (;;) {
        if (bytes.size() >= nextLook) {
            nextLook = bytes.size() + (size_t{1} << 20);
            if (size > 0) a.Host->SetProgress(static_cast<long long>(bytes.size()), size);
            a.Host->ProcessEvents();
            if (a.Host->IsCancelled()) {
                ::close(fd);
                return ECANCELED;
            }
        }
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return 0;
}

std::string ParseFailureReason(const pugi::xml_parse_result& result) {
    std::string reason = result.description();
    switch (result.status) {
    case pugi::status_file_not_found:
    case pugi::status_io_error:
    case pugi::status_out_of_memory:
    case pugi::status_internal_error:
        break;
    default:
        reason += " at offset " + std::to_string(result.offset);
    }
    return reason;
}

} // namespace

// The cells of a report file hold text only: each is read for its number once, here, so
// sorting and showing need not read it again.
static void ReadLoadedNumbers(Analyser& a) {
    for (int n = 1; n <= 16; ++n) ReadCellNumbers(a.Lists[n], a.NumberFormat);
}

bool LoadXMLReport(Analyser& a, const std::string& path, bool compare, bool* cancelled) {
    if (cancelled) *cancelled = false;
    // Stopped before anything changed: the report on screen stays as it is.
    auto stopped = [&] {
        a.Host->ShowProgress(false);
        a.Host->SetStatus("Loading cancelled");
        if (cancelled) *cancelled = true;
        return false;
    };

    pugi::xml_document doc;
    std::string bytes;
    // The bar (and its Cancel) shows from the start: a large file takes a while to read.
    a.Host->ShowProgress(true);
    if (const int error = ReadWholeFile(a, path, bytes); error != 0) {
        if (error == ECANCELED) return stopped();
        a.Host->ShowProgress(false);
        // The system's reason ("Error 13: Permission denied", "Error 21: Is a directory").
        a.Host->ShowMessage(MessageIcon::Critical, ApplicationTitle, "Error: " + path + ": " + SystemErrorText(error));
        return false;
    }
    const pugi::xml_parse_result parsed =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
    std::string().swap(bytes);
    if (!parsed) {
        a.Host->ShowProgress(false);
        a.Host->ShowMessage(MessageIcon::Critical, ApplicationTitle, "Error: " + path + ": " + ParseFailureReason(parsed));
        return false;
    }
    if (a.Host->IsCancelled()) return stopped();

    std::optional<CompareLoadUndo> undo;
    if (compare) {
        SetUpCompareReport(a);
        undo.emplace(a);
    } else {
        a.ClearAllData();
    }
    // Rows stay in file order while loading; the saved sort order is applied at the end.
    for (int n = 1; n <= 16; ++n) a.Lists[n].Sorted = false;

    try {
        a.Lists.State.Shown = true;
        a.Lists.State.OutOfDate = false;
        a.Host->SetStatus("Loading XML Report File (Summary)...");

        // A report of a run without a site profile has an empty Domains section: it loads.
        const pugi::xml_node domainsSection = SelectFirst(doc, "TrevixReport/Domains");
        const std::vector<pugi::xml_node> domains = Select(doc, "TrevixReport/Domains/Domain");
        if (!domainsSection) {
            a.Host->ShowProgress(false);
            a.Host->ShowMessage(MessageIcon::Warning, ApplicationTitle,
                                "Unable to load " + path + " - it does not appear to be a valid Trevix Report file");
            return false;
        }
        SiteProfile site;
        for (pugi::xml_node d : domains) site.Domains.push_back(Text(d));
        site.DifferentDomains = static_cast<bool>(domainsSection.attribute("ShowSeparateDomains"));
        a.CurrentProfile = site;

        ReportSections sections(a, doc, compare);
        sections.LoadReportSummary();
        sections.LoadReportVisitors();
        sections.LoadReportReferrers(site);
        sections.LoadReportSearch();
        sections.LoadReportBrowsers();
        a.Host->ProcessEvents();
        sections.LoadReportFiles();
        sections.LoadReportCountries();
        sections.LoadReportErrors();
        sections.LoadReportConversions();
        StopIfCancelled(a);

        ReadLoadedNumbers(a);
        ApplySortSettings(a.Lists, a.Store, a.NumberFormat);
        if (compare) a.Lists.State.CompareReportLoaded = true;
        a.Host->ShowProgress(false);
        a.Host->SetStatus("Report Loaded");
        return true;
    } catch (const LoadCancelled&) {
        if (undo) {
            undo->Restore(a);
            return stopped();
        }
        // As after a failure: what was read so far stays, and the status says it is a part.
        ReadLoadedNumbers(a);
        a.Host->ShowProgress(false);
        a.Host->SetStatus("Loading cancelled; the report shows only part of the file");
        if (cancelled) *cancelled = true;
        return false;
    } catch (const std::bad_alloc&) {
        // Not a fault of the file: the front end says how far it got.
        a.Host->ShowProgress(false);
        throw;
    } catch (const std::exception&) {
        // What was read so far stays on screen.
        ReadLoadedNumbers(a);
        a.Host->ShowProgress(false);
        a.Host->ShowMessage(MessageIcon::Warning, ApplicationTitle, ProcessingError);
        return false;
    }
}

} // namespace trevix
