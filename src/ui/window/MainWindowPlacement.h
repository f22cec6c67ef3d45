#pragma once
// Where the main window stood and how large it was, kept in twips as the settings have it. The
// main window keeps its own keys and minimum size; other windows use common/WindowPlacement.
class QWidget;

namespace trevix {
class SettingsStore;
}

namespace trevix::ui {

// Moves and sizes window as last saved; what was never saved stays as it is.
void RestoreWindowPlacement(QWidget& window, SettingsStore& store);
// Saves whether window is maximised and, when it is shown normally, its place and size.
void SaveWindowPlacement(const QWidget& window, SettingsStore& store);

} // namespace trevix::ui
