#include "common/Twips.h"

#include <QWidget>
#include <cmath>

namespace trevix::ui {

int TwipsToPixels(int twips, const QWidget* widget) {
    const int dpi = widget ? widget->logicalDpiX() : 96;
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int PixelsToTwips(int pixels, const QWidget* widget) {
    const int dpi = widget ? widget->logicalDpiX() : 96;
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

} // namespace trevix::ui
