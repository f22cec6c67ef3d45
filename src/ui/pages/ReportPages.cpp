#include "pages/ReportPages.h"

#include "common/QtText.h"
#include "engine/Analyser.h"
#include "engine/lists/RawLogLines.h"
#include "pages/ChoicePage.h"
#include "pages/ConversionsPage.h"
#include "pages/ListPage.h"
#include "pages/RawLogPage.h"
#include "pages/SummaryPage.h"
#include "views/ReportListView.h"

#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace trevix::ui {

namespace {

struct TabPage {
    const char* Caption;
    const char* Key;
};
constexpr TabPage Tabs[] = {{"Summary", "visitors"},   {"Visitors", "IPs"},       {"Referrers", "referrers"},
                            {"Search Engines", "searchterms"}, {"Browsers", "browsers"}, {"Files", "files"},
                            {"Country", "country"},    {"Errors", "errors"},      {"Conversions", "conversions"},
                            {"Raw Log", "rawlog"}};

// The lists these pages show (the conversion lists belong to the conversions page).
constexpr int PageLists[] = {lstHits,   lstFiles, lstReferrers,  lstBrowsers, lstOS,    lstWebBrowser,
                             lstCountries, lstSearchTerms, lstHour, lstIPs, lstErrors, lstSearchEngines};

} // namespace

ReportPages::ReportPages(Analyser& a, SettingsStore* store, SiteProfileList* profiles,
                         std::function<int()> currentSite, QWidget* parent)
    : QTabWidget(parent), a_(a) {
    setObjectName("TabStrip1");
    setDocumentMode(true);
    auto makeList = [this](int n, QWidget* parent) { return MakeList(n, parent); };
    auto add = [this](QWidget* page, int index) {
        if (page->objectName().isEmpty()) page->setObjectName(QString("frmReportInfo%1").arg(index));
        addTab(page, Tabs[index].Caption);
    };
    auto visitUrl = [this](QPushButton* b, int index) {
        butVisitURL_[static_cast<size_t>(index)] = b;
        connect(b, &QPushButton::clicked, this, [this, index] { emit VisitUrlWanted(index); });
    };

    summary_ = new SummaryPage(makeList, this);
    add(summary_, 0);
    auto* visitors = new ListPage("Visitors:", lstIPs, makeList, "&Details...", "butVisitorReport", this);
    butVisitorReport_ = visitors->Button();
    connect(butVisitorReport_, &QPushButton::clicked, this, &ReportPages::VisitorDetailsWanted);
    add(visitors, 1);
    auto* referrers = new ListPage("Referrers:", lstReferrers, makeList, "&Visit URL", "butVisitURL0", this);
    visitUrl(referrers->Button(), 0);
    add(referrers, 2);
    search_ = new ChoicePage({{"&Keywords", "optKeywords", lstSearchTerms},
                              {"Search &Engine", "optSearchEngine", lstSearchEngines}},
                             makeList, "&Visit URL", "butVisitURL1", 0, this);
    visitUrl(search_->Button(), 1);
    add(search_, 3);
    browsers_ = new ChoicePage({{"Operating Systems", "optOS", lstOS},
                                {"Browsers", "optBrowsers", lstWebBrowser},
                                {"Raw Data", "optRawData", lstBrowsers}},
                               makeList, {}, {}, 0, this);
    add(browsers_, 4);
    auto* files = new ListPage("Files:", lstFiles, makeList, "&Referred by/to...", "butReferredTo", this);
    butReferredTo_ = files->Button();
    connect(butReferredTo_, &QPushButton::clicked, this, &ReportPages::ReferredToWanted);
    add(files, 5);
    add(new ListPage("Countries:", lstCountries, makeList, {}, {}, this), 6);
    auto* errors = new ListPage("Errors", lstErrors, makeList, "&Visit URL", "butVisitURL3", this);
    visitUrl(errors->Button(), 3);
    add(errors, 7);

    pageConversions_ = new QWidget(this);
    pageConversions_->setObjectName("pageConversions");
    auto* l = new QVBoxLayout(pageConversions_);
    l->setContentsMargins(0, 0, 0, 0);
    conversions_ = new ConversionsPage(a, store, pageConversions_);
    l->addWidget(conversions_);
    conversions_->SetProfiles(profiles, std::move(currentSite));
    connect(conversions_, &ConversionsPage::StatusText, this, &ReportPages::StatusText);
    connect(conversions_, &ConversionsPage::PageWanted, this, [this] { ShowPage("conversions"); });
    add(pageConversions_, 8);

    rawLog_ = new RawLogPage(this);
    connect(rawLog_, &RawLogPage::SearchWanted, this, &ReportPages::RawLogSearchWanted);
    add(rawLog_, 9);

    for (int i = 0; i < count(); ++i) tabBar()->setTabData(i, QString(Tabs[i].Key));
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && QString(Tabs[index].Key) == "conversions")
            emit HelpText("Click the Files tab, then right-click a file and select 'Show Conversion Report' to "
                          "show the conversion report for that file.");
    });
}

