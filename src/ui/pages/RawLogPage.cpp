#include "pages/RawLogPage.h"

#include "common/Prompter.h"
#include "common/QtText.h"
#include "engine/lists/RawLogLines.h"
#include "views/RawLogView.h"

#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace trevix::ui {

namespace {
const QString FindNextCaption = "&Find next...";
const QString SearchPrompt = "Enter search text...";

// The run's lines as the view reads them: each ends with CR LF, and one empty line follows
// the last, as in a text of lines each ended with CR LF.
class RunLines : public RawLogSource {
public:
    explicit RunLines(RawLogLines& lines) : lines_(lines) {}
    size_t Count() override { return lines_.Count() == 0 ? 0 : lines_.Count() + 1; }
    size_t Length(size_t line) override { return lines_.Length(line); }
    std::string_view Line(size_t line, std::string& scratch) override { return lines_.Line(line, scratch); }
    std::string_view Break(size_t line) override { return line < lines_.Count() ? "\r\n" : ""; }
    bool Recheck() override { return lines_.Recheck(); }

private:
    RawLogLines& lines_;
};
} // namespace

RawLogPage::RawLogPage(QWidget* parent) : QWidget(parent) {
    auto* l = new QVBoxLayout(this);
    lblRawLog_ = new QLabel("Raw log file:", this);
    lblRawLog_->setObjectName("lblRawLog");
    l->addWidget(lblRawLog_);
    lblRawLogChanged_ = new QLabel(this);
    lblRawLogChanged_->setObjectName("lblRawLogChanged");
    lblRawLogChanged_->setWordWrap(true);
    lblRawLogChanged_->setTextFormat(Qt::PlainText);
    lblRawLogChanged_->hide();
    l->addWidget(lblRawLogChanged_);
    txtRawLog_ = new RawLogView(this);
    txtRawLog_->setObjectName("txtRawLog");
    txtRawLog_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    l->addWidget(txtRawLog_, 1);
    auto* searchRow = new QHBoxLayout;
    txtSearchText_ = new QLineEdit(SearchPrompt, this);
    txtSearchText_->setObjectName("txtSearchText");
    txtSearchText_->installEventFilter(this);
    butSearch_ = new QPushButton("&Search", this);
    butSearch_->setObjectName("butSearch");
    searchRow->addWidget(txtSearchText_, 1);
    searchRow->addWidget(butSearch_);
    l->addLayout(searchRow);
    lblNoRawLog_ = new QLabel(
        "Raw Log is currently turned OFF.\n\nTo turn on the Show Raw Log feature, click Tools and then "
        "Options.\n\nNote that turning this feature on will make processing log files slower.",
        this);
    lblNoRawLog_->setObjectName("lblNoRawLog");
    lblNoRawLog_->setWordWrap(true);
    lblNoRawLog_->setAlignment(Qt::AlignCenter);
    l->addWidget(lblNoRawLog_, 1);
    // After an edit the next search starts again from the top.
    connect(txtSearchText_, &QLineEdit::textEdited, this, [this] { butSearch_->setText("&Search..."); });
    connect(txtSearchText_, &QLineEdit::returnPressed, this, &RawLogPage::SearchWanted);
    connect(butSearch_, &QPushButton::clicked, this, &RawLogPage::SearchWanted);
    connect(txtRawLog_, &RawLogView::LinesChanged, this, &RawLogPage::ShowChangedFiles);
}

RawLogPage::~RawLogPage() {
    // The view lets go of the lines before they go.
    txtRawLog_->SetSource(nullptr);
}

void RawLogPage::ShowRawLog(bool on) {
    on_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{txtRawLog_, lblRawLog_, txtSearchText_, butSearch_})
        w->setVisible(on);
    lblNoRawLog_->setVisible(!on);
    ShowChangedFiles();
}

void RawLogPage::SetLines(std::unique_ptr<RawLogLines> lines) {
    txtRawLog_->SetSource(nullptr);
    source_.reset();
    lines_ = std::move(lines);
    if (lines_) {
        source_ = std::make_unique<RunLines>(*lines_);
        txtRawLog_->SetSource(source_.get());
    }
    butSearch_->setText("&Search");
    ShowChangedFiles();
}

void RawLogPage::ShowChangedFiles() {
    const std::vector<std::string> changed = lines_ ? lines_->ChangedFiles() : std::vector<std::string>{};
    if (changed.empty()) {
        lblRawLogChanged_->hide();
        return;
    }
    // File names keep the note to one line; the paths are in its tip.
    QStringList names, paths;
    for (const std::string& path : changed) {
        paths << Q(path);
        names << QFileInfo(paths.back()).fileName();
    }
    lblRawLogChanged_->setToolTip(paths.join('\n'));
    lblRawLogChanged_->setText(changed.size() == 1
                                   ? names[0] + " changed after it was read; its lines are not shown"
                                   : names.join(", ") + " changed after they were read; their lines are not shown");
    lblRawLogChanged_->setVisible(on_);
}

void RawLogPage::Search() {
    const QString text = txtSearchText_->text();
    bool found;
    if (butSearch_->text() != FindNextCaption) {
        found = txtRawLog_->Find(text, true);
        butSearch_->setText(FindNextCaption);
    } else {
        found = txtRawLog_->Find(text, false);
    }
    if (!found) CurrentPrompter().Message(window(), MessageIcon::Information, "Trevix", "Can't find '" + text + "'");
}

void RawLogPage::FocusSearch() {
    txtSearchText_->setFocus();
    txtSearchText_->selectAll();
}

bool RawLogPage::SearchVisible() const { return butSearch_->isVisible(); }

void RawLogPage::SetSearchEnabled(bool enabled) {
    butSearch_->setEnabled(enabled);
    txtSearchText_->setEnabled(enabled);
}

void RawLogPage::SetSearchText(const QString& text) {
    txtSearchText_->setText(text);
    butSearch_->setText("&Search");
}

bool RawLogPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSearchText_ && event->type() == QEvent::FocusIn && txtSearchText_->text() == SearchPrompt) {
        QTimer::singleShot(0, txtSearchText_, &QLineEdit::selectAll);
        butSearch_->setDefault(true);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace trevix::ui
