#include "window/MainWindowPlacement.h"

#include "common/QtText.h"
#include "common/Twips.h"
#include "config/SettingsStore.h"

#include <QRect>
#include <QWidget>

#include <algorithm>
#include <string>

namespace trevix::ui {

void RestoreWindowPlacement(QWidget& window, SettingsStore& store) {
    auto read = [&store](const char* key, int& value) {
        const std::string text = store.GetSetting("Window", key, "X");
        if (text == "X") return false;
        value = Q(text).trimmed().toInt();
        return true;
    };
    int left = 0, top = 0, width = 0, height = 0, state = 0;
    QRect g = window.geometry();
    if (read("MainLeft", left)) g.moveLeft(TwipsToPixels(left, &window));
    if (read("MainTop", top)) g.moveTop(TwipsToPixels(top, &window));
    if (read("MainWidth", width)) g.setWidth(std::max(200, TwipsToPixels(width, &window)));
    if (read("MainHeight", height)) g.setHeight(std::max(150, TwipsToPixels(height, &window)));
    window.resize(g.size());
    if (store.GetSetting("Window", "MainLeft", "X") != "X" || store.GetSetting("Window", "MainTop", "X") != "X")
        window.move(g.topLeft());
    if (read("MainState", state) && state == 2) window.setWindowState(Qt::WindowMaximized);
}

void SaveWindowPlacement(const QWidget& window, SettingsStore& store) {
    store.SaveSetting("Window", "MainState", window.isMaximized() ? "2" : "0");
    if (window.isMinimized() || window.isMaximized()) return;
    store.SaveSetting("Window", "MainLeft", std::to_string(PixelsToTwips(window.x(), &window)));
    store.SaveSetting("Window", "MainTop", std::to_string(PixelsToTwips(window.y(), &window)));
    store.SaveSetting("Window", "MainWidth", std::to_string(PixelsToTwips(window.width(), &window)));
    store.SaveSetting("Window", "MainHeight", std::to_string(PixelsToTwips(window.height(), &window)));
}

} // namespace trevix::ui
