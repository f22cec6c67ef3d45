#pragma once
// "About Trevix": name, version, licence and the notices of the data sources.
#include <QDialog>

namespace trevix::ui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    // The text shown, for tests.
    QString Text() const { return text_; }

private:
    QString text_;
};

} // namespace trevix::ui
