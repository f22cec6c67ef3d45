#include "common/WindowPlacement.h"

#include "common/QtText.h"
#include "common/Twips.h"
#include "engine/SettingsStore.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace trevix::ui {

namespace {
constexpr const char* Section = "Window";

std::optional<int> Stored(const SettingsStore* store, const std::string& key) {
    if (!store) return std::nullopt;
    const std::string text = store->GetSetting(Section, key, "X");
    bool ok = false;
    const double v = Q(text).trimmed().toDouble(&ok);
    if (!ok || v < -1e7 || v > 1e7) return std::nullopt;
    return static_cast<int>(v);
}
} // namespace

int StoredTwips(const SettingsStore* store, const std::string& key, int fallback) {
    auto v = Stored(store, key);
    return v && *v > 0 ? *v : fallback;
}

void RestorePlacement(QWidget* w, const SettingsStore* store, const std::string& prefix, bool withState) {
    QRect r = w->geometry();
    if (auto v = Stored(store, prefix + "Left")) r.moveLeft(TwipsToPixels(*v, w));
    if (auto v = Stored(store, prefix + "Top")) r.moveTop(TwipsToPixels(*v, w));
    if (auto v = Stored(store, prefix + "Width"); v && *v > 0) r.setWidth(TwipsToPixels(*v, w));
    if (auto v = Stored(store, prefix + "Height"); v && *v > 0) r.setHeight(TwipsToPixels(*v, w));
    w->setGeometry(r);
    if (withState) {
        // Opening minimised would hide the report the user just asked for.
        if (auto v = Stored(store, prefix + "State"); v && *v == 2) w->setWindowState(Qt::WindowMaximized);
    }
}

void SavePlacement(const QWidget* w, SettingsStore* store, const std::string& prefix, bool withState) {
    if (!store) return;
    const bool minimised = w->isMinimized();
    const bool maximised = w->isMaximized();
    if (withState) store->SaveSetting(Section, prefix + "State", minimised ? "0" : maximised ? "2" : "0");
    if (minimised || maximised) return;
    const QRect r = w->geometry();
    store->SaveSetting(Section, prefix + "Left", std::to_string(PixelsToTwips(r.left(), w)));
    store->SaveSetting(Section, prefix + "Top", std::to_string(PixelsToTwips(r.top(), w)));
    store->SaveSetting(Section, prefix + "Width", std::to_string(PixelsToTwips(r.width(), w)));
    store->SaveSetting(Section, prefix + "Height", std::to_string(PixelsToTwips(r.height(), w)));
}

} // namespace trevix::ui
