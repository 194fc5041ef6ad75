#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <algorithm>

#include "app/JobRig.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

namespace vko::test {

namespace {

// The main window with its clock at 21:05 and the jobs' dialogs answered by the test.
struct Rig {
    TempSettings files;
    ScriptedMessages messages;
    FakeDialogs dialogs;
    int ended = 0;
    QList<QUrl> opened;
    std::unique_ptr<frmMain> window;

    Rig() {
        UseFastKeys();
        WindowServices services;
        services.clock = [] { return QTime(21, 5); };
        services.endProgram = [this] { ++ended; };
        services.open = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        services.pickFolder = [](QWidget*, const QString&) { return QString(); };
        services.dialogs = &dialogs;
        services.firstStartFolder = files.FirstStartFolder();
        window = std::make_unique<frmMain>(messages, files.Store(), services);
        if (!window->Form_Load(false)) qFatal("start-up failed");
        window->show();
    }
    AppShell& Shell() { return window->Shell(); }
    QAction* Item(const QString& name) { return window->findChild<QAction*>(name); }
    QString Label(const char* name) { return window->findChild<QLabel*>(name)->text(); }
    QString Busy() {
        return Label("lblBusy") + "/" + window->findChild<QLabel*>("lblBusy")->toolTip();
    }
    QListView* List() { return window->findChild<QListView*>("lstFiles"); }
    QStringList Entries() { return window->Work().lstFiles().stringList(); }
    // Hidden, or minimized where no notification area could bring it back.
    bool PutAway() const {
        return QSystemTrayIcon::isSystemTrayAvailable() ? !window->isVisible()
                                                        : window->isMinimized();
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The close box never ends the program, busy or not.
    void closeBoxPutsTheWindowAwayAndKeepsRunning() {
        Rig rig;
        rig.Shell().Busy = true;
        rig.window->close();
        QVERIFY(rig.PutAway());
        QCOMPARE(rig.ended, 0);
        QVERIFY(rig.messages.asked.isEmpty());
        QVERIFY(rig.window->Tray().TrayIcon().isVisible());
        QVERIFY(!QFile::exists(rig.files.Current()));
    }

    void ending_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("yes");
        QTest::newRow("Exit while idle") << "mnuFileItem_3" << false << false;
        QTest::newRow("Exit while busy, No") << "mnuFileItem_3" << true << false;
        QTest::newRow("Remove while busy, Yes") << "mnuPopupItem_3" << true << true;
    }
    void ending() {
        QFETCH(QString, item);
        QFETCH(bool, busy);
        QFETCH(bool, yes);
        Rig rig;
        rig.window->ShowAbout();
        QPointer<frmAbout> about = rig.window->findChild<frmAbout*>();
        QVERIFY(about && about->isVisible());
        rig.Shell().Busy = busy;
        rig.messages.answers = {yes};
        const bool ends = !busy || yes;
        const QStringList asked = busy ? QStringList(ExitDuringJobQuestion()) : QStringList();

        rig.Item(item)->trigger();
        QCOMPARE(rig.messages.asked, asked);
        QCOMPARE(rig.ended, int(ends));
        QCOMPARE(rig.window->isVisible(), !ends);
        QCOMPARE(rig.window->Tray().TrayIcon().isVisible(), !ends);
        QCOMPARE(about && about->isVisible(), !ends);
        QCOMPARE(rig.Shell().Busy, !ends);
        QCOMPARE(rig.Shell().State().CancelProcess, ends);
        QCOMPARE(QFile::exists(rig.files.Current()), ends);
        if (ends) {
            // The job that was running calls CloseProgram again when the engine returns.
            rig.window->CloseProgram();
            QCOMPARE(rig.ended, 1);
        } else {
            rig.window->close();
            QVERIFY(rig.PutAway());
            QCOMPARE(rig.ended, 0);
        }
        QCOMPARE(rig.messages.asked, asked);
    }

    void clearPasswordForgetsItAndBlanksTheStatus() {
        Rig rig;
        rig.Shell().State().MemorizedPassword = "secret";
        rig.Item("mnuOptionsItem_1")->trigger();
        QCOMPARE(rig.Shell().State().MemorizedPassword, QString());
        QCOMPARE(rig.Label("lblStatus"), QString());
    }

    // A box entry is opened, a folder entry shown in the file manager.
    void doubleClickOpensAndDeleteRemoves() {
        Rig rig;
        rig.dialogs.password = [](const QString&) { return std::optional<QString>(); };
        const QString folder = rig.files.dir.path();
        const QString second = rig.files.dir.filePath("second.vkx");
        QFile(second).open(QIODevice::WriteOnly);
        rig.window->Work().lstFiles().setStringList({"/x/first.vkx", second, folder});
        QListView* list = rig.List();
        for (const int row : {1, 2}) {
            const QPoint at = list->visualRect(rig.window->Work().lstFiles().index(row)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(rig.dialogs.asked, QStringList("password: second.vkx []"));
        QCOMPARE(rig.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});

        list->setFocus();
        list->setCurrentIndex(rig.window->Work().lstFiles().index(0));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(rig.Entries(), QStringList({second, folder}));
    }

};

}  // namespace vko::test

QTEST_MAIN(vko::test::MainWindowTest)
#include "MainWindowTest.moc"
