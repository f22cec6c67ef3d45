#include "views/RawLogView.h"

#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace trevix::ui {

namespace {

unsigned char FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// Bytes of one UTF-8 sequence starting with b; stray bytes count as one.
size_t SequenceLength(unsigned char b) { return b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4; }

// What one line looks like on screen: tabs and control characters take one blank column.
QString ShownLine(std::string_view bytes) {
    QString line = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    for (QChar& c : line)
        if (c.unicode() < 0x20) c = u' ';
    return line;
}

// Horspool search with ASCII letter case ignored; other bytes match as written. A shift table
// of 256 entries keeps it near memory speed on hundreds of megabytes.
const char* FindFolded(const char* begin, const char* end, const QByteArray& needle) {
    const size_t n = static_cast<size_t>(needle.size());
    if (n == 0 || static_cast<size_t>(end - begin) < n) return end;
    unsigned char folded[256];
    for (int c = 0; c < 256; ++c) folded[c] = FoldAscii(static_cast<unsigned char>(c));
    std::vector<unsigned char> pattern(n);
    for (size_t i = 0; i < n; ++i) pattern[i] = folded[static_cast<unsigned char>(needle[i])];
    size_t shift[256];
    std::fill(std::begin(shift), std::end(shift), n);
    for (size_t i = 0; i + 1 < n; ++i) shift[pattern[i]] = n - 1 - i;
    const auto* text = reinterpret_cast<const unsigned char*>(begin);
    const size_t size = static_cast<size_t>(end - begin);
    const unsigned char lastChar = pattern[n - 1];
    for (size_t at = 0; at + n <= size;) {
        const unsigned char c = folded[text[at + n - 1]];
        if (c == lastChar) {
            size_t i = 0;
            while (i + 1 < n && folded[text[at + i]] == pattern[i]) ++i;
            if (i + 1 >= n) return begin + at;
        }
        at += shift[c];
    }
    return end;
}

// One code point of UTF-8 text, advancing at; a stray byte counts as itself.
char32_t Decode(std::string_view s, size_t& at) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    const size_t length = SequenceLength(b0);
    if (length == 1 || at + length > s.size()) {
        ++at;
        return b0;
    }
    char32_t c = b0 & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if ((b & 0xC0) != 0x80) {
            ++at;
            return b0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    at += length;
    return c;
}

char32_t Fold(char32_t c) { return c < 0x80 ? FoldAscii(static_cast<unsigned char>(c)) : QChar::toCaseFolded(c); }

// For search text with letters beyond ASCII: code point by code point, both sides case-folded.
// Slower than the byte search, so only used when needed. Returns the hit's [start, end).
std::pair<size_t, size_t> FindFoldedUnicode(std::string_view text, size_t from, const std::u32string& needle) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    for (size_t at = from; at < text.size();) {
        // Bytes that cannot start a hit are passed over without decoding.
        if (needle[0] < 0x80)
            while (at < text.size() && FoldAscii(byte(at)) != needle[0]) ++at;
        else
            while (at < text.size() && byte(at) < 0x80) ++at;
        if (at >= text.size()) break;
        if ((byte(at) & 0xC0) == 0x80) {
            ++at;
            continue;
        }
        size_t p = at;
        size_t matched = 0;
        while (matched < needle.size() && p < text.size() && Fold(Decode(text, p)) == needle[matched]) ++matched;
        if (matched == needle.size()) return {at, p};
        Decode(text, at);
    }
    return {std::string_view::npos, std::string_view::npos};
}

} // namespace

RawLogView::RawLogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    UpdateMetrics();
}

void RawLogView::SetText(std::string_view text) {
    text_ = text;
    starts_.clear();
    longestLine_ = 0;
    anchor_ = cursor_ = 0;
    if (!text.empty()) {
        // One pass with memchr: a 240 MB log is indexed in a fraction of a second.
        starts_.reserve(text.size() / 128 + 1);
        size_t at = 0;
        starts_.push_back(0);
        const char* base = text.data();
        while (at < text.size()) {
            const void* nl = std::memchr(base + at, '\n', text.size() - at);
            const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - base) : text.size();
            longestLine_ = std::max(longestLine_, end - at);
            if (!nl) break;
            at = end + 1;
            starts_.push_back(at);
        }
    }
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
}

std::string_view RawLogView::LineBytes(size_t line) const {
    if (line >= starts_.size()) return {};
    const size_t begin = starts_[line];
    size_t end = line + 1 < starts_.size() ? starts_[line + 1] - 1 : text_.size();
    if (end > begin && text_[end - 1] == '\r') --end;
    return text_.substr(begin, end - begin);
}

size_t RawLogView::LineOf(size_t offset) const {
    if (starts_.empty()) return 0;
    auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return static_cast<size_t>(it - starts_.begin()) - 1;
}

int RawLogView::ColumnOf(size_t offset) const {
    const size_t line = LineOf(offset);
    const std::string_view bytes = LineBytes(line);
    const size_t upto = std::min(offset - std::min(offset, starts_.empty() ? 0 : starts_[line]), bytes.size());
    return static_cast<int>(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(upto)).size());
}

