#pragma once
// Answers the window's modal questions from a script the test writes beforehand, and records
// every question asked, so a test never waits on a dialog.
#include "common/Prompter.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

namespace trevix::ui::test {

struct AskedQuestion {
    QString Kind;    // "Message", "YesNo", "Choice", "OpenFiles", "OpenFile", "SaveFile", "Folder", "Text"
    MessageIcon Icon = MessageIcon::None;
    QString Title;   // title or caption
    QString Text;    // message text, input label or file filter
    QString DefaultButton;   // the button Enter presses: "Yes"/"No", or a Choice's caption
    QString Folder;          // where a file or folder picker starts
};

class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter();    // installs itself as the current prompter
    ~ScriptedPrompter() override;   // restores the real dialogs

    // Answers, used in order by the questions of the matching kind. A question with no
    // answer left gets the "cancel" answer (No, -1, empty, nothing).
    void AnswerYesNo(bool yes) { yesNo_.push_back(yes); }
    void AnswerChoice(int index) { choices_.push_back(index); }
    void AnswerFiles(QStringList files) { files_.push_back(std::move(files)); }
    void AnswerFolder(QString folder) { folders_.push_back(std::move(folder)); }
    void AnswerText(std::optional<QString> text) { texts_.push_back(std::move(text)); }

    std::deque<AskedQuestion> Asked;
    // Called as a message is shown, to look at the window behind it.
    std::function<void(const AskedQuestion&)> OnMessage;
    // The last question asked, or an empty one.
    AskedQuestion Last() const { return Asked.empty() ? AskedQuestion{} : Asked.back(); }
    int Count(const QString& kind) const;

    void Message(QWidget*, MessageIcon icon, const QString& title, const QString& text) override;
    int Choice(QWidget*, MessageIcon icon, const QString& title, const QString& text,
               const QStringList& buttons, int defaultButton) override;
    QStringList OpenFiles(QWidget*, const QString& caption, const QString& folder,
                          const QString& filter) override;
    QString OpenFile(QWidget*, const QString& caption, const QString& folder,
                     const QString& filter) override;
    QString SaveFile(QWidget*, const QString& caption, const QString& folder,
                     const QString& filter) override;
    QString Folder(QWidget*, const QString& caption, const QString& folder) override;
    std::optional<QString> Text(QWidget*, const QString& title, const QString& label,
                                const QString& initial) override;

protected:
    bool AskYesNo(QWidget*, MessageIcon icon, const QString& title, const QString& text,
                  DefaultAnswer defaultAnswer) override;

private:
    std::deque<bool> yesNo_;
    std::deque<int> choices_;
    std::deque<QStringList> files_;
    std::deque<QString> folders_;
    std::deque<std::optional<QString>> texts_;
};

} // namespace trevix::ui::test
