#pragma once
// A main window over a settings file of its own in a temporary folder, with the shipped
// reference data, and small logs written on demand. Questions go to a scripted prompter.
#include "config/QtSettingsStore.h"
#include "engine/Analyser.h"
#include "ui/support/ScriptedPrompter.h"
#include "window/GuiRunHost.h"
#include "views/ReportListView.h"
#include "window/MainWindow.h"
#include "window/TaskPane.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace trevix::ui::test {

// One combined log line: visitor address a.b, a day of October 2026, a page and a referrer.
inline QString LogLine(int visitor, int day, const QString& page, int status = 200,
                       const QString& referrer = "-") {
    return QString("10.1.%1.%2 - - [%3/Oct/2026:13:%4:00 +0000] \"GET %5 HTTP/1.1\" %6 1234 \"%7\" "
                   "\"Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0\"\n")
        .arg(visitor / 200)
        .arg(visitor % 200)
        .arg(day, 2, 10, QChar('0'))
        .arg(visitor % 60, 2, 10, QChar('0'))
        .arg(page)
        .arg(status)
        .arg(referrer);
}

class WindowFixture {
public:
    // settings: INI text the settings file starts with (the automatic report and the country
    // report are off unless the text says otherwise: no test writes into the user's folders).
    explicit WindowFixture(const QString& settings = {}) {
        QFile f(SettingsPath());
        f.open(QIODevice::WriteOnly);
        QString text = settings;
        // The country data is large; tests that need it say so.
        if (!text.contains("AnalyseCountries")) text = "[Options]\nAnalyseCountries=No\n" + text;
        if (!text.contains("AutoReport")) text = "[Options]\nAutoReport=No\n" + text;
        f.write(text.toUtf8());
        f.close();
        Open();
    }
    ~WindowFixture() { Close(); }

    QString SettingsPath() const { return dir.filePath("trevix.ini"); }
    QString Path(const QString& name) const { return dir.filePath(name); }

    // Closes the window (which saves its settings) and opens a new one on the same file.
    void Restart() {
        Close();
        Open();
    }

    QString WriteLog(const QString& name, const QString& text) const {
        QFile f(Path(name));
        f.open(QIODevice::WriteOnly);
        f.write(text.toUtf8());
        return f.fileName();
    }
    // count lines from count different visitors, pages /p0.html ... /p9.html.
    QString WriteLog(const QString& name, int count, int day = 10) const {
        QString text;
        for (int i = 0; i < count; ++i) text += LogLine(i, day, QString("/p%1.html").arg(i % 10));
        return WriteLog(name, text);
    }

    template <class T = QWidget>
    T* Find(const QString& name) const {
        T* w = win->findChild<T*>(name);
        if (!w) qWarning("no widget %s", qPrintable(name));
        return w;
    }
    QAction* Action(const QString& name) const { return Find<QAction>(name); }
    Analyser& A() const { return win->analyser(); }
    QStringList Items(const QString& group) const { return win->Pane().Items(group); }

    // Adds the files and shows the report, waiting for the run to end.
    void Run(const QStringList& files) {
        if (!files.isEmpty()) win->AddLogFiles(files);
        win->TaskClick("report");
        win->WaitForWork();
    }
    // Clicks a task pane item as the user would.
    void Click(const QString& key) {
        QAbstractButton* item = win->Pane().Item(key);
        QVERIFY2(item, qPrintable("no task item " + key));
        item->click();
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    std::unique_ptr<QtSettingsStore> store;
    std::unique_ptr<MainWindow> win;

private:
    void Open() {
        store = std::make_unique<QtSettingsStore>(SettingsPath().toStdString());
        win = std::make_unique<MainWindow>(*store);
        win->LoadReferenceData(TREVIX_SOURCE_DIR "/data");
        win->ReadTimeZoneOffset();
        win->show();
    }
    void Close() {
        if (!win) return;
        win->close();
        win.reset();
        store.reset();
    }
};

} // namespace trevix::ui::test