ReportListView* ReportPages::MakeList(int n, QWidget* parent) {
    auto* v = new ReportListView(parent);
    v->Attach(a_, n);
    views_[static_cast<size_t>(n)] = v;
    connect(v, &ReportListView::RowDoubleClicked, this, [this, n](int) { emit ListDoubleClicked(n); });
    connect(v, &ReportListView::ContextMenuRequested, this,
            [this, n](int row, const QPoint& pos) { emit ListContextMenu(n, row, pos); });
    return v;
}

ReportListView* ReportPages::View(int listNum) const {
    return listNum >= 1 && listNum <= 16 ? views_[static_cast<size_t>(listNum)] : nullptr;
}

void ReportPages::LetGo() {
    for (int n : PageLists) views_[static_cast<size_t>(n)]->Attach(a_, -1);
    rawLog_->SetLines(nullptr);
}

void ReportPages::DetachViews() {
    StoreColumnWidths();
    LetGo();   // no list: nothing reads the engine's rows meanwhile
    summary_->ClearCharts();
}

void ReportPages::AttachViews() {
    for (int n : PageLists) {
        ReportListView* v = views_[static_cast<size_t>(n)];
        v->Attach(a_, n);
        v->Reload();
        v->ApplyColumnWidths();
    }
}

void ReportPages::ApplyColumnWidths() {
    for (int n : PageLists) views_[static_cast<size_t>(n)]->ApplyColumnWidths();
}

void ReportPages::StoreColumnWidths() {
    for (int n : PageLists) views_[static_cast<size_t>(n)]->StoreColumnWidths();
}

void ReportPages::ShowLists(const ReportLists& lists, bool rawLog) {
    summary_->ShowLists(lists);
    rawLog_->SetLines(lists.RawLogVisible ? std::make_unique<RawLogLines>(a_.Tables) : nullptr);
    rawLog_->ShowRawLog(rawLog);
}

ReportListView* ReportPages::ListOnScreen() const {
    QWidget* page = currentWidget();
    ReportListView* first = nullptr;
    for (ReportListView* v : page->findChildren<ReportListView*>()) {
        if (!v->isVisibleTo(page) || !v->List()) continue;
        if (v->hasFocus()) return v;
        if (!first) first = v;
    }
    return first;
}

bool ReportPages::SelectRow(int listNum, const QString& text) {
    ReportListView* view = View(listNum);
    if (!view) return false;
    QAbstractItemModel* m = view->model();
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->index(r, 0).data().toString() == text) {
            view->clearSelection();
            view->setCurrentIndex(m->index(r, 0));
            view->selectRow(r);
            view->scrollTo(m->index(r, 0));
            return true;
        }
    return false;
}

void ReportPages::ShowPage(const QString& key) {
    for (int i = 0; i < count(); ++i)
        if (tabBar()->tabData(i).toString() == key) setCurrentIndex(i);
}

QString ReportPages::PageKey(int index) const { return tabBar()->tabData(index).toString(); }

void ReportPages::SetCommandsEnabled(bool enabled) {
    butVisitorReport_->setEnabled(enabled);
    rawLog_->SetSearchEnabled(enabled);
    pageConversions_->setEnabled(enabled);
}

void ReportPages::SetRowButtonsEnabled(bool enabled) {
    butReferredTo_->setEnabled(enabled);
    for (QPushButton* b : butVisitURL_)
        if (b) b->setEnabled(enabled);
}

void ReportPages::RestoreDisplay(SettingsStore& store) {
    summary_->ShowTables(store.GetSetting("Options", "HitsDisplay", "Table") == "Table");
    search_->Choose(store.GetSetting("Options", "SearchDisplay", "Keywords") == "Keywords" ? 0 : 1);
    browsers_->Choose(Q(store.GetSetting("Options", "BrowserDisplay", "1")).trimmed().toInt() - 1);
}

void ReportPages::SaveDisplay(SettingsStore& store) const {
    store.SaveSetting("Options", "HitsDisplay", summary_->TablesShown() ? "Table" : "Graph");
    store.SaveSetting("Options", "SearchDisplay", search_->Chosen() == 0 ? "Keywords" : "Engine");
    store.SaveSetting("Options", "BrowserDisplay", std::to_string(browsers_->Chosen() + 1));
}

} // namespace trevix::ui
