#include "dialogs/OptionsDialog.h"

#include "common/DialogButtons.h"
#include "common/Prompter.h"
#include "common/QtText.h"
#include "common/Twips.h"
#include "config/DataFolder.h"
#include "config/Options.h"
#include "config/QtSettingsStore.h"
#include "config/RecentLists.h"
#include "config/ReferenceDataLoader.h"
#include "engine/Analyser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

namespace trevix::ui {

namespace {

// The fields are 16-bit: larger numbers are clamped to this.
constexpr int LargestBound = 32767;

// A number as a user may type it: blanks around it, the user's or the C locale's form.
std::optional<double> ReadNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    double v = QLocale().toDouble(t, &ok);
    if (!ok) v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

// One step up or down from what the box holds, kept within 0..32767.
void Step(QLineEdit* box, int step) {
    const double now = ReadNumber(box->text()).value_or(0);
    box->setText(QString::number(std::lround(std::clamp(now + step, 0.0, double(LargestBound)))));
}

// A number box that also steps with the Up and Down keys, as its up-down buddy does.
class NumberBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
            Step(this, event->key() == Qt::Key_Up ? 1 : -1);
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

// The up-down buddy of a number box.
QWidget* MakeUpDown(QWidget* parent, const char* name, QLineEdit* box) {
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    auto* column = new QVBoxLayout(w);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (int step : {1, -1}) {
        auto* b = new QToolButton(w);
        b->setObjectName(step > 0 ? "up" : "down");
        b->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFixedHeight(box->sizeHint().height() / 2);
        b->setFocusPolicy(Qt::NoFocus);
        QObject::connect(b, &QToolButton::clicked, box, [box, step] { Step(box, step); });
        column->addWidget(b);
    }
    return w;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, bool on) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setChecked(on);
    return c;
}

struct ListTexts {
    const char* column;
    const char* note;
    const char* addPrompt, *addTitle, *editPrompt, *editTitle, *defaultsText, *defaultsTitle;
};

const ListTexts& TextsOf(int item) {
    static const ListTexts graphics{
        "File Extension",
        "List of file extensions which are not pages on your site - e.g. graphics and style sheets.",
        "Please enter the file extension to add:", "Add Graphic File Extension",
        "Please enter the file extension:", "Edit File Extension",
        "Do you want to discard this File Extensions list and load the Trevix defaults?",
        "Load Default File Extensions List"};
    static const ListTexts sessions{
        "Session ID URL Prefix", nullptr,
        "Please enter the session ID prefix to add:", "Add Session ID Prefix",
        "Please enter the session ID prefix:", "Edit Session ID Prefix",
        "Do you want to discard this Session ID prefix list and load the Trevix defaults?",
        "Load Default Session ID Prefix List"};
    return item == 2 ? graphics : sessions;
}

std::vector<std::string>& InMemory(Analyser& a, int item) {
    return item == 2 ? a.Reference.GraphicExtensions : a.Reference.SessionIDPrefixes;
}

} // namespace

OptionsDialog::OptionsDialog(Analyser& a, SettingsStore& store, QWidget* parent)
    : QDialog(parent), a_(a), store_(store), dataFolder_(FindDataFolder()), chosen_(a.Options) {
    setObjectName("frmOptions");
    setWindowTitle("Options");
    setModal(true);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("TabStrip1");
    tabs->addTab(BuildPreferences(), "Preferences");
    tabs->addTab(BuildLogsAndReports(), "Logs and Reports");
    tabs->addTab(BuildList(2), "File Types");
    tabs->addTab(BuildList(3), "Session IDs");
    tabs->setCurrentIndex(0);

    auto* buttons = MakeOkCancelButtons(this).Box;
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    Populate(2);
    Populate(3);
}

