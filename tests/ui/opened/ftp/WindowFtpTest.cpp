// The FTP panel inside the main window, against a local FTP server: what each "and then..."
// choice does to the window, the caption during a download, and Esc or closing the window
// stopping a transfer, with the rest of the window waiting meanwhile.
#include "FtpTestServer.h"
#include "ui/window/WindowFixture.h"

#include "ftp/FtpPanel.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

using namespace trevix;
using namespace trevix::test;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

struct Window : WindowFixture {
    Window() : WindowFixture(OneSite) {}

    // The panel shown in the window's stack of panels.
    QString Shown() const {
        for (auto* stack : win->findChildren<QStackedWidget*>())
            if (stack->indexOf(win->findChild<QWidget*>("frameFTP")) >= 0) return stack->currentWidget()->objectName();
        return {};
    }
    template <class T> T* InPanel(const char* name) const { return win->Ftp()->findChild<T*>(name); }
    // Does something and waits until the panel's commands have finished.
    bool Run(const std::function<void()>& action, int timeoutMs = 20000) {
        QSignalSpy idle(win->Ftp(), &FtpPanel::idle);
        action();
        if (!win->Ftp()->IsBusy()) return true;
        return idle.wait(timeoutMs);
    }
    bool Open(int port, const QString& dir) {
        Find<QToolButton>("Toolbar2_ftp")->click();
        if (!win->Ftp()) return false;
        InPanel<QComboBox>("txtServer")->setEditText("127.0.0.1");
        InPanel<QLineEdit>("txtUsername")->setText(kFtpUser);
        InPanel<QLineEdit>("txtPassword")->setText(kFtpPassword);
        InPanel<QLineEdit>("txtPort")->setText(QString::number(port));
        InPanel<QLineEdit>("Text1")->setText(dir);
        InPanel<QLineEdit>("txtDownloadFolder")->setText(downloads());
        return Run([&] { win->Ftp()->Connect(); }) && win->Ftp()->IsConnected();
    }
    void Select(const QString& name) {
        auto* list = InPanel<QTreeWidget>("List1");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == name) {
                list->topLevelItem(i)->setSelected(true);
                emit list->itemClicked(list->topLevelItem(i), 0);
            }
    }
    QString downloads() const {
        QDir().mkpath(Path("downloads"));
        return Path("downloads");
    }
    QStringList Downloaded() const { return QDir(downloads()).entryList(QDir::Files); }
};
} // namespace

class WindowFtpTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        server_ = std::make_unique<FtpTestServer>();
        QVERIFY2(server_->Running(), server_->Error().c_str());
    }
    void cleanupTestCase() { server_.reset(); }

    void whatFollowsADownload_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("panel");      // the panel shown afterwards
        QTest::addColumn<bool>("connected");     // the connection is still open
        QTest::addColumn<bool>("reportShown");
        QTest::newRow("download only") << "optDownload" << "frameFTP" << true << false;
        QTest::newRow("back to the log files") << "optReturn" << "frameFiles" << true << false;
        QTest::newRow("download and process") << "optDownloadProcess" << "frameReport" << false << true;
    }
    void whatFollowsADownload() {
        QFETCH(QString, choice);
        QFETCH(QString, panel);
        QFETCH(bool, connected);
        QFETCH(bool, reportShown);
        Window w;
        QVERIFY(!w.Find<QToolButton>("Toolbar2_ftp")->isHidden());
        QVERIFY(w.Open(server_->Port(), "/logs"));
        QCOMPARE(w.Shown(), QString("frameFTP"));
        QCOMPARE(w.win->Status(), QString("Connected."));
        w.InPanel<QRadioButton>(qPrintable(choice))->setChecked(true);
        w.Select("access.log");
        const QString caption = w.win->windowTitle();
        QStringList captions;
        connect(w.win.get(), &QWidget::windowTitleChanged, this, [&](const QString& t) { captions << t; });
        bool waited = false;
        QVERIFY(w.Run([&] {
            w.InPanel<QPushButton>("Command3")->click();
            // Nothing else starts while the file comes in.
            waited = w.win->IsTransferring() && !w.Action("mnuFileLoad")->isEnabled() &&
                     !w.Action("mnuToolsOptions")->isEnabled() && !w.win->Pane().Item("sites")->isEnabled();
            w.win->TaskClick("sites");
        }));
        QVERIFY(waited);
        w.win->WaitForWork();
        QCOMPARE(w.win->LogFiles(), QStringList{QDir(w.downloads()).filePath("access.log")});
        QCOMPARE(w.Shown(), panel);
        QCOMPARE(w.win->Ftp()->HandlesOpen(), connected);
        QCOMPARE(w.A().Lists.State.Shown, reportShown);
        if (reportShown) QCOMPARE(w.A().Tables.EntryCount, 400);
        QVERIFY(w.Action("mnuFileLoad")->isEnabled());
        QCOMPARE(w.win->windowTitle(), caption);
        QVERIFY2(captions.isEmpty() || captions.first().endsWith("% downloaded"), qPrintable(captions.join("|")));
    }

    void escOrClosingStopsATransfer_data() {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("Esc") << false;
        QTest::newRow("closing the window") << true;
    }
    void escOrClosingStopsATransfer() {
        QFETCH(bool, closeWindow);
        Window w;
        QVERIFY(w.Open(server_->Port(), "/big"));
        const QString caption = w.win->windowTitle();
        w.Select("big.bin");
        QSignalSpy idle(w.win->Ftp(), &FtpPanel::idle);
        w.InPanel<QPushButton>("Command3")->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.win->windowTitle().endsWith("% downloaded"), 10000);
        if (closeWindow) {
            w.prompter.AnswerYesNo(true);
            w.win->close();
            QCOMPARE(w.prompter.Last().Kind, QString("YesNo"));
        } else {
            QTest::keyClick(w.win.get(), Qt::Key_Escape);
        }
        QVERIFY(idle.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!w.win->IsTransferring(), 2000);
        QVERIFY(w.Downloaded().isEmpty());
        QVERIFY(!w.win->Ftp()->HandlesOpen());
        QCOMPARE(w.win->windowTitle(), caption);
        QVERIFY(w.win->LogFiles().isEmpty());
        if (closeWindow) QTRY_VERIFY_WITH_TIMEOUT(!w.win->isVisible(), 2000);
        else QCOMPARE(w.Shown(), QString("frameFiles"));
    }

private:
    std::unique_ptr<FtpTestServer> server_;
};

QTEST_MAIN(WindowFtpTest)
#include "WindowFtpTest.moc"
