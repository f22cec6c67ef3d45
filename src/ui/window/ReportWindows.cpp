#include "window/ReportWindows.h"

#include "common/QtText.h"
#include "common/VisitUrl.h"
#include "dialogs/DataViewWindow.h"
#include "dialogs/ProcessLogWindow.h"
#include "dialogs/VisitorWindow.h"
#include "engine/Analyser.h"
#include "pages/ConversionsPage.h"
#include "pages/ReportPages.h"
#include "views/ReportListView.h"
#include "window/GuiRunHost.h"
#include "window/WorkGuard.h"

namespace trevix::ui {

ReportWindows::ReportWindows(Analyser& a, SettingsStore* store, ReportPages* pages, WorkGuard& guard,
                             QWidget* window)
    : QObject(window), a_(a), store_(store), pages_(pages), guard_(guard), window_(window) {
    connect(pages_, &ReportPages::ListDoubleClicked, this, [this](int n) {
        if (guard_.Busy()) return;
        if (n == lstReferrers) VisitUrl(0);
        if (n == lstSearchTerms) VisitUrl(1);
        if (n == lstErrors) VisitUrl(3);
        if (n == lstFiles) ReferredTo();
        if (n == lstIPs) VisitorDetails();
    });
    connect(pages_, &ReportPages::VisitUrlWanted, this, &ReportWindows::VisitUrl);
    connect(pages_, &ReportPages::VisitorDetailsWanted, this, &ReportWindows::VisitorDetails);
    connect(pages_, &ReportPages::ReferredToWanted, this, &ReportWindows::ReferredTo);
}

void ReportWindows::VisitorDetails() {
    if (guard_.Busy()) return;
    ShowVisitorReport(a_, store_, pages_->View(lstIPs)->SelectedRows(), window_);
}

void ReportWindows::ReferredTo() {
    if (guard_.Busy()) return;
    if (DataViewWindow* w = ShowReferredByTo(a_, store_, pages_->View(lstFiles)->CurrentRow(), window_))
        connect(w, &DataViewWindow::StatusText, this, &ReportWindows::StatusText, Qt::UniqueConnection);
}

void ReportWindows::VisitUrl(int index) {
    if (guard_.Busy()) return;
    static constexpr int Lists[] = {lstReferrers, lstSearchTerms, -1, lstErrors};
    if (index < 0 || index > 3 || Lists[index] < 0) return;
    ReportListView* view = pages_->View(Lists[index]);
    QString whyNot;
    if (!VisitReportRow(a_, Lists[index], view->CurrentRow(), whyNot) && !whyNot.isEmpty())
        emit StatusText(whyNot);
}

void ReportWindows::ShowConversionReport() {
    if (guard_.Busy()) return;
    const int row = pages_->View(lstFiles)->CurrentRow();
    const ReportList& files = a_.Lists[lstFiles];
    if (row < 0 || static_cast<size_t>(row) >= files.RowCount()) return;
    const QString file = Q(files.Cell(static_cast<size_t>(row), 1));
    guard_.RunGuarded("the conversion report",
                      [this, file] { pages_->Conversions()->ShowConversionReport(file); });
}

void ReportWindows::OpenProcessLog() {
    if (!logWindow_) {
        logWindow_ = new ProcessLogWindow(store_, ShownText(a_.Tables.ErrorLogText), window_);
        logWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    logWindow_->show();
    logWindow_->raise();
}

void ReportWindows::RefreshProcessLog() {
    if (logWindow_) logWindow_->SetText(ShownText(a_.Tables.ErrorLogText));
}

void ReportWindows::LetGo() {
    pages_->Conversions()->LetGo();
    if (VisitorWindow* w = VisitorWindow::Instance()) w->LetGo();
}

void ReportWindows::TakeBack() {
    pages_->Conversions()->Reload();
    if (VisitorWindow* w = VisitorWindow::Instance()) w->TakeBack();
}

void ReportWindows::CloseAll() {
    if (logWindow_) logWindow_->close();
    if (VisitorWindow* w = VisitorWindow::Instance()) w->close();
    if (DataViewWindow* w = DataViewWindow::Instance()) w->close();
}

void ReportWindows::DeleteAll() {
    delete VisitorWindow::Instance();
    delete DataViewWindow::Instance();
    pages_->Conversions()->LetGo();
}

} // namespace trevix::ui
