#include "panels/FilterPanel.h"

#include "common/Prompter.h"
#include "common/QtText.h"
#include "config/RecentLists.h"
#include "engine/EntryFilters.h"
#include "engine/base/DateTime.h"
#include "engine/parse/FilterValues.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevix::ui {

FilterPanel::FilterPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("frameFilter");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Filter for entries where:", this));
    auto* grid = new QGridLayout;
    auto containCombo = [&](int i) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString("lstContain%1").arg(i));
        c->addItems({"contains", "doesn't contain"});
        // A requested file can also be named whole, as a row of the Files list names it.
        if (i == 1) c->addItems({"is", "is not"});
        lstContain_[static_cast<size_t>(i)] = c;
        connect(c, &QComboBox::activated, this, [this] { emit Changed(false); });
        auto* t = new QComboBox(this);
        t->setObjectName(QString("txtFilterText%1").arg(i));
        t->setEditable(true);
        t->setInsertPolicy(QComboBox::NoInsert);
        t->setMinimumContentsLength(20);
        txtFilterText_[static_cast<size_t>(i)] = t;
        connect(t, &QComboBox::activated, this, [this] { emit Changed(false); });
        connect(t->lineEdit(), &QLineEdit::textEdited, this, [this] { emit Changed(false); });
    };
    chkFilterLogText_ = new QCheckBox("Raw log text:", this);
    chkFilterLogText_->setObjectName("chkFilterLogText");
    chkFilterFile_ = new QCheckBox("Requested File:", this);
    chkFilterFile_->setObjectName("chkFilterFile");
    chkFilterDate_ = new QCheckBox("Date:", this);
    chkFilterDate_->setObjectName("chkFilterDate");
    containCombo(0);
    containCombo(1);
    grid->addWidget(chkFilterLogText_, 0, 0);
    grid->addWidget(lstContain_[0], 0, 1);
    grid->addWidget(txtFilterText_[0], 0, 2, 1, 3);
    grid->addWidget(chkFilterFile_, 1, 0);
    grid->addWidget(lstContain_[1], 1, 1);
    grid->addWidget(txtFilterText_[1], 1, 2, 1, 3);

    lstIs_ = new QComboBox(this);
    lstIs_->setObjectName("lstIs");
    lstIs_->addItems({"is", "is not"});
    lstEqualBetween_ = new QComboBox(this);
    lstEqualBetween_->setObjectName("lstEqualBetween");
    lstEqualBetween_->addItems({"equal to", "between"});
    for (int i = 0; i < 2; ++i) {
        auto* d = new QDateEdit(QDate::currentDate(), this);
        d->setObjectName(QString("dtpDate%1").arg(i));
        d->setCalendarPopup(true);
        d->setDisplayFormat("yyyy-MM-dd");
        dtpDate_[static_cast<size_t>(i)] = d;
        connect(d, &QDateEdit::dateChanged, this, [this] {
            if (!quiet_) emit Changed(false);
        });
        // A range is checked when its editing is over, not at every keystroke of a date.
        connect(d, &QDateEdit::editingFinished, this, [this] { DateOrderOk(false); });
        if (d->calendarWidget())
            connect(d->calendarWidget(), &QCalendarWidget::clicked, this, [this] { DateOrderOk(false); });
    }
    lblAnd_ = new QLabel("and", this);
    lblAnd_->setObjectName("lblAnd");
    grid->addWidget(chkFilterDate_, 2, 0);
    grid->addWidget(lstIs_, 2, 1);
    grid->addWidget(lstEqualBetween_, 2, 2);
    grid->addWidget(dtpDate_[0], 3, 2);
    grid->addWidget(lblAnd_, 3, 3);
    grid->addWidget(dtpDate_[1], 3, 4);

    values_ = {ValueFilter{"status", "&Status:"}, ValueFilter{"address", "Client a&ddress:"},
               ValueFilter{"referrer", "&Referrer:"}, ValueFilter{"agent", "User a&gent:"},
               ValueFilter{"country", "Co&untry:"}};
    const char* names[] = {"Status", "Address", "Referrer", "Agent", "Country"};
    for (int i = 0; i < ValueRows; ++i) {
        ValueFilter& v = values_[static_cast<size_t>(i)];
        v.Check = new QCheckBox(v.Caption, this);
        v.Check->setObjectName(QString("chkFilter%1").arg(names[i]));
        v.Op = new QComboBox(this);
        v.Op->setObjectName(QString("cboFilter%1Op").arg(names[i]));
        const bool text = i == ReferrerRow || i == AgentRow;
        v.Op->addItems(text ? QStringList{"contains", "doesn't contain"} : QStringList{"is", "is not"});
        v.Value = new QComboBox(this);
        v.Value->setObjectName(QString("cboFilter%1").arg(names[i]));
        v.Value->setEditable(true);
        v.Value->setInsertPolicy(QComboBox::NoInsert);
        v.Value->setMinimumContentsLength(20);
        v.Check->setToolTip(i == StatusRow    ? "A code, a class or a list: 404, 4xx, 301,302"
                            : i == AddressRow ? "An address, a range such as 10.0.0.0/8, or a host name"
                            : i == CountryRow ? "A two-letter country code, such as fr"
                                              : QString());
        v.Value->setToolTip(v.Check->toolTip());
        grid->addWidget(v.Check, 4 + i, 0);
        grid->addWidget(v.Op, 4 + i, 1);
        grid->addWidget(v.Value, 4 + i, 2, 1, 3);
        connect(v.Check, &QCheckBox::clicked, this, [this] { emit Changed(true); });
        connect(v.Op, &QComboBox::activated, this, [this] { emit Changed(false); });
        connect(v.Value, &QComboBox::activated, this, [this] { emit Changed(false); });
        connect(v.Value->lineEdit(), &QLineEdit::textEdited, this, [this] { emit Changed(false); });
    }
    auto* onlyLabel = new QLabel("Re&quests:", this);
    cboFilterOnly_ = new QComboBox(this);
    cboFilterOnly_->setObjectName("cboFilterOnly");
    cboFilterOnly_->addItems({"All requests", "People only", "Spiders only"});
    onlyLabel->setBuddy(cboFilterOnly_);
    grid->addWidget(onlyLabel, 4 + ValueRows, 0);
    grid->addWidget(cboFilterOnly_, 4 + ValueRows, 1, 1, 2);
    connect(cboFilterOnly_, &QComboBox::activated, this, [this] { emit Changed(true); });
    grid->setColumnStretch(5, 1);
    layout->addLayout(grid);

    for (QCheckBox* c : {chkFilterLogText_, chkFilterFile_, chkFilterDate_})
        connect(c, &QCheckBox::clicked, this, [this] { emit Changed(true); });
    connect(lstEqualBetween_, &QComboBox::activated, this, [this] { emit Changed(true); });
    connect(lstIs_, &QComboBox::activated, this, [this] { emit Changed(false); });

    auto* clearRow = new QHBoxLayout;
    butClearFilters_ = new QPushButton("C&lear", this);
    butClearFilters_->setObjectName("butClearFilters");
    connect(butClearFilters_, &QPushButton::clicked, this, [this] {
        Clear();
        emit Changed(true);
    });
    clearRow->addWidget(butClearFilters_);
    clearRow->addStretch(1);
    layout->addLayout(clearRow);
    layout->addStretch(1);
}

