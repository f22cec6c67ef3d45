#pragma once
// The panels' toolbar buttons: text beside a theme icon (the style's when the theme has none).
#include <QIcon>
#include <QStyle>
#include <QToolButton>

namespace trevix::ui {

inline QToolButton* ToolButton(const QString& name, const QString& text, QStyle::StandardPixmap icon,
                               const QString& theme, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setIcon(QIcon::fromTheme(theme, parent->style()->standardIcon(icon)));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    return b;
}

} // namespace trevix::ui
