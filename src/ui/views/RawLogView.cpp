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
#include <optional>
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

// Horspool search with ASCII letter case ignored; other bytes match as written. The shift
// table of 256 entries is built once per search, so line after line runs near memory speed.
class FoldedNeedle {
public:
    explicit FoldedNeedle(const QByteArray& needle) : n_(static_cast<size_t>(needle.size())), pattern_(n_) {
        for (int c = 0; c < 256; ++c) folded_[c] = FoldAscii(static_cast<unsigned char>(c));
        for (size_t i = 0; i < n_; ++i) pattern_[i] = folded_[static_cast<unsigned char>(needle[static_cast<qsizetype>(i)])];
        std::fill(std::begin(shift_), std::end(shift_), n_);
        for (size_t i = 0; i + 1 < n_; ++i) shift_[pattern_[i]] = n_ - 1 - i;
    }
    size_t Size() const { return n_; }
    // Where the needle starts in text, or npos.
    size_t In(std::string_view text) const {
        if (n_ == 0 || text.size() < n_) return std::string_view::npos;
        const auto* t = reinterpret_cast<const unsigned char*>(text.data());
        const unsigned char lastChar = pattern_[n_ - 1];
        for (size_t at = 0; at + n_ <= text.size();) {
            const unsigned char c = folded_[t[at + n_ - 1]];
            if (c == lastChar) {
                size_t i = 0;
                while (i + 1 < n_ && folded_[t[at + i]] == pattern_[i]) ++i;
                if (i + 1 >= n_) return at;
            }
            at += shift_[c];
        }
        return std::string_view::npos;
    }

private:
    size_t n_;
    std::vector<unsigned char> pattern_;
    unsigned char folded_[256];
    size_t shift_[256];
};

// The lines of one text, split at each line feed; a carriage return before it belongs to the
// break.
class TextLines : public RawLogSource {
public:
    explicit TextLines(std::string_view text) : text_(text) {
        if (text.empty()) return;
        // One pass with memchr: a 240 MB text is indexed in a fraction of a second.
        starts_.reserve(text.size() / 128 + 1);
        starts_.push_back(0);
        const char* base = text.data();
        for (size_t at = 0; at < text.size();) {
            const void* nl = std::memchr(base + at, '\n', text.size() - at);
            if (!nl) break;
            at = static_cast<size_t>(static_cast<const char*>(nl) - base) + 1;
            starts_.push_back(at);
        }
    }
    size_t Count() override { return starts_.size(); }
    size_t Length(size_t line) override { return Bytes(line).size(); }
    std::string_view Line(size_t line, std::string&) override { return Bytes(line); }
    std::string_view Break(size_t line) override {
        const size_t end = line + 1 < starts_.size() ? starts_[line + 1] : text_.size();
        const size_t begin = starts_[line] + Bytes(line).size();
        return text_.substr(begin, end - begin);
    }

private:
    std::string_view Bytes(size_t line) const {
        const size_t begin = starts_[line];
        size_t end = line + 1 < starts_.size() ? starts_[line + 1] - 1 : text_.size();
        if (end > begin && text_[end - 1] == '\r') --end;
        return text_.substr(begin, end - begin);
    }
    std::string_view text_;
    std::vector<size_t> starts_;
};

constexpr size_t BlockBits = 6;   // lines per offset kept: 64

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
    auto lines = std::make_unique<TextLines>(text);
    SetSource(lines.get());
    ownText_ = std::move(lines);
}

void RawLogView::SetSource(RawLogSource* source) {
    source_ = source;
    ownText_.reset();
    Index();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
}

void RawLogView::Index() {
    anchor_ = cursor_ = 0;
    lines_ = source_ ? source_->Count() : 0;
    blockStarts_.clear();
    blockStarts_.shrink_to_fit();
    blockStarts_.reserve((lines_ >> BlockBits) + 1);
    total_ = 0;
    longestLine_ = 0;
    for (size_t line = 0; line < lines_; ++line) {
        if ((line & ((size_t(1) << BlockBits) - 1)) == 0) blockStarts_.push_back(total_);
        const size_t length = source_->Length(line);
        longestLine_ = std::max(longestLine_, length);
        total_ += length + source_->Break(line).size();
    }
}

bool RawLogView::CheckSource() {
    if (!source_ || !source_->Recheck()) return false;
    // Offsets after the changed lines moved: what was selected is gone.
    Index();
    UpdateScrollBars();
    viewport()->update();
    emit LinesChanged();
    return true;
}

std::string_view RawLogView::LineBytes(size_t line) const {
    if (line >= lines_) return {};
    return source_->Line(line, scratch_);
}

std::string_view RawLogView::Break(size_t line) const { return line < lines_ ? source_->Break(line) : std::string_view(); }

