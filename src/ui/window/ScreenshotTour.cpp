#include "window/ScreenshotTour.h"

#include "dialogs/DataViewWindow.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/ProcessLogWindow.h"
#include "dialogs/VisitorWindow.h"
#include "engine/Analyser.h"
#include "ftp/FtpPanel.h"
#include "pages/RawLogPage.h"
#include "pages/ReportPages.h"
#include "pages/SummaryPage.h"
#include "views/RawLogView.h"
#include "views/ReportChart.h"
#include "views/ReportListView.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QMainWindow>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

namespace trevix::ui {

ScreenshotTour::ScreenshotTour(QMainWindow* window, ReportPages* pages, Analyser& a, SettingsStore& store,
                               const QString& server)
    : window_(window), pages_(pages), a_(a), store_(store), server_(server) {}

QStringList ScreenshotTour::Run(const QString& folder) {
    // The names the manual refers to.
    static const char* PageShots[] = {"summary",   "visitors", "referrers", "search", "browsers",
                                      "files",     "countries", "errors",   "conversions", "rawlog"};
    QStringList written;
    QDir().mkpath(folder);
    auto save = [&](QWidget* w, const QString& name) {
        QCoreApplication::processEvents();
        const QString path = QDir(folder).filePath(name + ".png");
        if (w->grab().save(path)) written << path;
    };
    emit TaskWanted("sites");
    save(window_, "site-panel");
    emit TaskWanted("logfiles");
    save(window_, "logfiles-panel");
    emit TaskWanted("filter");
    save(window_, "filters-panel");
    emit ReportPanelWanted();
    SummaryPage* summary = pages_->Summary();
    const bool tables = summary->TablesShown();
    for (int i = 0; i < pages_->count(); ++i) {
        pages_->setCurrentIndex(i);
        const QString key = pages_->PageKey(i);
        if (key == "visitors") {
            summary->ShowTables(true);
            save(window_, "summary");
            summary->ShowTables(false);
            save(window_, "summary-graphs");
            save(summary->DateChart(), "dates");
            save(summary->HourChart(), "hours");
            summary->ShowTables(tables);
            continue;
        }
        if (key == "rawlog" && a_.Options.ShowRawLog) {
            pages_->RawLog()->SetSearchText("GET");
            pages_->RawLog()->View()->Find("GET", true);
        }
        save(window_, PageShots[i]);
    }
    // The windows the pages open: a few visitors, a page's referrers and links, a conversion
    // report asked for from the files list.
    pages_->ShowPage("IPs");
    ReportListView* ips = pages_->View(lstIPs);
    ips->clearSelection();
    for (int r = 0; r < std::min(3, ips->model()->rowCount()); ++r)
        ips->selectionModel()->select(ips->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    emit VisitorDetailsWanted();
    if (VisitorWindow* w = VisitorWindow::Instance()) {
        w->resize(1060, 600);
        save(w, "visitor");
        w->close();
    }
    pages_->ShowPage("files");
    if (pages_->SelectRow(lstFiles, "/boots/red-trail-13.html") || pages_->SelectRow(lstFiles, "/")) {
        emit ReferredToWanted();
        if (DataViewWindow* w = DataViewWindow::Instance()) {
            w->resize(820, 560);
            save(w, "dataview");
            w->close();
        }
    }
    // A row's menu, drawn over the window where it opens (a menu is a window of its own).
    if (pages_->SelectRow(lstFiles, "/")) {
        ReportListView* files = pages_->View(lstFiles);
        const QRect row = files->visualRect(files->currentIndex());
        emit pages_->ListContextMenu(lstFiles, files->CurrentRow(),
                                     files->viewport()->mapToGlobal(row.center() + QPoint(40, 0)));
        if (auto* menu = window_->findChild<QMenu*>("mnuList"); menu && menu->isVisible()) {
            QCoreApplication::processEvents();
            QPixmap shot = window_->grab();
            QPainter painter(&shot);
            painter.drawPixmap(window_->mapFromGlobal(menu->pos()), menu->grab());
            painter.end();
            const QString path = QDir(folder).filePath("list-menu.png");
            if (shot.save(path)) written << path;
            menu->hide();
        }
    }
    if (pages_->SelectRow(lstFiles, "/cart.php")) {
        emit ConversionReportWanted();
        save(window_, "conversions");
    }
    pages_->ShowPage("visitors");
    if (!a_.Tables.ErrorLogText.empty()) {
        emit ProcessLogWanted();
        if (auto* log = window_->findChild<ProcessLogWindow*>("frmLog")) {
            save(log, "process-log");
            log->close();
        }
    }

    // Every tab of the options dialog, as it opens.
    {
        OptionsDialog dialog(a_, store_, window_);
        dialog.show();
        if (auto* tabs = dialog.findChild<QTabWidget*>("TabStrip1"))
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                save(&dialog, "options-" + tabs->widget(i)->objectName());
            }
        dialog.reject();
    }

    // The FTP panel connected to a server, with a listing and a file selected.
    const QStringList server = server_.split(' ');
    if (server.size() == 5) {
        emit FtpWanted();
        auto* ftp = window_->findChild<FtpPanel*>("FtpPanel");
        if (!ftp) return written;
        QEventLoop loop;
        connect(ftp, &FtpPanel::idle, &loop, &QEventLoop::quit);
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        ftp->findChild<QComboBox*>("txtServer")->setEditText(server[0]);
        ftp->findChild<QLineEdit*>("txtPort")->setText(server[1]);
        ftp->findChild<QLineEdit*>("txtUsername")->setText(server[2]);
        ftp->findChild<QLineEdit*>("txtPassword")->setText(server[3]);
        ftp->findChild<QLineEdit*>("Text1")->setText(server[4]);
        ftp->Connect();
        if (ftp->IsBusy()) loop.exec();
        auto* list = ftp->findChild<QTreeWidget*>("List1");
        for (int i = 0; list && i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == "access.log") {
                list->topLevelItem(i)->setSelected(true);
                emit list->itemClicked(list->topLevelItem(i), 0);
            }
        save(window_, "ftp-panel");
        ftp->ClosePanel();
        if (ftp->IsBusy()) loop.exec();
    }
    return written;
}

} // namespace trevix::ui
