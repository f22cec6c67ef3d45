#pragma once
// The main window's menus and shortcuts: File, Tools and Help, the lists' right-click menus,
// and the keys of commands that live on panels (Ctrl+O, F5, Find, Find next, Esc). The Help
// menu's items work on their own; the others are the window's to connect.
#include <QObject>

class QAction;
class QMainWindow;
class QMenu;
class QWidget;

namespace trevix::ui {

class MainMenus : public QObject {
    Q_OBJECT
public:
    explicit MainMenus(QMainWindow* window);

    // While work runs only Cancel (Esc) is on; save and compare need a report, the exports
    // one shown.
    void SetCommandsEnabled(bool enabled, bool save, bool compare, bool exports);

    QAction* FileLoad = nullptr;
    QAction* FileSave = nullptr;
    QAction* FileCompare = nullptr;
    QAction* FileExportCsv = nullptr;
    QAction* FileExportHtml = nullptr;
    QAction* FileExit = nullptr;
    QAction* ToolsOptions = nullptr;
    QAction* ShowConversionReport = nullptr;
    QAction* AddLogFiles = nullptr;
    QAction* Update = nullptr;
    QAction* Search = nullptr;
    QAction* FindNext = nullptr;
    QAction* Cancel = nullptr;
    QMenu* Context = nullptr;
    QMenu* List = nullptr;   // a list's right-click menu, filled when it opens

private:
    void OpenHelp();
    void OpenUrl(const QString& url);

    QMainWindow* window_;
};

} // namespace trevix::ui