size_t RawLogView::LineStart(size_t line) const {
    if (lines_ == 0) return 0;
    line = std::min(line, lines_ - 1);
    size_t at = blockStarts_[line >> BlockBits];
    for (size_t j = line >> BlockBits << BlockBits; j < line; ++j) at += source_->Length(j) + source_->Break(j).size();
    return at;
}

size_t RawLogView::LineOf(size_t offset) const {
    if (lines_ == 0) return 0;
    auto block = std::upper_bound(blockStarts_.begin(), blockStarts_.end(), offset);
    size_t line = static_cast<size_t>(block - blockStarts_.begin() - 1) << BlockBits;
    size_t at = *(block - 1);
    // The last line starting at or before offset, as a line break belongs to its line.
    while (line + 1 < lines_) {
        const size_t next = at + source_->Length(line) + source_->Break(line).size();
        if (next > offset) break;
        at = next;
        ++line;
    }
    return line;
}

unsigned char RawLogView::ByteAt(size_t offset) const {
    const size_t line = LineOf(offset);
    const size_t within = offset - LineStart(line);
    const std::string_view bytes = LineBytes(line);
    if (within < bytes.size()) return static_cast<unsigned char>(bytes[within]);
    const std::string_view brk = Break(line);
    return within - bytes.size() < brk.size() ? static_cast<unsigned char>(brk[within - bytes.size()]) : 0;
}

int RawLogView::ColumnOf(size_t offset) const {
    const size_t line = LineOf(offset);
    const size_t start = LineStart(line);
    const std::string_view bytes = LineBytes(line);
    const size_t upto = std::min(offset - std::min(offset, start), bytes.size());
    return static_cast<int>(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(upto)).size());
}

size_t RawLogView::OffsetAt(size_t line, int column) const {
    if (lines_ == 0) return 0;
    line = std::min(line, lines_ - 1);
    const std::string_view bytes = LineBytes(line);
    size_t at = 0;
    int units = 0;
    while (at < bytes.size() && units < column) {
        const size_t length = SequenceLength(static_cast<unsigned char>(bytes[at]));
        units += length == 4 ? 2 : 1;
        at = std::min(bytes.size(), at + length);
    }
    return LineStart(line) + at;
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
    anchor_ = std::min(start, total_);
    cursor_ = std::min(end, total_);
    EnsureVisible(cursor_);
    EnsureVisible(anchor_);
    viewport()->update();
}

