#pragma once
// Widths in the settings are twips (1440 per inch); the screen's logical DPI converts them.
class QWidget;

namespace trevix::ui {

int TwipsToPixels(int twips, const QWidget* widget);
int PixelsToTwips(int pixels, const QWidget* widget);

} // namespace trevix::ui