void FilterPanel::Clear() {
    ++quiet_;
    for (QCheckBox* c : {chkFilterLogText_, chkFilterFile_, chkFilterDate_}) c->setChecked(false);
    for (QComboBox* t : txtFilterText_) t->setEditText(QString());
    for (QComboBox* c : {lstContain_[0], lstContain_[1], lstIs_, lstEqualBetween_}) c->setCurrentIndex(0);
    for (QDateEdit* d : dtpDate_) d->setDate(QDate::currentDate());
    for (ValueFilter& v : values_) {
        v.Check->setChecked(false);
        v.Op->setCurrentIndex(0);
        v.Value->setEditText(QString());
    }
    cboFilterOnly_->setCurrentIndex(0);
    --quiet_;
    DatePickersToLogDates();
    UpdateControls();
}

void FilterPanel::UpdateControls() {
    const bool text = chkFilterLogText_->isChecked(), file = chkFilterFile_->isChecked();
    const bool date = chkFilterDate_->isChecked(), between = lstEqualBetween_->currentIndex() == 1;
    lstContain_[0]->setEnabled(text);
    txtFilterText_[0]->setEnabled(text);
    lstContain_[1]->setEnabled(file);
    txtFilterText_[1]->setEnabled(file);
    lstIs_->setEnabled(date);
    lstEqualBetween_->setEnabled(date);
    dtpDate_[0]->setEnabled(date);
    dtpDate_[1]->setEnabled(date && between);
    lblAnd_->setEnabled(date && between);
    for (ValueFilter& v : values_) {
        v.Op->setEnabled(v.Check->isChecked());
        v.Value->setEnabled(v.Check->isChecked());
    }
    dtpDate_[0]->setVisible(dtpDate_[0]->isEnabled());
    dtpDate_[1]->setVisible(dtpDate_[1]->isEnabled());
    lblAnd_->setVisible(dtpDate_[1]->isEnabled());
}

