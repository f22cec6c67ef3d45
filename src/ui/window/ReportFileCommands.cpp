#include "window/ReportFileCommands.h"

#include "common/Prompter.h"
#include "common/QtText.h"
#include "engine/Analyser.h"
#include "report/CsvExport.h"
#include "report/HtmlReportWriter.h"
#include "report/XmlReportWriter.h"
#include "views/ReportListView.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <new>

namespace trevix::ui {

namespace {

const QString ReportFilter = "Trevix Report XML (*.xml);;All files (*)";
const QString CsvFilter = "CSV files (*.csv)";
const QString HtmlFilter = "HTML files (*.html *.htm)";

// A name typed without an extension gets the filter's; an existing file of that name is not
// replaced unasked (the dialog only asked about the name as typed).
QString WithExtension(QWidget* parent, const QString& title, QString path, const QString& extension) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    path += extension;
    if (QFileInfo::exists(path) &&
        !CurrentPrompter().YesNo(parent, MessageIcon::Warning, title,
                                 QFileInfo(path).fileName() + " already exists.\nDo you want to replace it?",
                                 DefaultAnswer::No))
        return {};
    return path;
}

} // namespace

ReportFileCommands::ReportFileCommands(Analyser& a, QWidget* window) : QObject(window), a_(a), window_(window) {}

QString ReportFileCommands::AskLoadPath(bool compare) const {
    return CurrentPrompter().OpenFile(window_, compare ? "Compare with Report File" : "Load Report",
                                      Q(a_.Options.DefaultXMLFolder), ReportFilter);
}

QString ReportFileCommands::AskSavePath() const {
    return WithExtension(window_, "Save Report",
                         CurrentPrompter().SaveFile(window_, "Save Report", Q(a_.Options.DefaultXMLFolder), ReportFilter),
                         ".xml");
}

bool ReportFileCommands::SaveReport(const QString& path, const QStringList& logFiles) {
    std::vector<std::string> files;
    for (const QString& f : logFiles) files.push_back(Std(f));
    try {
        return SaveXMLReport(a_, Std(path), files);
    } catch (const std::bad_alloc&) {
        ShowSaveError(a_, Std(path), ENOMEM, "Not enough memory");
    }
    return false;
}

bool ReportFileCommands::ExportListAsCsv(const QString& path, ReportListView* view) {
    if (!view) {
        CurrentPrompter().Message(window_, MessageIcon::Information, "Export List as CSV",
                                  "This page shows no list. Bring a page with a list to the front first.");
        return false;
    }
    std::string error;
    if (!WriteListAsCsv(*view->List(), Std(path), error)) {
        CurrentPrompter().Message(window_, MessageIcon::Critical, "Export List as CSV",
                                  "The list could not be exported to " + path + ":\n" + Q(error));
        return false;
    }
    emit StatusText("List exported to " + QFileInfo(path).fileName());
    return true;
}

bool ReportFileCommands::ExportHtmlReport(const QString& path, const QString& siteName) {
    std::string error;
    if (!WriteHtmlReport(a_.Lists, Std(siteName), Std(path), error)) {
        CurrentPrompter().Message(window_, MessageIcon::Critical, "Export HTML Report",
                                  "The report could not be exported to " + path + ":\n" + Q(error));
        return false;
    }
    emit StatusText("Report exported to " + QFileInfo(path).fileName());
    return true;
}

void ReportFileCommands::ExportCsvDialog(ReportListView* view) {
    if (!view) {
        ExportListAsCsv({}, nullptr);   // says why
        return;
    }
    const QString suggested = QDir(Q(a_.Options.DefaultXMLFolder)).filePath(Q(view->List()->Name) + ".csv");
    const QString path = WithExtension(
        window_, "Export List as CSV",
        CurrentPrompter().SaveFile(window_, "Export List as CSV", suggested, CsvFilter), ".csv");
    if (!path.isEmpty()) ExportListAsCsv(path, view);
}

void ReportFileCommands::ExportHtmlDialog(const QString& siteName) {
    const QString suggested = QDir(Q(a_.Options.DefaultXMLFolder)).filePath("report.html");
    const QString path = WithExtension(
        window_, "Export HTML Report",
        CurrentPrompter().SaveFile(window_, "Export HTML Report", suggested, HtmlFilter), ".html");
    if (!path.isEmpty()) ExportHtmlReport(path, siteName);
}

} // namespace trevix::ui
