#pragma once
// Every modal question the window asks (message boxes, yes/no, file and folder pickers, input
// boxes) goes through this interface, so tests can answer it without a screen.
#include "engine/RunHost.h"

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace trevix::ui {

// The button Enter presses in a Yes/No question. A question whose Yes destroys or replaces
// something leaves it on No, so a hurried Enter loses nothing.
enum class DefaultAnswer { Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;

    virtual void Message(QWidget* parent, MessageIcon icon, const QString& title,
                         const QString& text) = 0;
    // True for Yes. A question that does not say otherwise has No as its default.
    bool YesNo(QWidget* parent, MessageIcon icon, const QString& title, const QString& text,
               DefaultAnswer defaultAnswer = DefaultAnswer::No) {
        return AskYesNo(parent, icon, title, text, defaultAnswer);
    }
    // A question with buttons of its own ("Replace", "Keep both", "Skip"): the index of the
    // button pressed, or -1 when the box was closed or Esc pressed.
    virtual int Choice(QWidget* parent, MessageIcon icon, const QString& title, const QString& text,
                       const QStringList& buttons, int defaultButton) = 0;
    // File pickers: the chosen paths, or empty when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const QString& caption, const QString& folder,
                                  const QString& filter) = 0;
    virtual QString OpenFile(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filter) = 0;
    virtual QString SaveFile(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filter) = 0;
    virtual QString Folder(QWidget* parent, const QString& caption, const QString& folder) = 0;
    // An input box: the text entered, or nothing when cancelled.
    virtual std::optional<QString> Text(QWidget* parent, const QString& title, const QString& label,
                                        const QString& initial) = 0;

protected:
    virtual bool AskYesNo(QWidget* parent, MessageIcon icon, const QString& title, const QString& text,
                          DefaultAnswer defaultAnswer) = 0;
};

// The real dialogs.
class QtPrompter : public Prompter {
public:
    void Message(QWidget* parent, MessageIcon icon, const QString& title,
                 const QString& text) override;
    int Choice(QWidget* parent, MessageIcon icon, const QString& title, const QString& text,
               const QStringList& buttons, int defaultButton) override;
    QStringList OpenFiles(QWidget* parent, const QString& caption, const QString& folder,
                          const QString& filter) override;
    QString OpenFile(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter) override;
    QString SaveFile(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter) override;
    QString Folder(QWidget* parent, const QString& caption, const QString& folder) override;
    std::optional<QString> Text(QWidget* parent, const QString& title, const QString& label,
                                const QString& initial) override;

protected:
    bool AskYesNo(QWidget* parent, MessageIcon icon, const QString& title, const QString& text,
                  DefaultAnswer defaultAnswer) override;
};

// The prompter the program uses: the real dialogs unless a test installed its own.
Prompter& CurrentPrompter();
void SetPrompter(Prompter* prompter);   // nullptr restores the real dialogs

} // namespace trevix::ui
