#include "window/Steps.h"

#include "engine/Analyser.h"
#include "window/TaskPane.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>

#include <utility>

namespace trevix::ui {

Steps::Steps(const Analyser& a, std::function<bool()> busy, QWidget* window)
    : QObject(window), a_(a), busy_(std::move(busy)), pane_(new TaskPane(window)) {
    pane_->AddGroup("setup", "Set Up", {"sites", "logfiles", "filter", "reset"});
    pane_->AddGroup("rep", "Report", {"repinfo", "report", "update"});
    pane_->AddGroup("help", "Help", {"helptext"});
    pane_->setMinimumWidth(190);
    pane_->setMaximumWidth(260);
    connect(pane_, &TaskPane::ItemClicked, this, &Steps::TaskWanted);
}

QWidget* Steps::Arrows(int index, bool back, bool forward, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    if (back) {
        auto* b = new QPushButton(parent->style()->standardIcon(QStyle::SP_ArrowBack), "&Back", row);
        b->setObjectName(QString("butLeft%1").arg(index));
        butLeft_[static_cast<size_t>(index)] = b;
        static const char* target[] = {"", "sites", "logfiles", "filter"};
        connect(b, &QPushButton::clicked, this, [this, index] { emit TaskWanted(target[index]); });
        layout->addWidget(b);
    }
    if (forward) {
        auto* b = new QPushButton(parent->style()->standardIcon(QStyle::SP_ArrowForward), "&Next", row);
        b->setObjectName(QString("butRight%1").arg(index));
        b->setLayoutDirection(Qt::RightToLeft);
        butRight_[static_cast<size_t>(index)] = b;
        static const char* target[] = {"logfiles", "filter", "report", ""};
        connect(b, &QPushButton::clicked, this, [this, index] { emit TaskWanted(target[index]); });
        layout->addWidget(b);
    }
    return row;
}

void Steps::SetForwardEnabled(int index, bool enabled) { butRight_[static_cast<size_t>(index)]->setEnabled(enabled); }

void Steps::SetBackEnabled(bool enabled) {
    for (QPushButton* b : butLeft_)
        if (b) b->setEnabled(enabled);
}

void Steps::Level(int level) {
    if (level >= 2) {
        pane_->AddItem("setup", "logfiles", "Open log files");
        pane_->AddItem("setup", "filter", "Filter");
    }
    if (level >= 3) {
        pane_->RemoveItem("repinfo");
        pane_->AddItem("rep", "report", "Show Report");
        pane_->AddItem("setup", "reset", "Reset");
    }
    if (level <= 1) {
        pane_->AddItem("setup", "sites", "Choose a site");
        if (!pane_->HasItem("report")) pane_->AddItem("rep", "repinfo", "No logs selected");
    }
    pane_->SetItemsEnabled(!busy_());
}

void Steps::ShowUpdate(bool visible) {
    if (visible && a_.Lists.State.Shown && a_.Lists.State.OutOfDate) {
        if (pane_->AddItem("rep", "update", "Update", "F5")) pane_->SetItemsEnabled(!busy_());
    } else {
        pane_->RemoveItem("update");
    }
}

void Steps::ShowHelpText(const QString& text) {
    lastHelpText_ = text;
    QString shown = text;
    if (a_.Options.CountryInfo)
        shown += a_.Options.AnalyseCountries
                     ? "\n\nCountry Report is ON. If loading a large log file, you may wish to turn this off from "
                       "the Options window for faster processing."
                     : "\n\nCountry Report is OFF.";
    pane_->SetHelpText(shown);
}

void Steps::ShowStepHelp(const QString& panel) {
    static constexpr std::pair<const char*, const char*> Help[] = {
        {"sites", "Select a site profile from the list to the right, or click 'New' to create a new one."},
        {"logfiles", "Choose one or more log files to process. You can choose from log files on your hard "
                     "disk, or you can download log files via FTP. Trevix also reads compressed log files "
                     "(.gz, .bz2, .xz and .zst)."},
        {"filter", "You can restrict the log file entries that Trevix processes. This may make processing "
                   "quicker, and allows you to home in on interesting information."},
        {"report", "Click the various tabs to view the pages of the report."},
        {"ftp", "Choose a server of the selected site, or type one, and click Connect. Select the log files "
                "and click Download."},
    };
    for (const auto& [key, text] : Help)
        if (panel == key) ShowHelpText(text);
}

} // namespace trevix::ui
