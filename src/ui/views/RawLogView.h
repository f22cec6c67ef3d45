#pragma once
// The raw log page: a read-only, fixed-pitch view that draws only the visible lines of the
// engine's raw log text (which may be hundreds of megabytes), with selection, copy and search.
#include <QAbstractScrollArea>
#include <cstddef>
#include <string_view>
#include <vector>

namespace trevix::ui {

class RawLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit RawLogView(QWidget* parent = nullptr);

    // Shows text without copying it; the caller keeps it alive and unchanged until the next
    // SetText (an empty view clears the page).
    void SetText(std::string_view text);
    // Finds text (case-insensitive) after the current selection, or from the start; selects
    // it and scrolls it into view. False when not found (the selection stays). The search
    // after a selection starts one past its start.
    bool Find(const QString& text, bool fromStart);
    QString SelectedText() const;

    // Byte offsets into the text; start == end when nothing is selected.
    size_t SelectionStart() const;
    size_t SelectionEnd() const;
    void Select(size_t start, size_t end);
    void CopySelection() const;

    size_t LineCount() const { return starts_.size(); }
    // The 0-based line holding a byte offset, and the lines on screen.
    size_t LineOf(size_t offset) const;
    size_t TopLine() const;
    size_t VisibleLineCount() const;

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
    // Columns count UTF-16 units from the line's start, one column per unit.
    int ColumnOf(size_t offset) const;
    size_t OffsetAt(size_t line, int column) const;
    size_t OffsetAtPoint(const QPoint& pos) const;
    void MoveCursor(size_t offset, bool extend);
    void EnsureVisible(size_t offset);
    void UpdateMetrics();
    void UpdateScrollBars();

    std::string_view text_;
    std::vector<size_t> starts_;   // byte offset where each line starts
    size_t longestLine_ = 0;       // bytes; bounds the columns of any line
    size_t anchor_ = 0, cursor_ = 0;
    int lineHeight_ = 1, charWidth_ = 1, ascent_ = 0;
    // The exact advance of one character: text is drawn with it, so the selection band and
    // hit testing use it too (a rounded width drifts along a long line).
    qreal cellWidth_ = 1;
};

} // namespace trevix::ui