bool FilterPanel::DateOrderOk(bool always) {
    if (!chkFilterDate_->isChecked() || !dtpDate_[1]->isEnabled()) return true;
    const std::pair<QDate, QDate> dates{dtpDate_[0]->date(), dtpDate_[1]->date()};
    if (dates.first <= dates.second) return true;
    if (always || dates != warnedDates_)
        CurrentPrompter().Message(window(), MessageIcon::Warning, "Trevix",
                                  "First date should be earlier than second date");
    warnedDates_ = dates;
    return false;
}

void FilterPanel::SetLogDates(const QDate& first, const QDate& last) {
    firstLogDate_ = first;
    lastLogDate_ = last;
    DatePickersToLogDates();
}

void FilterPanel::DatePickersToLogDates() {
    // Dates the user chose for a filter in use stay as they are.
    if (chkFilterDate_->isChecked() || !firstLogDate_.isValid() || !lastLogDate_.isValid()) return;
    ++quiet_;
    dtpDate_[0]->setDate(firstLogDate_);
    dtpDate_[1]->setDate(lastLogDate_);
    --quiet_;
}

bool FilterPanel::UsesCountry() const { return values_[CountryRow].Check->isChecked(); }

bool FilterPanel::ValuesOk(const ReferenceData& ref) {
    for (ValueFilter& v : values_) {
        if (!v.Check->isChecked()) continue;
        EntryFilters probe;
        std::string error;
        const FilterDescription d{v.Field, Std(v.Op->currentText()), Std(v.Value->currentText())};
        if (ApplyFilterDescription(probe, d, ref, error)) continue;
        QString caption = QString(v.Caption).remove('&');
        caption.chop(1);   // the colon
        CurrentPrompter().Message(window(), MessageIcon::Warning, "Trevix",
                                  QString("%1 filter: %2").arg(caption, Q(error)));
        v.Value->setFocus();
        return false;
    }
    return true;
}

void FilterPanel::ReadInto(EntryFilters& f, const ReferenceData& ref) const {
    f.LogTextOn = chkFilterLogText_->isChecked();
    f.LogTextContains = lstContain_[0]->currentIndex() == 0;
    f.LogText = Std(txtFilterText_[0]->currentText());
    f.FileOn = chkFilterFile_->isChecked();
    f.FileContains = lstContain_[1]->currentIndex() % 2 == 0;
    f.FileExact = lstContain_[1]->currentIndex() >= 2;
    f.FileText = Std(txtFilterText_[1]->currentText());
    f.DateOn = chkFilterDate_->isChecked();
    f.DateIs = lstIs_->currentIndex() == 0;
    f.DateBetween = lstEqualBetween_->currentIndex() == 1;
    auto day = [](const QDate& d) {
        return DateTime::FromCivil(d.year(), d.month(), d.day()).value_or(DateTime());
    };
    f.Date1 = day(dtpDate_[0]->date());
    f.Date2 = day(dtpDate_[1]->date());
    f.StatusOn = f.AddressOn = f.ReferrerOn = f.AgentOn = f.CountryOn = false;
    for (const ValueFilter& v : values_) {
        if (!v.Check->isChecked()) continue;
        std::string error;
        ApplyFilterDescription(f, {v.Field, Std(v.Op->currentText()), Std(v.Value->currentText())}, ref, error);
    }
    f.Only = static_cast<OnlyRequests>(cboFilterOnly_->currentIndex());
}

