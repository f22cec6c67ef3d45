#pragma once
// The File menu's report files: which file to load, compare with or save (asked in the file
// dialogs), the save itself, and the exports of a list as CSV and of the report as HTML, with
// their failures told in message boxes.
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace trevix {
class Analyser;
}

namespace trevix::ui {

class ReportListView;

class ReportFileCommands : public QObject {
    Q_OBJECT
public:
    ReportFileCommands(Analyser& a, QWidget* window);

    // The report file to load or to compare with; empty when the dialog was cancelled.
    QString AskLoadPath(bool compare) const;
    // Where to save the report: ".xml" is added to a name typed without an extension, and an
    // existing file of that name is replaced only when the user agrees. Empty: cancelled.
    QString AskSavePath() const;
    // Saves the report with the log files it was made from; a failure, running out of memory
    // too, is told in a message box.
    bool SaveReport(const QString& path, const QStringList& logFiles);
    // Without a view there is nothing to export, and the message says why.
    bool ExportListAsCsv(const QString& path, ReportListView* view);
    bool ExportHtmlReport(const QString& path, const QString& siteName);
    void ExportCsvDialog(ReportListView* view);
    void ExportHtmlDialog(const QString& siteName);

signals:
    void StatusText(const QString& text);

private:
    Analyser& a_;
    QWidget* window_;
};

} // namespace trevix::ui
