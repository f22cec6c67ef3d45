#pragma once
// The "Raw Log" report page: the log's lines as read, a search box with "&Search" and
// "&Find next...", or a note that the raw log is turned off in the options.
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace trevix {
class RawLogLines;
}

namespace trevix::ui {

class RawLogView;
class RawLogSource;

class RawLogPage : public QWidget {
    Q_OBJECT
public:
    explicit RawLogPage(QWidget* parent = nullptr);
    ~RawLogPage() override;

    RawLogView* View() const { return txtRawLog_; }
    // The raw log and its search, or the note that it is off.
    void ShowRawLog(bool on);
    // Shows a run's lines where they are (nullptr: none) and keeps them until the next
    // SetLines; the next search starts at the top. Lines of a file that changed after the run
    // read it are not shown, and a note above the lines names the file.
    void SetLines(std::unique_ptr<RawLogLines> lines);
    // The first search after an edit starts at the top, later ones go on from the match.
    void Search();
    void FocusSearch();
    bool SearchVisible() const;
    void SetSearchEnabled(bool enabled);
    // Types text into the search box, as the user would before "&Search".
    void SetSearchText(const QString& text);

signals:
    // Enter in the search box or the search button; the window runs Search() unless busy.
    void SearchWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowChangedFiles();

    std::unique_ptr<RawLogLines> lines_;
    std::unique_ptr<RawLogSource> source_;
    bool on_ = false;
    RawLogView* txtRawLog_ = nullptr;
    QLabel* lblRawLog_ = nullptr;
    QLabel* lblRawLogChanged_ = nullptr;
    QLineEdit* txtSearchText_ = nullptr;
    QPushButton* butSearch_ = nullptr;
    QLabel* lblNoRawLog_ = nullptr;
};

} // namespace trevix::ui
