#pragma once
// The processing log window: the lines the reader could not use, with its placement kept in
// the settings.
#include <QDialog>

class QPlainTextEdit;

namespace trevix {
class SettingsStore;
}

namespace trevix::ui {

class ProcessLogWindow : public QDialog {
    Q_OBJECT
public:
    ProcessLogWindow(SettingsStore* store, const QString& text, QWidget* parent = nullptr);
    QString Text() const;
    void SetText(const QString& text);

protected:
    void done(int result) override;

private:
    void RestorePlacement();
    void SavePlacement();

    SettingsStore* store_;
    QPlainTextEdit* txtLog_;
};

} // namespace trevix::ui
