#include "window/StartUp.h"

#include "common/Prompter.h"
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "config/QtSettingsStore.h"
#include "config/ReferenceDataLoader.h"
#include "window/MainWindow.h"
#include "common/ProgramInfo.h"
#include "window/TerminationSignals.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QSplashScreen>
#include <QTimer>
#include <utility>

namespace trevix::ui {

namespace {

bool Readable(const QString& path) {
    QFileInfo info(path);
    if (!info.exists()) return true;   // a first run: nothing to lose
    if (!info.isFile() || !info.isReadable()) return false;
    QSettings probe(path, QSettings::IniFormat);
    return probe.status() == QSettings::NoError;
}

} // namespace

QPixmap SplashPicture() {
    QPixmap picture(420, 200);
    picture.fill(QApplication::palette().color(QPalette::Window));
    QPainter p(&picture);
    p.setPen(QApplication::palette().color(QPalette::WindowText));
    QFont f = QApplication::font();
    f.setPointSizeF(f.pointSizeF() * 2.2);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 40, 420, 60), Qt::AlignCenter, ProductTitle());
    p.setFont(QApplication::font());
    p.drawText(QRect(0, 110, 420, 30), Qt::AlignCenter, "Version " + VersionText());
    p.drawRect(0, 0, 419, 199);
    return picture;
}

std::unique_ptr<QSplashScreen> ShowSplash(const QString& message) {
    auto screen = std::make_unique<QSplashScreen>(SplashPicture());
    screen->setObjectName("frmSplash");
    screen->show();
    screen->showMessage(message, Qt::AlignBottom | Qt::AlignHCenter);
    QApplication::processEvents();
    return screen;
}

bool LoadCountryDataShown(ReferenceData& reference, RunHost& host, const std::string& folder) {
    const std::unique_ptr<QSplashScreen> splash = ShowSplash("Loading country data...");
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const bool ok = LoadCountryData(reference, host, folder);
    QApplication::restoreOverrideCursor();
    return ok;
}

std::unique_ptr<SettingsStore> OpenSettings(const QString& path, bool& unreadable) {
    const QString file =
        path.isEmpty() ? QSettings(QSettings::IniFormat, QSettings::UserScope, "Trevix", "Trevix").fileName() : path;
    unreadable = !Readable(file);
    if (unreadable) return std::make_unique<MemorySettingsStore>();
    return std::make_unique<QtSettingsStore>(file.toStdString());
}

std::unique_ptr<MainWindow> StartProgram(SettingsStore& store, const QStringList& logFiles, bool splash) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    std::unique_ptr<QSplashScreen> screen;
    if (splash) screen = ShowSplash("Loading...");
    auto window = std::make_unique<MainWindow>(store);
    window->LoadReferenceData(FindDataFolder());
    window->ReadTimeZoneOffset();
    window->show();
    QApplication::restoreOverrideCursor();
    if (screen) screen->finish(window.get());
    if (!logFiles.isEmpty()) {
        window->AddLogFiles(logFiles);
        window->TaskClick("report");
    }
    return window;
}

int RunProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Trevix");
    QApplication::setOrganizationName("Trevix");
    QApplication::setApplicationVersion(VersionText());
    QApplication::setWindowIcon(QIcon::fromTheme("trevix"));

    // Caught from the start; the window answers once the event loop runs.
    TerminationSignals termination;
    int terminatedBy = 0;
    QObject::connect(&termination, &TerminationSignals::Received, &app, [&](int signal) {
        if (terminatedBy == 0) terminatedBy = signal;
    });

    const QString settingsPath = qEnvironmentVariable("TREVIX_SETTINGS_FILE");
    const QString screenshots = qEnvironmentVariable("TREVIX_SCREENSHOTS");
    bool unreadable = false;
    std::unique_ptr<SettingsStore> store = OpenSettings(settingsPath, unreadable);

    const QStringList files = QApplication::arguments().mid(1);
    std::unique_ptr<MainWindow> window = StartProgram(*store, files, screenshots.isEmpty());
    // Leaving the event loop leaves every nested one too, a modal question's: nothing more is
    // asked once the settings are written.
    auto terminate = [w = window.get()](int signal) { QCoreApplication::exit(w->Terminate(signal)); };
    QObject::connect(&termination, &TerminationSignals::Received, window.get(), terminate);
    // A signal read while the window was being made (the splash lets events run).
    if (terminatedBy != 0) QTimer::singleShot(0, window.get(), [terminate, terminatedBy] { terminate(terminatedBy); });
    if (unreadable) {
        window->SetSaveSettingsOnExit(false);
        CurrentPrompter().Message(window.get(), MessageIcon::Warning, "Trevix",
                                  "The settings file could not be read. Trevix starts with its default settings "
                                  "and leaves the file as it is.");
    }
    if (!screenshots.isEmpty()) {
        window->SetSaveSettingsOnExit(false);
        window->SetScreenshotServer(qEnvironmentVariable("TREVIX_SCREENSHOT_FTP"));
        window->resize(1200, 820);
        // Once: the pictures themselves run work (a conversion report) that ends the same way.
        auto take = [&, taken = false]() mutable {
            if (std::exchange(taken, true)) return;
            const QStringList written = window->SaveScreenshots(screenshots);
            for (const QString& f : written) qInfo("%s", qPrintable(f));
            QTimer::singleShot(0, &app, &QApplication::quit);
        };
        if (window->IsWorking())
            QObject::connect(window.get(), &MainWindow::WorkFinished, &app, take,
                             Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        else
            QTimer::singleShot(200, &app, take);
    }
    const int status = app.exec();
    window.reset();
    return status;
}

} // namespace trevix::ui