void FilterPanel::FillRecent(const RecentLists& recent, bool all) {
    // Refilling a box keeps what it shows when its filter is ticked (a value just used, or a
    // site's kept filter at start-up); at start-up the other boxes start empty.
    auto fill = [all](QCheckBox* check, QComboBox* combo, const std::vector<std::string>& list) {
        if (!all && !check->isChecked()) return;
        const QString text = combo->currentText();
        combo->clear();
        for (const std::string& s : ShownEntries(list)) combo->addItem(Q(s));
        combo->setEditText(check->isChecked() ? text : QString());
    };
    ++quiet_;
    fill(chkFilterLogText_, txtFilterText_[0], recent.RecentFilters);
    fill(chkFilterFile_, txtFilterText_[1], recent.RecentFilterFiles);
    for (ValueFilter& v : values_)
        if (const std::vector<std::string>* list = recent.ValueList(v.Field)) fill(v.Check, v.Value, *list);
    --quiet_;
}

void FilterPanel::PushRecentValues(RecentLists& recent, int bound) const {
    for (const ValueFilter& v : values_) {
        std::vector<std::string>* list = recent.ValueList(v.Field);
        const QString text = v.Value->currentText();
        if (list && v.Check->isChecked() && !text.isEmpty()) PushRecent(*list, bound, Std(text));
    }
}

namespace {
constexpr const char* OnlyValues[] = {"all", "people", "spiders"};
constexpr const char* IsoDay = "yyyy-MM-dd";
} // namespace

std::vector<FilterDescription> FilterPanel::Ticked() const {
    std::vector<FilterDescription> out;
    if (chkFilterLogText_->isChecked())
        out.push_back({"text", Std(lstContain_[0]->currentText()), Std(txtFilterText_[0]->currentText())});
    if (chkFilterFile_->isChecked())
        out.push_back({"file", Std(lstContain_[1]->currentText()), Std(txtFilterText_[1]->currentText())});
    if (chkFilterDate_->isChecked()) {
        QString dates = dtpDate_[0]->date().toString(IsoDay);
        if (lstEqualBetween_->currentIndex() == 1) dates += ".." + dtpDate_[1]->date().toString(IsoDay);
        out.push_back({"date", Std(lstIs_->currentText()), Std(dates)});
    }
    for (const ValueFilter& v : values_)
        if (v.Check->isChecked()) out.push_back({v.Field, Std(v.Op->currentText()), Std(v.Value->currentText())});
    if (cboFilterOnly_->currentIndex() > 0) out.push_back({"only", "is", OnlyValues[cboFilterOnly_->currentIndex()]});
    return out;
}

bool FilterPanel::SetFilter(const FilterDescription& d) {
    const QString op = Q(d.Op), value = Q(d.Value);
    auto tick = [&](QCheckBox* check, QComboBox* opBox, QComboBox* valueBox) {
        const int index = opBox->findText(op);
        if (index < 0) return false;
        ++quiet_;
        check->setChecked(true);
        opBox->setCurrentIndex(index);
        valueBox->setEditText(value);
        --quiet_;
        UpdateControls();
        return true;
    };
    if (d.Field == "text") return tick(chkFilterLogText_, lstContain_[0], txtFilterText_[0]);
    if (d.Field == "file") return tick(chkFilterFile_, lstContain_[1], txtFilterText_[1]);
    for (ValueFilter& v : values_)
        if (d.Field == v.Field) return tick(v.Check, v.Op, v.Value);
    if (d.Field == "date") {
        const int is = lstIs_->findText(op);
        const qsizetype dots = value.indexOf("..");
        const QDate first = QDate::fromString(value.left(dots < 0 ? value.size() : dots), IsoDay);
        const QDate last = dots < 0 ? first : QDate::fromString(value.mid(dots + 2), IsoDay);
        if (is < 0 || !first.isValid() || !last.isValid()) return false;
        ++quiet_;
        chkFilterDate_->setChecked(true);
        lstIs_->setCurrentIndex(is);
        lstEqualBetween_->setCurrentIndex(dots < 0 ? 0 : 1);
        dtpDate_[0]->setDate(first);
        dtpDate_[1]->setDate(last);
        --quiet_;
        UpdateControls();
        return true;
    }
    if (d.Field == "only" && d.Op == "is") {
        for (int i = 0; i < 3; ++i)
            if (d.Value == OnlyValues[i]) {
                cboFilterOnly_->setCurrentIndex(i);
                return true;
            }
    }
    return false;
}

void FilterPanel::SetFilters(const std::vector<FilterDescription>& filters) {
    Clear();
    for (const FilterDescription& d : filters) SetFilter(d);
    UpdateControls();
}

} // namespace trevix::ui