QWidget* OptionsDialog::BuildPreferences() {
    const ProgramOptions& o = a_.Options;
    auto* page = new QWidget;
    page->setObjectName("preferences");
    auto* grid = new QGridLayout(page);
    maxFiles_ = new NumberBox(QString::number(o.MaxRecentFiles), page);
    maxFiles_->setObjectName("txtMaxFiles");
    maxFilters_ = new NumberBox(QString::number(o.MaxRecentFilters), page);
    maxFilters_->setObjectName("txtMaxFilters");
    int row = 0;
    for (auto [box, caption, upDown] : {std::tuple{maxFiles_, "Maximum number of recently-used &log files in list:", "udMaxFiles"},
                                        std::tuple{maxFilters_, "Maximum number of recently-used &filters in list:", "udMaxFilters"}}) {
        auto* label = new QLabel(caption, page);
        label->setBuddy(box);
        box->setMaxLength(6);
        box->setFixedWidth(TwipsToPixels(700, page));
        grid->addWidget(label, row, 0);
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(box);
        pair->addWidget(MakeUpDown(page, upDown, box));
        pair->addStretch();
        grid->addLayout(pair, row, 1);
        ++row;
    }
    hideSearchEngines_ = Check(page, "chkHideSearchEngines", "&Hide known search engines from the Referrers list", o.HideSearchEngines);
    grid->addWidget(hideSearchEngines_, row++, 0, 1, 2);
    auto* note = new QLabel("(you'll still be able to see these referrers as Keywords on the Search Engines tab)", page);
    note->setWordWrap(true);
    note->setContentsMargins(TwipsToPixels(300, page), 0, 0, 0);
    grid->addWidget(note, row++, 0, 1, 2);
    analyseCountries_ = Check(page, "chkAnalyseCountries", "Generate &country report (turn off for faster processing)", o.AnalyseCountries);
    grid->addWidget(analyseCountries_, row++, 0, 1, 2);
    countryInfo_ = Check(page, "chkCountryInfo", "Warn me about this in the Help pane", o.CountryInfo);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(TwipsToPixels(300, page));
    indented->addWidget(countryInfo_);
    grid->addLayout(indented, row++, 0, 1, 2);
    showRawLog_ = Check(page, "chkShowRawLog", "Show raw log file (turn off for faster processing)", o.ShowRawLog);
    grid->addWidget(showRawLog_, row++, 0, 1, 2);
    convertTimes_ = Check(page, "chkConvertTimes", "Convert times to local time", o.ConvertTimes);
    grid->addWidget(convertTimes_, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget* OptionsDialog::BuildLogsAndReports() {
    const ProgramOptions& o = a_.Options;
    auto* page = new QWidget;
    page->setObjectName("downloads");
    auto* layout = new QVBoxLayout(page);
    const char* captions[2] = {"&Default folder for downloaded log files:", "Default folder for saved XML report files:"};
    const std::string* values[2] = {&o.DefaultDownloadFolder, &o.DefaultXMLFolder};
    for (int i = 0; i < 2; ++i) {
        folders_[i] = new QLineEdit(Q(*values[i]), page);
        folders_[i]->setObjectName(QString("txtDefaultDownloadFolder%1").arg(i));
        auto* label = new QLabel(captions[i], page);
        label->setBuddy(folders_[i]);
        auto* browse = new QPushButton("&Browse...", page);
        browse->setObjectName(QString("butBrowse%1").arg(i));
        connect(browse, &QPushButton::clicked, this, [this, i] { Browse(i); });
        layout->addWidget(label);
        auto* line = new QHBoxLayout;
        line->addWidget(folders_[i], 1);
        line->addWidget(browse);
        layout->addLayout(line);
    }
    ftpRename_ = Check(page, "chkFTPRename", "&Rename downloaded log files using File Name Template", o.FTPRename);
    layout->addWidget(ftpRename_);
    auto* templateLine = new QHBoxLayout;
    auto* templateLabel = new QLabel("File name template:", page);
    template_ = new QLineEdit(Q(o.RenameTemplate), page);
    template_->setObjectName("txtTemplate");
    templateLabel->setBuddy(template_);
    templateLine->addSpacing(TwipsToPixels(300, page));
    templateLine->addWidget(templateLabel);
    templateLine->addWidget(template_, 1);
    layout->addLayout(templateLine);
    auto* legend = new QGridLayout;
    legend->setContentsMargins(TwipsToPixels(600, page), 0, 0, 0);
    const char* legendRows[3][2] = {{"%f", "Original log file name"}, {"%s", "Site profile name"}, {"%d", "Download date"}};
    for (int r = 0; r < 3; ++r) {
        legend->addWidget(new QLabel(legendRows[r][0], page), r, 0);
        legend->addWidget(new QLabel(legendRows[r][1], page), r, 1);
    }
    legend->setColumnStretch(1, 1);
    layout->addLayout(legend);
    autoReport_ = Check(page, "chkAutoReport", "Automatically generate XML report file", o.AutoReport);
    layout->addWidget(autoReport_);

    auto* caLabel = new QLabel("Certificate authority file for FTPS (optional):", page);
    caFile_ = new QLineEdit(Q(o.FTPCAFile), page);
    caFile_->setObjectName("txtFTPCAFile");
    caLabel->setBuddy(caFile_);
    auto* caBrowse = new QPushButton("&Browse...", page);
    caBrowse->setObjectName("butBrowseCAFile");
    connect(caBrowse, &QPushButton::clicked, this, &OptionsDialog::BrowseCAFile);
    layout->addWidget(caLabel);
    auto* caLine = new QHBoxLayout;
    caLine->addWidget(caFile_, 1);
    caLine->addWidget(caBrowse);
    layout->addLayout(caLine);
    layout->addStretch();
    return page;
}

QWidget* OptionsDialog::BuildList(int item) {
    const ListTexts& texts = TextsOf(item);
    auto* page = new QWidget;
    page->setObjectName(item == 2 ? "filetypes" : "sessionids");
    auto* layout = new QVBoxLayout(page);
    if (item == 3) {
        mergeSessions_ = Check(page, "chkMergeSessions", "Ignore session IDs in URLs (e.g. for phpBB):", a_.Options.MergeSessions);
        layout->addWidget(mergeSessions_);
    }
    auto* list = new QTreeWidget(page);
    list->setObjectName(item == 2 ? "lstGraphics" : "lstSessionID");
    list->setHeaderLabels({texts.column});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    if (item == 3) list->setColumnWidth(0, TwipsToPixels(3000, page));
    lists_[item] = list;
    auto* row = new QHBoxLayout;
    row->addWidget(list, 1);
    auto* buttons = new QVBoxLayout;
    const std::pair<const char*, const char*> captions[4] = {
        {"&Add", "butAdd"}, {"&Edit", "butEdit"}, {"&Remove", "butRemove"}, {"Load Defaults", "butLoadDefaults"}};
    for (int b = 0; b < 4; ++b) {
        auto* button = new QPushButton(captions[b].first, page);
        button->setObjectName(QString("%1%2").arg(captions[b].second).arg(item));
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, item, b] {
            switch (b) {
            case 0: AddRow(item); break;
            case 1: EditRow(item); break;
            case 2: RemoveRow(item); break;
            default: LoadDefaults(item); break;
            }
        });
    }
    buttons->addStretch();
    row->addLayout(buttons);
    layout->addLayout(row, 1);
    if (texts.note) {
        auto* note = new QLabel(texts.note, page);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    return page;
}

void OptionsDialog::Populate(int item) {
    QTreeWidget* list = lists_[item];
    list->clear();
    const std::vector<std::string>& entries = InMemory(a_, item);
    for (size_t i = 1; i < entries.size(); ++i) list->addTopLevelItem(new QTreeWidgetItem(QStringList{Q(entries[i])}));
}

void OptionsDialog::AddRow(int item) {
    const ListTexts& texts = TextsOf(item);
    std::optional<QString> answer = CurrentPrompter().Text(this, texts.addTitle, texts.addPrompt, {});
    if (!answer || answer->isEmpty()) return;
    auto* row = new QTreeWidgetItem(QStringList{*answer});
    lists_[item]->addTopLevelItem(row);
    lists_[item]->setCurrentItem(row);
}

void OptionsDialog::EditRow(int item) {
    QTreeWidgetItem* row = lists_[item]->currentItem();
    if (!row || !row->isSelected()) return;
    const ListTexts& texts = TextsOf(item);
    std::optional<QString> answer = CurrentPrompter().Text(this, texts.editTitle, texts.editPrompt, row->text(0));
    if (answer && !answer->isEmpty()) row->setText(0, *answer);
}

void OptionsDialog::RemoveRow(int item) {
    QTreeWidgetItem* row = lists_[item]->currentItem();
    if (!row || !row->isSelected()) return;
    delete row;
}

void OptionsDialog::LoadDefaults(int item) {
    const ListTexts& texts = TextsOf(item);
    if (!CurrentPrompter().YesNo(this, MessageIcon::Question, texts.defaultsTitle, texts.defaultsText,
                                 DefaultAnswer::No))
        return;
    // In use at once, stored only by OK.
    if (item == 2) {
        ReadGraphicsFile(a_.Reference, *a_.Host, dataFolder_);
        a_.Reference.IndexGraphicExtensions();
    } else {
        ReadSessionIDFile(a_.Reference, *a_.Host, dataFolder_);
        a_.Reference.IndexSessionIDPrefixes();
    }
    Populate(item);
}

void OptionsDialog::Browse(int item) {
    const QString prompt = item == 0 ? "Please select which folder Trevix should save downloaded log files to:"
                                     : "Please select which folder Trevix should save XML report files to:";
    const QString folder = CurrentPrompter().Folder(this, prompt, folders_[item]->text());
    if (!folder.isEmpty()) folders_[item]->setText(folder);
}

void OptionsDialog::BrowseCAFile() {
    const QString file = CurrentPrompter().OpenFile(this, "Certificate Authority File", caFile_->text(),
                                                    "Certificates (*.pem *.crt *.cer);;All files (*)");
    if (!file.isEmpty()) caFile_->setText(file);
}

bool OptionsDialog::ReadBound(QLineEdit* box, const char* notNumber, const char* negative, int16_t& value) {
    std::optional<double> v = ReadNumber(box->text());
    const char* problem = !v ? notNumber : *v < 0 ? negative : nullptr;
    if (problem) {
        CurrentPrompter().Message(this, MessageIcon::Warning, "Trevix", problem);
        box->setFocus();
        box->selectAll();
        return false;
    }
    value = static_cast<int16_t>(std::min<long>(std::lround(*v), LargestBound));
    return true;
}

void OptionsDialog::accept() {
    ProgramOptions o = a_.Options;
    if (!ReadBound(maxFiles_, "Maximum number of files must be a number.",
                   "Cannot set maximum number of files to less than 0.", o.MaxRecentFiles))
        return;
    if (!ReadBound(maxFilters_, "Maximum number of filters must be a number.",
                   "Cannot set maximum number of filters to less than 0.", o.MaxRecentFilters))
        return;
    o.DefaultDownloadFolder = folders_[0]->text().toStdString();
    o.DefaultXMLFolder = folders_[1]->text().toStdString();
    o.RenameTemplate = template_->text().toStdString();
    o.FTPCAFile = caFile_->text().trimmed().toStdString();
    o.HideSearchEngines = hideSearchEngines_->isChecked();
    o.AnalyseCountries = analyseCountries_->isChecked();
    o.CountryInfo = countryInfo_->isChecked();
    o.ShowRawLog = showRawLog_->isChecked();
    o.ConvertTimes = convertTimes_->isChecked();
    o.FTPRename = ftpRename_->isChecked();
    o.AutoReport = autoReport_->isChecked();
    o.MergeSessions = mergeSessions_->isChecked();
    chosen_ = o;

    for (int item : {2, 3}) {
        std::vector<std::string>& entries = InMemory(a_, item);
        entries.assign(1, std::string());
        for (int r = 0; r < lists_[item]->topLevelItemCount(); ++r)
            entries.push_back(lists_[item]->topLevelItem(r)->text(0).toStdString());
    }
    a_.Reference.IndexGraphicExtensions();
    a_.Reference.IndexSessionIDPrefixes();
    SaveGraphicExtensions(store_, a_.Reference);
    SaveSessionIDPrefixes(store_, a_.Reference);

    cancelled_ = false;
    QDialog::accept();
}

void OptionsDialog::reject() {
    cancelled_ = true;
    QDialog::reject();
}

void FinishOptions(Analyser& a, SettingsStore& store, RecentLists& recent, const OptionsDialog& dialog,
                   OptionsOutcome& out, const std::function<bool()>& loadCountryData) {
    const ProgramOptions before = a.Options;
    out.Confirmed = !dialog.Cancelled();
    if (out.Confirmed) {
        a.Options = dialog.Chosen();
        if (a.Options.AnalyseCountries && !a.Reference.CountriesLoaded && loadCountryData) {
            loadCountryData();
            out.CountryDataLoaded = true;
        }
        ResizeRecentLists(store, a.Options, recent, before.MaxRecentFiles, before.MaxRecentFilters);
        SaveOptions(store, a.Options);
        if (auto* qt = dynamic_cast<QtSettingsStore*>(&store)) qt->Sync();
    }
    if ((!before.AnalyseCountries && a.Options.AnalyseCountries) || (!before.ShowRawLog && a.Options.ShowRawLog)) {
        a.Lists.State.OutOfDate = true;
        out.ReportOutOfDate = true;
    }
    out.RefreshHelpText = true;
    out.RefreshRawLog = true;
}

bool RunOptionsDialog(Analyser& a, SettingsStore& store, RecentLists& recent, QWidget* parent,
                      OptionsOutcome& out, const std::function<bool()>& loadCountryData) {
    OptionsDialog dialog(a, store, parent);
    dialog.exec();
    FinishOptions(a, store, recent, dialog, out, loadCountryData);
    return out.Confirmed;
}

} // namespace trevix::ui
