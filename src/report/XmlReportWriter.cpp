#include "XmlReportWriter.h"

#include "ProductInfo.h"
#include "XmlText.h"
#include "engine/Analyser.h"
#include "engine/base/AtomicFile.h"
#include "engine/parse/FilterValues.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

namespace trevix {

namespace {

// pugixml answers an allocation failure with an empty handle or false, not an exception.
void Require(bool ok) {
    if (!ok) throw std::bad_alloc();
}

// Sets a node's value, replacing what XML cannot carry; the common clean text is not copied.
template <typename Target> void SetSafeValue(Target target, std::string_view value) {
    if (IsXmlText(value)) {
        Require(target.set_value(value.data(), value.size()));
    } else {
        const std::string clean = ToXmlText(value);
        Require(target.set_value(clean.data(), clean.size()));
    }
}

// One element per row of a list: the row's first cell as text, the following cells as the
// attributes named, in order.
void AddListSection(pugi::xml_document& doc, pugi::xml_node section, const char* tag, const ReportList& list,
                    std::initializer_list<const char*> attributes) {
    for (size_t row = 0; row < list.RowCount(); ++row) {
        pugi::xml_node e = AddXMLTag(doc, section, tag, list.Cell(row, 1));
        size_t column = 2;
        for (const char* name : attributes)
            SetXMLAttribute(e, name, list.Cell(row, column++));
    }
}

void AddReferrers(pugi::xml_document& doc, pugi::xml_node root, const AnalysisTables& t) {
    pugi::xml_node section = AddXMLTag(doc, root, "Referrers", {});
    for (uint32_t i = 1; i <= t.ReferrerCount(); ++i) {
        const ReferrerRecord& r = t.Referrers[i];
        pugi::xml_node e = AddXMLTag(doc, section, "Referrer", r.Referrer);
        SetXMLAttribute(e, "ToFile", r.ToFile);
        SetXMLAttribute(e, "Hits", std::to_string(r.Hits));
        if (r.IsSearch) SetXMLAttribute(e, "IsSearch", "1");
    }
}

void AddSearchTerms(pugi::xml_document& doc, pugi::xml_node root, const AnalysisTables& t) {
    pugi::xml_node section = AddXMLTag(doc, root, "SearchTerms", {});
    for (uint32_t i = 1; i <= t.SearchTermCount(); ++i) {
        const SearchTermRow& r = t.SearchTerms[i];
        pugi::xml_node e = AddXMLTag(doc, section, "SearchTerm", r.SearchTerm);
        SetXMLAttribute(e, "id", std::to_string(i));
        SetXMLAttribute(e, "SearchEngine", r.SearchEngine);
        SetXMLAttribute(e, "URL", r.URL);
        SetXMLAttribute(e, "ToFile", r.ToFile);
        SetXMLAttribute(e, "Hits", std::to_string(r.Hits));
    }
}

void AddConversions(pugi::xml_document& doc, pugi::xml_node root, const AnalysisTables& t) {
    static constexpr const char* Kinds[3] = {"Referrers", "SearchTerms", "EntryPages"};
    pugi::xml_node section = AddXMLTag(doc, root, "Conversions", {});
    for (uint32_t r = 1; r <= t.ConversionReportCount(); ++r) {
        const ConversionReport& report = t.ConversionReports[r];
        pugi::xml_node e = AddXMLTag(doc, section, "Report", {});
        AddXMLTag(doc, e, "File", report.File);
        for (int kind = 0; kind < 3; ++kind) {
            pugi::xml_node group = AddXMLTag(doc, e, Kinds[kind], {});
            for (const ConversionSource& s : report.Sources[kind]) {
                pugi::xml_node source = AddXMLTag(doc, group, "Source", s.Source);
                if (kind == 1) {
                    SetXMLAttribute(source, "Query", s.Query);
                    SetXMLAttribute(source, "SearchEngine", s.SearchEngine);
                    SetXMLAttribute(source, "SourceURL", s.SourceURL);
                }
                SetXMLAttribute(source, "Visitors", std::to_string(s.Visitors));
                SetXMLAttribute(source, "Conversions", std::to_string(s.Conversions));
                SetXMLAttribute(source, "PercentConversions", s.PercentConversions);
            }
        }
    }
}

// Streams the document into the temporary file of an atomic replacement, keeping the first
// write error. A reader turns a CR written as it is into a line feed, so every CR of an
// element's text is written as a character reference, except in the summary, whose lines end
// in CR LF by design. (Attribute values get references from pugixml already; the raw format
// adds no line breaks of its own.)
class FileSink : public pugi::xml_writer {
public:
    explicit FileSink(AtomicFile& file) : file_(file) {}
    void write(const void* data, size_t size) override {
        const char* p = static_cast<const char*>(data);
        size_t run = 0;   // start of the bytes not yet passed on
        for (size_t i = 0; i < size; ++i) {
            const char c = p[i];
            if (inTag_) {
                if (c == '>' || c == ' ') {
                    if (tag_ == "Summary") inSummary_ = true;
                    else if (tag_ == "/Summary") inSummary_ = false;
                    inTag_ = false;
                } else if (tag_.size() < 16) {
                    tag_.push_back(c);
                }
            } else if (c == '<') {
                inTag_ = true;
                tag_.clear();
            } else if (c == '\r' && !inSummary_) {
                Put(p + run, i - run);
                Put("&#13;", 5);
                run = i + 1;
            }
        }
        Put(p + run, size - run);
    }
    bool Failed() const { return failed_; }

private:
    void Put(const char* data, size_t size) {
        if (failed_ || size == 0) return;
        std::string ignored;
        failed_ = !file_.Write(std::string_view(data, size), ignored);
    }
    AtomicFile& file_;
    bool failed_ = false;
    bool inTag_ = false;
    bool inSummary_ = false;
    std::string tag_;
};

// Writes the document to file's temporary file; 0 on success, else the system error number.
// Nothing is replaced until the file is committed.
int WriteDocument(const pugi::xml_document& doc, AtomicFile& file) {
    std::string error;
    if (!file.Open(error)) return file.ErrorNumber();
    FileSink sink(file);
    // The declaration node is part of the tree; pugixml must not add one of its own.
    doc.save(sink, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    if (sink.Failed()) return file.ErrorNumber() != 0 ? file.ErrorNumber() : EIO;
    return 0;
}

} // namespace

pugi::xml_node AddXMLTag(pugi::xml_document& oDoc, pugi::xml_node oRoot, const char* tagName,
                         std::string_view tagText) {
    (void)oDoc; // nodes are allocated by the document oRoot belongs to
    pugi::xml_node element = oRoot.append_child(tagName);
    Require(static_cast<bool>(element));
    if (!tagText.empty()) SetSafeValue(element.append_child(pugi::node_pcdata), tagText);
    return element;
}

void SetXMLAttribute(pugi::xml_node element, const char* name, std::string_view value) {
    pugi::xml_attribute attribute = element.append_attribute(name);
    Require(static_cast<bool>(attribute));
    SetSafeValue(attribute, value);
}

void BuildXMLReport(const Analyser& a, pugi::xml_document& doc, const std::vector<std::string>& logFiles) {
    doc.reset();
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    Require(static_cast<bool>(declaration));
    SetXMLAttribute(declaration, "version", "1.0");
    pugi::xml_node root = AddXMLTag(doc, doc, "TrevixReport", {});
    const ReportLists& lists = a.Lists;
    const AnalysisTables& t = a.Tables;

    AddXMLTag(doc, root, "Generator", GeneratorText());

    pugi::xml_node source = AddXMLTag(doc, root, "Source", {});
    for (const std::string& file : logFiles)
        AddXMLTag(doc, source, "LogFile", file);

    pugi::xml_node domains = AddXMLTag(doc, root, "Domains", {});
    for (const std::string& domain : a.CurrentProfile.Domains)
        AddXMLTag(doc, domains, "Domain", domain);
    if (a.CurrentProfile.DifferentDomains) SetXMLAttribute(domains, "ShowSeparateDomains", "1");

    AddXMLTag(doc, root, "Summary", lists.Summary);

    // Only a filtered run has the section, so other reports stay as they were.
    const std::vector<FilterDescription> filters = DescribeFilters(a.Filters);
    if (!filters.empty()) {
        pugi::xml_node section = AddXMLTag(doc, root, "Filters", {});
        for (const FilterDescription& f : filters) {
            pugi::xml_node filter = AddXMLTag(doc, section, "Filter", {});
            SetXMLAttribute(filter, "Field", f.Field);
            SetXMLAttribute(filter, "Op", f.Op);
            SetXMLAttribute(filter, "Value", f.Value);
        }
    }

    pugi::xml_node hits = AddXMLTag(doc, root, "HitsSummary", {});
    AddListSection(doc, hits, "Date", lists[lstHits], {"Hits"});
    AddListSection(doc, hits, "Hour", lists[lstHour], {"Hits"});

    AddListSection(doc, AddXMLTag(doc, root, "Visitors", {}), "Visitor", lists[lstIPs],
                   {"Country", "Referrer", "EntryTime", "EntryPage", "ExitTime", "ExitPage", "TimeSpent",
                    "Requests", "Bytes"});
    AddReferrers(doc, root, t);
    AddListSection(doc, AddXMLTag(doc, root, "SearchEngines", {}), "SearchEngine", lists[lstSearchEngines],
                   {"Hits"});
    AddSearchTerms(doc, root, t);
    AddListSection(doc, AddXMLTag(doc, root, "RawBrowserData", {}), "Data", lists[lstBrowsers],
                   {"Hits", "Percentage"});
    AddListSection(doc, AddXMLTag(doc, root, "WebBrowsers", {}), "Browser", lists[lstWebBrowser],
                   {"Hits", "Percentage"});
    AddListSection(doc, AddXMLTag(doc, root, "OSData", {}), "OS", lists[lstOS], {"Hits", "Percentage"});
    AddListSection(doc, AddXMLTag(doc, root, "Files", {}), "File", lists[lstFiles],
                   {"TotalRequests", "Gets", "Reloads", "Resumes", "Bytes"});
    AddListSection(doc, AddXMLTag(doc, root, "Countries", {}), "Country", lists[lstCountries],
                   {"Hits", "Percentage"});
    AddListSection(doc, AddXMLTag(doc, root, "Errors", {}), "Error", lists[lstErrors],
                   {"Description", "File", "Referrer", "TimeFirst", "TimeLast", "Hits"});
    AddConversions(doc, root, t);
}

void ShowSaveError(Analyser& a, const std::string& saveFile, int errorNumber, std::string_view description) {
    a.Host->ShowMessage(MessageIcon::Critical, ApplicationTitle,
                        "An error occurred while saving the XML report file " + saveFile + "\r\n\r\nError " +
                            std::to_string(errorNumber) + " - " + std::string(description));
    a.Host->SetStatus("Error saving report");
}

bool WriteXMLReport(Analyser& a, AtomicFile& file, const std::vector<std::string>& logFiles) {
    const std::string& saveFile = file.TargetPath();
    a.Host->SetStatus("Generating XML Report File...");
    pugi::xml_document doc;
    try {
        BuildXMLReport(a, doc, logFiles);
    } catch (const std::bad_alloc&) {
        ShowSaveError(a, saveFile, ENOMEM, std::strerror(ENOMEM));
        return false;
    } catch (const std::system_error& e) {
        ShowSaveError(a, saveFile, e.code().value(), e.code().message());
        return false;
    } catch (const std::exception& e) {
        ShowSaveError(a, saveFile, 0, e.what());
        return false;
    }

    a.Host->SetStatus("Saving Report...");
    const int error = WriteDocument(doc, file);
    if (error != 0) {
        ShowSaveError(a, saveFile, error, std::strerror(error));
        return false;
    }
    return true;
}

bool SaveXMLReport(Analyser& a, AtomicFile& file, const std::vector<std::string>& logFiles) {
    if (!WriteXMLReport(a, file, logFiles)) return false;
    std::string ignored;
    if (!file.Commit(ignored)) {
        const int error = file.ErrorNumber() != 0 ? file.ErrorNumber() : EIO;
        ShowSaveError(a, file.TargetPath(), error, std::strerror(error));
        return false;
    }
    a.Host->SetStatus("Report Saved");
    return true;
}

bool SaveXMLReport(Analyser& a, const std::string& saveFile, const std::vector<std::string>& logFiles) {
    AtomicFile file(saveFile);
    return SaveXMLReport(a, file, logFiles);
}

} // namespace trevix
