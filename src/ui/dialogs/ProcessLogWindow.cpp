#include "dialogs/ProcessLogWindow.h"

#include "common/QtText.h"
#include "common/Twips.h"
#include "engine/SettingsStore.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace trevix::ui {

namespace {
constexpr const char* Section = "LogWindowPosition";

bool ReadInt(const std::string& text, int& value) {
    bool ok = false;
    value = Q(text).trimmed().toInt(&ok);
    return ok;
}
} // namespace

ProcessLogWindow::ProcessLogWindow(SettingsStore* store, const QString& text, QWidget* parent)
    : QDialog(parent), store_(store) {
    setObjectName("frmLog");
    setWindowTitle("Process Log");
    auto* layout = new QVBoxLayout(this);
    txtLog_ = new QPlainTextEdit(this);
    txtLog_->setObjectName("txtLog");
    txtLog_->setReadOnly(true);
    txtLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLog_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Plain text: log lines are never read as markup.
    txtLog_->setPlainText(text);
    layout->addWidget(txtLog_);
    resize(640, 400);
    RestorePlacement();
}

QString ProcessLogWindow::Text() const { return txtLog_->toPlainText(); }

void ProcessLogWindow::SetText(const QString& text) { txtLog_->setPlainText(text); }

void ProcessLogWindow::RestorePlacement() {
    if (!store_) return;
    const std::string state = store_->GetSetting(Section, "State", "Undefined");
    if (state == "Undefined") return;
    int top, left, height, width;
    if (ReadInt(store_->GetSetting(Section, "Top"), top) && ReadInt(store_->GetSetting(Section, "Left"), left) &&
        ReadInt(store_->GetSetting(Section, "Height"), height) &&
        ReadInt(store_->GetSetting(Section, "Width"), width)) {
        move(TwipsToPixels(left, this), TwipsToPixels(top, this));
        resize(std::max(100, TwipsToPixels(width, this)), std::max(80, TwipsToPixels(height, this)));
    }
    if (state == "Maximized") setWindowState(Qt::WindowMaximized);
    if (state == "Minimized") setWindowState(Qt::WindowMinimized);
}

void ProcessLogWindow::SavePlacement() {
    if (!store_) return;
    if (isMinimized()) {
        store_->SaveSetting(Section, "State", "Minimized");
        return;
    }
    store_->SaveSetting(Section, "State", isMaximized() ? "Maximized" : "Normal");
    const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
    store_->SaveSetting(Section, "Top", std::to_string(PixelsToTwips(g.y(), this)));
    store_->SaveSetting(Section, "Left", std::to_string(PixelsToTwips(g.x(), this)));
    store_->SaveSetting(Section, "Height", std::to_string(PixelsToTwips(g.height(), this)));
    store_->SaveSetting(Section, "Width", std::to_string(PixelsToTwips(g.width(), this)));
}

void ProcessLogWindow::done(int result) {
    SavePlacement();
    QDialog::done(result);
}

} // namespace trevix::ui
