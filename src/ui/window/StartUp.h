#pragma once
// Starting the program: splash window, settings, the main window, reference data, the
// time-zone offset, then the log files named on the command line analysed in the window.
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

class QSplashScreen;

namespace trevix {
struct ReferenceData;
class RunHost;
class SettingsStore;
}

namespace trevix::ui {

class MainWindow;

// The picture of the splash window: the product's name and version.
QPixmap SplashPicture();
// The splash window, shown at once with message under the picture.
std::unique_ptr<QSplashScreen> ShowSplash(const QString& message);
// Reads the country data from folder under the splash window and the busy cursor: a few
// seconds on a slow disk. False when it could not be read.
bool LoadCountryDataShown(ReferenceData& reference, RunHost& host, const std::string& folder);

// The settings the program uses: the file at path (the user's own file when path is empty).
// When that file exists but cannot be read, the settings are kept in memory for this run and
// the file is left untouched; unreadable is then true.
std::unique_ptr<SettingsStore> OpenSettings(const QString& path, bool& unreadable);

// Builds and shows the main window with the settings in store; each argument is one log
// file (a name with blanks is still one file): they are listed and analysed in the window, so
// the progress bar and Cancel are there while they are read.
std::unique_ptr<MainWindow> StartProgram(SettingsStore& store, const QStringList& logFiles, bool splash);

// The program's entry: QApplication, start-up, the event loop.
// Hidden switches for the screenshot script, read from the environment:
//   TREVIX_SETTINGS_FILE  a settings file to use instead of the user's own
//   TREVIX_SCREENSHOTS    a folder: once the report is shown, a picture of every panel and
//                         report page is saved there (name.png) and the program ends
//   TREVIX_SCREENSHOT_FTP "host port user password folder" of an FTP server to show
//                         connected in the FTP panel's picture
int RunProgram(int argc, char** argv);

} // namespace trevix::ui