size_t RawLogView::OffsetAt(size_t line, int column) const {
    if (starts_.empty()) return 0;
    line = std::min(line, starts_.size() - 1);
    const std::string_view bytes = LineBytes(line);
    size_t at = 0;
    int units = 0;
    while (at < bytes.size() && units < column) {
        const size_t length = SequenceLength(static_cast<unsigned char>(bytes[at]));
        units += length == 4 ? 2 : 1;
        at = std::min(bytes.size(), at + length);
    }
    return starts_[line] + at;
}

size_t RawLogView::OffsetAtPoint(const QPoint& pos) const {
    const int row = pos.y() < 0 ? -1 : pos.y() / lineHeight_;
    const long long line = static_cast<long long>(TopLine()) + row;
    const int x = pos.x() + horizontalScrollBar()->value();
    const int column = std::max(0, static_cast<int>((x + cellWidth_ / 2) / cellWidth_));
    return OffsetAt(static_cast<size_t>(std::max(0LL, line)), column);
}

size_t RawLogView::SelectionStart() const { return std::min(anchor_, cursor_); }
size_t RawLogView::SelectionEnd() const { return std::max(anchor_, cursor_); }

void RawLogView::Select(size_t start, size_t end) {
    anchor_ = std::min(start, text_.size());
    cursor_ = std::min(end, text_.size());
    EnsureVisible(cursor_);
    EnsureVisible(anchor_);
    viewport()->update();
}

QString RawLogView::SelectedText() const {
    const std::string_view part = text_.substr(SelectionStart(), SelectionEnd() - SelectionStart());
    return QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size()));
}

void RawLogView::CopySelection() const {
    if (SelectionEnd() > SelectionStart()) QApplication::clipboard()->setText(SelectedText());
}

bool RawLogView::Find(const QString& text, bool fromStart) {
    const QByteArray needle = text.toUtf8();
    if (needle.isEmpty() || text_.empty()) return false;
    // Next search starts one past the found text's start, so overlapping hits are found too.
    size_t from = 0;
    if (!fromStart) from = SelectionEnd() > SelectionStart() ? SelectionStart() + 1 : cursor_;
    if (from >= text_.size()) return false;
    const bool ascii = std::all_of(needle.begin(), needle.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        std::u32string folded;
        for (char32_t c : text.toUcs4()) folded += Fold(c);
        const auto [at, end] = FindFoldedUnicode(text_, from, folded);
        if (at == std::string_view::npos) return false;
        Select(at, end);
        return true;
    }
    const char* begin = text_.data() + from;
    const char* end = text_.data() + text_.size();
    const char* hit = FindFolded(begin, end, needle);
    if (hit == end) return false;
    const size_t at = static_cast<size_t>(hit - text_.data());
    Select(at, at + static_cast<size_t>(needle.size()));
    return true;
}

size_t RawLogView::TopLine() const { return static_cast<size_t>(verticalScrollBar()->value()); }

size_t RawLogView::VisibleLineCount() const {
    return static_cast<size_t>(std::max(1, viewport()->height() / lineHeight_));
}

void RawLogView::EnsureVisible(size_t offset) {
    if (starts_.empty()) return;
    const size_t line = LineOf(offset);
    const size_t top = TopLine();
    const size_t visible = VisibleLineCount();
    // A far jump puts the line in the middle of the page, so the context around it shows.
    if (line < top || line >= top + visible) {
        const bool near = line + 1 == top || line == top + visible;
        size_t newTop = line < top ? line : line - visible + 1;
        if (!near) newTop = line > visible / 2 ? line - visible / 2 : 0;
        verticalScrollBar()->setValue(static_cast<int>(newTop));
    }
    const int x = static_cast<int>(ColumnOf(offset) * cellWidth_);
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    if (x < h->value())
        h->setValue(std::max(0, x - width / 4));
    else if (x + charWidth_ > h->value() + width)
        h->setValue(x - width * 3 / 4);
}

void RawLogView::MoveCursor(size_t offset, bool extend) {
    cursor_ = std::min(offset, text_.size());
    if (!extend) anchor_ = cursor_;
    EnsureVisible(cursor_);
    viewport()->update();
}

void RawLogView::UpdateMetrics() {
    const QFontMetrics metrics(font());
    lineHeight_ = std::max(1, metrics.lineSpacing());
    cellWidth_ = std::max<qreal>(1, QFontMetricsF(font()).horizontalAdvance(QLatin1Char('M')));
    charWidth_ = std::max(1, static_cast<int>(std::ceil(cellWidth_)));
    ascent_ = metrics.ascent();
    UpdateScrollBars();
}

