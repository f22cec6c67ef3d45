#include "common/Prompter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace trevix::ui {

namespace {

// Texts carry file names, server replies and log text: never read as markup.
QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QtPrompter realDialogs;
Prompter* current = nullptr;

} // namespace

Prompter& CurrentPrompter() { return current ? *current : realDialogs; }
void SetPrompter(Prompter* prompter) { current = prompter; }

void QtPrompter::Message(QWidget* parent, MessageIcon icon, const QString& title,
                         const QString& text) {
    QMessageBox box(BoxIcon(icon), title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtPrompter::AskYesNo(QWidget* parent, MessageIcon icon, const QString& title, const QString& text,
                          DefaultAnswer defaultAnswer) {
    QMessageBox box(BoxIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultAnswer == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int QtPrompter::Choice(QWidget* parent, MessageIcon icon, const QString& title,
                       const QString& text, const QStringList& buttons, int defaultButton) {
    QMessageBox box(BoxIcon(icon), title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    std::vector<QPushButton*> made;
    for (const QString& caption : buttons)
        made.push_back(box.addButton(caption, QMessageBox::AcceptRole));
    if (defaultButton >= 0 && defaultButton < static_cast<int>(made.size()))
        box.setDefaultButton(made[static_cast<size_t>(defaultButton)]);
    box.addButton(QMessageBox::Cancel)->hide();   // lets Esc and the close box answer -1
    box.exec();
    for (size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return static_cast<int>(i);
    return -1;
}

QStringList QtPrompter::OpenFiles(QWidget* parent, const QString& caption, const QString& folder,
                                  const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

QString QtPrompter::OpenFile(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtPrompter::SaveFile(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

QString QtPrompter::Folder(QWidget* parent, const QString& caption, const QString& folder) {
    return QFileDialog::getExistingDirectory(parent, caption, folder);
}

std::optional<QString> QtPrompter::Text(QWidget* parent, const QString& title,
                                        const QString& label, const QString& initial) {
    bool ok = false;
    QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
}

} // namespace trevix::ui
