#pragma once
// The raw log page: a read-only, fixed-pitch view that draws only the visible lines of the
// engine's raw log (which may be millions of lines), with selection, copy and search. The lines
// are read where they are, never copied; offsets count each line's bytes and its line break.
#include <QAbstractScrollArea>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trevix::ui {

// The lines a RawLogView shows, each followed by its line break.
class RawLogSource {
public:
    virtual ~RawLogSource() = default;
    virtual size_t Count() = 0;
    // Bytes of a line without its break; always the size of what Line gives.
    virtual size_t Length(size_t line) = 0;
    // A line without its break: a view that stays valid until the next call, built in scratch
    // when the source has to build it.
    virtual std::string_view Line(size_t line, std::string& scratch) = 0;
    virtual std::string_view Break(size_t line) = 0;
    // Looks again at what the lines are read from: true when some lines changed since the
    // last look (their lengths may differ now).
    virtual bool Recheck() { return false; }
};

class RawLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit RawLogView(QWidget* parent = nullptr);

    // Shows text without copying it; the caller keeps it alive and unchanged until the next
    // SetText or SetSource (an empty view clears the page).
    void SetText(std::string_view text);
    // Shows the lines of source, which the caller keeps alive until the next SetText or
    // SetSource (nullptr clears the page).
    void SetSource(RawLogSource* source);
    // Looks at the source again (as painting, searching and copying do); a change reindexes the
    // lines, drops the selection and emits LinesChanged; true then.
    bool CheckSource();
    // Finds text (case-insensitive) after the current selection, or from the start; selects
    // it and scrolls it into view. False when not found (the selection stays). The search
    // after a selection starts one past its start.
    bool Find(const QString& text, bool fromStart);
    QString SelectedText();

    // Byte offsets into the text; start == end when nothing is selected.
    size_t SelectionStart() const;
    size_t SelectionEnd() const;
    void Select(size_t start, size_t end);
    void CopySelection();

    size_t LineCount() const { return lines_; }
    // The 0-based line holding a byte offset, and the lines on screen.
    size_t LineOf(size_t offset) const;
    size_t TopLine() const;
    size_t VisibleLineCount() const;

signals:
    // Some lines read differently now (their file changed after it was read).
    void LinesChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::string_view LineBytes(size_t line) const;   // without its line break
    std::string_view Break(size_t line) const;
    size_t LineStart(size_t line) const;
    size_t TotalBytes() const { return total_; }
    unsigned char ByteAt(size_t offset) const;
    // Columns count UTF-16 units from the line's start, one column per unit.
    int ColumnOf(size_t offset) const;
    size_t OffsetAt(size_t line, int column) const;
    size_t OffsetAtPoint(const QPoint& pos) const;
    void MoveCursor(size_t offset, bool extend);
    void EnsureVisible(size_t offset);
    void UpdateMetrics();
    void UpdateScrollBars();
    void Index();
    bool FindFrom(const QString& text, size_t from);

    std::unique_ptr<RawLogSource> ownText_;   // SetText's lines
    RawLogSource* source_ = nullptr;
    size_t lines_ = 0;
    // The offset of every 64th line: the rest are summed from the lengths, so a long log costs
    // an eighth of a byte a line here.
    std::vector<size_t> blockStarts_;
    size_t total_ = 0;
    size_t longestLine_ = 0;   // bytes; bounds the columns of any line
    size_t anchor_ = 0, cursor_ = 0;
    mutable std::string scratch_;
    int lineHeight_ = 1, charWidth_ = 1, ascent_ = 0;
    // The exact advance of one character: text is drawn with it, so the selection band and
    // hit testing use it too (a rounded width drifts along a long line).
    qreal cellWidth_ = 1;
};

} // namespace trevix::ui