void RawLogView::UpdateScrollBars() {
    const int visible = static_cast<int>(VisibleLineCount());
    QScrollBar* v = verticalScrollBar();
    const size_t lines = starts_.size();
    v->setRange(0, std::max(0, static_cast<int>(std::min<size_t>(lines, INT32_MAX)) - visible));
    v->setPageStep(visible);
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    const long long width = static_cast<long long>(longestLine_) * charWidth_ + charWidth_;
    h->setRange(0, static_cast<int>(std::clamp<long long>(width - viewport()->width(), 0, INT32_MAX)));
    h->setPageStep(viewport()->width());
    h->setSingleStep(charWidth_ * 4);
}

void RawLogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void RawLogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateMetrics();
}

void RawLogView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& pal = palette();
    const int scrollX = horizontalScrollBar()->value();
    // Only the columns on screen are laid out, so a megabyte-long line costs what it shows.
    const int firstColumn = std::max(0, static_cast<int>(scrollX / cellWidth_) - 1);
    const int columns = static_cast<int>(viewport()->width() / cellWidth_) + 3;
    const size_t selStart = SelectionStart(), selEnd = SelectionEnd();
    const size_t top = TopLine();
    const size_t last = std::min(starts_.size(), top + VisibleLineCount() + 1);
    for (size_t line = top; line < last; ++line) {
        const int y = static_cast<int>(line - top) * lineHeight_;
        const QString shown = ShownLine(LineBytes(line));
        const QString part = shown.mid(firstColumn, columns);
        const qreal x = firstColumn * cellWidth_ - scrollX;
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(QPointF(x, y + ascent_), part);

        const size_t lineStart = starts_[line];
        const size_t lineEnd = lineStart + LineBytes(line).size();
        if (selEnd <= selStart || selEnd < lineStart || selStart > lineEnd) continue;
        const int from = selStart <= lineStart ? 0 : ColumnOf(selStart);
        // A selection that runs on past the line break shows one blank column for it.
        const bool throughBreak = selEnd > lineEnd;
        const int to = throughBreak ? static_cast<int>(shown.size()) + 1 : ColumnOf(selEnd);
        if (to <= from) continue;
        const QRectF band(from * cellWidth_ - scrollX, y, (to - from) * cellWidth_, lineHeight_);
        painter.fillRect(band, pal.color(QPalette::Highlight));
        painter.setPen(pal.color(QPalette::HighlightedText));
        painter.drawText(QPointF(from * cellWidth_ - scrollX, y + ascent_), shown.mid(from, to - from));
    }
}

bool RawLogView::event(QEvent* event) {
    // Copy and select-all act on this view even when the window binds the keys to a command.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void RawLogView::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        CopySelection();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        anchor_ = 0;
        cursor_ = text_.size();
        viewport()->update();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const size_t line = LineOf(cursor_);
    const int column = ColumnOf(cursor_);
    const size_t page = VisibleLineCount();
    switch (event->key()) {
    case Qt::Key_Left:
        if (cursor_ > 0) {
            size_t at = cursor_ - 1;
            while (at > 0 && (static_cast<unsigned char>(text_[at]) & 0xC0) == 0x80) --at;
            MoveCursor(at, extend);
        }
        break;
    case Qt::Key_Right:
        if (cursor_ < text_.size())
            MoveCursor(cursor_ + SequenceLength(static_cast<unsigned char>(text_[cursor_])), extend);
        break;
    case Qt::Key_Up:
        if (line > 0) MoveCursor(OffsetAt(line - 1, column), extend);
        break;
    case Qt::Key_Down:
        if (line + 1 < starts_.size()) MoveCursor(OffsetAt(line + 1, column), extend);
        break;
    case Qt::Key_PageUp:
        MoveCursor(OffsetAt(line > page ? line - page : 0, column), extend);
        break;
    case Qt::Key_PageDown:
        MoveCursor(OffsetAt(starts_.empty() ? 0 : std::min(starts_.size() - 1, line + page), column), extend);
        break;
    case Qt::Key_Home:
        MoveCursor(ctrl || starts_.empty() ? 0 : starts_[line], extend);
        break;
    case Qt::Key_End:
        MoveCursor(ctrl || starts_.empty() ? text_.size() : starts_[line] + LineBytes(line).size(), extend);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void RawLogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    MoveCursor(OffsetAtPoint(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void RawLogView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    MoveCursor(OffsetAtPoint(event->position().toPoint()), true);
}

void RawLogView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || text_.empty()) return;
    // A double click selects the run of non-blank characters under the pointer.
    const size_t at = OffsetAtPoint(event->position().toPoint());
    const size_t line = LineOf(at);
    const size_t lineStart = starts_[line];
    const size_t lineEnd = lineStart + LineBytes(line).size();
    auto blank = [&](size_t i) { return text_[i] == ' ' || text_[i] == '\t' || text_[i] == '"'; };
    size_t begin = at, end = at;
    while (begin > lineStart && !blank(begin - 1)) --begin;
    while (end < lineEnd && !blank(end)) ++end;
    anchor_ = begin;
    cursor_ = end;
    viewport()->update();
}

} // namespace trevix::ui
