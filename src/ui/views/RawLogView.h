#pragma once
// The raw log page: a read-only, fixed-pitch view that draws only the visible lines of the
// engine's raw log text (which may be hundreds of megabytes), with selection, copy and search.
#include <QAbstractScrollArea>
#include <string_view>

namespace trevix::ui {

class RawLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit RawLogView(QWidget* parent = nullptr);

    // Shows text without copying it; the caller keeps it alive and unchanged until the next
    // SetText (an empty view clears the page).
    void SetText(std::string_view text);
    // Finds text (case-insensitive) after the current selection, or from the start; selects
    // it and scrolls it into view. False when not found.
    bool Find(const QString& text, bool fromStart);
    QString SelectedText() const;
};

} // namespace trevix::ui