QString RawLogView::SelectedText() {
    CheckSource();
    const size_t from = SelectionStart(), to = SelectionEnd();
    if (to <= from) return {};
    std::string text;
    size_t line = LineOf(from), at = LineStart(line);
    for (; line < lines_ && at < to; ++line) {
        const std::string_view bytes = LineBytes(line);
        const std::string_view brk = Break(line);
        const size_t size = bytes.size() + brk.size();
        const size_t begin = from > at ? from - at : 0, end = std::min(size, to - at);
        if (begin < bytes.size()) text.append(bytes.substr(begin, std::min(end, bytes.size()) - begin));
        if (end > bytes.size()) {
            const size_t b = std::max(begin, bytes.size()) - bytes.size();
            text.append(brk.substr(b, end - bytes.size() - b));
        }
        at += size;
    }
    // Read from a file that changed meanwhile, the text may hold what the log never had.
    if (CheckSource()) return {};
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void RawLogView::CopySelection() {
    if (SelectionEnd() > SelectionStart()) {
        const QString text = SelectedText();
        if (!text.isEmpty()) QApplication::clipboard()->setText(text);
    }
}

bool RawLogView::Find(const QString& text, bool fromStart) {
    if (text.isEmpty()) return false;
    CheckSource();
    // Next search starts one past the found text's start, so overlapping hits are found too.
    size_t from = 0;
    if (!fromStart) from = SelectionEnd() > SelectionStart() ? SelectionStart() + 1 : cursor_;
    return FindFrom(text, from);
}

bool RawLogView::FindFrom(const QString& text, size_t from) {
    const QByteArray needle = text.toUtf8();
    if (needle.isEmpty() || lines_ == 0 || from >= total_) return false;
    const bool ascii = std::all_of(needle.begin(), needle.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::optional<FoldedNeedle> bytes;
    std::u32string folded;
    if (ascii) {
        bytes.emplace(needle);
    } else {
        for (char32_t c : text.toUcs4()) folded += Fold(c);
    }
    // Line by line: search text holds no line break, so no hit spans two lines.
    size_t line = LineOf(from), at = LineStart(line);
    size_t hit = std::string_view::npos, hitEnd = 0;
    for (; line < lines_; ++line) {
        const std::string_view shown = LineBytes(line);
        const size_t skip = from > at ? std::min(from - at, shown.size()) : 0;
        if (skip < shown.size()) {
            if (bytes) {
                const size_t in = bytes->In(shown.substr(skip));
                if (in != std::string_view::npos) {
                    hit = at + skip + in;
                    hitEnd = hit + bytes->Size();
                    break;
                }
            } else {
                const auto [begin, end] = FindFoldedUnicode(shown, skip, folded);
                if (begin != std::string_view::npos) {
                    hit = at + begin;
                    hitEnd = at + end;
                    break;
                }
            }
        }
        at += shown.size() + Break(line).size();
    }
    if (hit == std::string_view::npos) return false;
    // A file that changed during the search may have given a hit in text the log never had:
    // the lines are indexed again and the search runs once more over what is left.
    if (CheckSource()) return FindFrom(text, 0);
    Select(hit, hitEnd);
    return true;
}

size_t RawLogView::TopLine() const { return static_cast<size_t>(verticalScrollBar()->value()); }

size_t RawLogView::VisibleLineCount() const {
    return static_cast<size_t>(std::max(1, viewport()->height() / lineHeight_));
}

void RawLogView::EnsureVisible(size_t offset) {
    if (lines_ == 0) return;
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
    cursor_ = std::min(offset, total_);
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
    const size_t lines = lines_;
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
    // A file that changed is seen before its lines are drawn (the check costs a few system
    // calls per file), and again after, in case it changed while they were read.
    CheckSource();
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& pal = palette();
    const int scrollX = horizontalScrollBar()->value();
    // Only the columns on screen are laid out, so a megabyte-long line costs what it shows.
    const int firstColumn = std::max(0, static_cast<int>(scrollX / cellWidth_) - 1);
    const int columns = static_cast<int>(viewport()->width() / cellWidth_) + 3;
    const size_t selStart = SelectionStart(), selEnd = SelectionEnd();
    const size_t top = TopLine();
    const size_t last = std::min(lines_, top + VisibleLineCount() + 1);
    size_t lineStart = LineStart(top);
    for (size_t line = top; line < last; ++line) {
        const int y = static_cast<int>(line - top) * lineHeight_;
        const std::string_view bytes = LineBytes(line);
        const size_t lineEnd = lineStart + bytes.size();
        const size_t nextStart = lineEnd + Break(line).size();
        const QString shown = ShownLine(bytes);
        const QString part = shown.mid(firstColumn, columns);
        const qreal x = firstColumn * cellWidth_ - scrollX;
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(QPointF(x, y + ascent_), part);

        const size_t thisStart = lineStart;
        lineStart = nextStart;
        if (selEnd <= selStart || selEnd < thisStart || selStart > lineEnd) continue;
        const int from = selStart <= thisStart ? 0 : ColumnOf(selStart);
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
        cursor_ = total_;
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
            while (at > 0 && (ByteAt(at) & 0xC0) == 0x80) --at;
            MoveCursor(at, extend);
        }
        break;
    case Qt::Key_Right:
        if (cursor_ < total_) MoveCursor(std::min(total_, cursor_ + SequenceLength(ByteAt(cursor_))), extend);
        break;
    case Qt::Key_Up:
        if (line > 0) MoveCursor(OffsetAt(line - 1, column), extend);
        break;
    case Qt::Key_Down:
        if (line + 1 < lines_) MoveCursor(OffsetAt(line + 1, column), extend);
        break;
    case Qt::Key_PageUp:
        MoveCursor(OffsetAt(line > page ? line - page : 0, column), extend);
        break;
    case Qt::Key_PageDown:
        MoveCursor(OffsetAt(lines_ == 0 ? 0 : std::min(lines_ - 1, line + page), column), extend);
        break;
    case Qt::Key_Home:
        MoveCursor(ctrl || lines_ == 0 ? 0 : LineStart(line), extend);
        break;
    case Qt::Key_End:
        MoveCursor(ctrl || lines_ == 0 ? total_ : LineStart(line) + LineBytes(line).size(), extend);
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
    if (event->button() != Qt::LeftButton || lines_ == 0) return;
    // A double click selects the run of non-blank characters under the pointer.
    const size_t at = OffsetAtPoint(event->position().toPoint());
    const size_t line = LineOf(at);
    const size_t lineStart = LineStart(line);
    const std::string_view bytes = LineBytes(line);
    auto blank = [&](size_t i) { return bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '"'; };
    size_t begin = std::min(at - lineStart, bytes.size()), end = begin;
    while (begin > 0 && !blank(begin - 1)) --begin;
    while (end < bytes.size() && !blank(end)) ++end;
    anchor_ = lineStart + begin;
    cursor_ = lineStart + end;
    viewport()->update();
}

} // namespace trevix::ui
