#pragma once
// A window's size and position remembered in section "Window" of the settings store, in twips,
// under keys made of a prefix and "Left", "Top", "Width", "Height" (and "State": 0 normal,
// 1 minimised, 2 maximised). Absent or unreadable keys are skipped.
#include <string>

class QWidget;

namespace trevix {
class SettingsStore;
}

namespace trevix::ui {

void RestorePlacement(QWidget* window, const SettingsStore* store, const std::string& prefix, bool withState);
// A minimised window stores state 0; the rectangle is stored only for a normal window.
void SavePlacement(const QWidget* window, SettingsStore* store, const std::string& prefix, bool withState);

// A stored twips value ("X" or damaged text gives fallback).
int StoredTwips(const SettingsStore* store, const std::string& key, int fallback);

} // namespace trevix::ui
