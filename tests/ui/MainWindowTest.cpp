#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <algorithm>

#include "Version.h"
#include "app/JobRig.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

namespace vko::test {

namespace {

const QString kIdleTip = QStringLiteral("Vaultkeep Orb v") + VKO_VERSION_TEXT;

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
    // The tray icon's colour: red while busy, green at rest.
    bool IconIsRed() {
        const QColor pixel =
            window->Tray().TrayIcon().icon().pixmap(16, 16).toImage().pixelColor(3, 8);
        return pixel.red() > pixel.green();
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void statusTitleAndTrayFollowTheShell() {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), kIdleTip);
        QCOMPARE(rig.Label("lblStatus"), QString(" 09:05 PM: Ready"));
        QCOMPARE(rig.Busy(), QString("OK/Idle"));
        QCOMPARE(rig.window->Tray().TipText(), kIdleTip);
        QVERIFY(rig.window->Tray().TrayIcon().isVisible());
        rig.Shell().SetIcon(1);
        QCOMPARE(rig.window->Tray().TipText(), kIdleTip + " (Busy)");
        QCOMPARE(rig.Busy(), QString("/Busy"));
        QVERIFY(rig.IconIsRed());
        rig.Shell().SetIcon(0);
        QCOMPARE(rig.window->Tray().TipText(), kIdleTip);
        QCOMPARE(rig.Busy(), QString("OK/Idle"));
        QVERIFY(!rig.IconIsRed());
        rig.Shell().SetTitle(" ");
        QCOMPARE(rig.window->windowTitle(), QString("Vaultkeep Orb -  "));
    }

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

    void trayMenuOffersShowOrHideAndDoubleClickShows() {
        Rig rig;
        QMenu* popup = rig.window->PopupMenu();
        emit rig.window->Tray().TrayIcon().activated(QSystemTrayIcon::Context);
        QVERIFY(!rig.Item("mnuPopupItem_0")->isVisible());
        QVERIFY(rig.Item("mnuPopupItem_1")->isVisible());
        popup->close();
        rig.Item("mnuPopupItem_1")->trigger();
        QVERIFY(rig.PutAway());
        emit rig.window->Tray().TrayIcon().activated(QSystemTrayIcon::Context);
        QVERIFY(rig.Item("mnuPopupItem_0")->isVisible());
        QVERIFY(!rig.Item("mnuPopupItem_1")->isVisible());
        popup->close();
        emit rig.window->Tray().TrayIcon().activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(rig.window->isVisible() && !rig.window->isMinimized());
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

    // While a job is inside the engine, its progress rises in the status bar, which the window
    // shows whole; the commands that open windows wait; Escape cancels the job, and the
    // program and its password stay.
    void aRunningJobShowsProgressAndEscapeCancelsIt() {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        const std::string folder = rig.files.dir.filePath("Big").toStdString();
        MakeTree(folder, {{"big.bin", RandomBytes(6 << 20, 5)}});
        rig.Shell().State().DefaultFolder = rig.files.dir.path() + "/";
        rig.Shell().State().UseCompression = 0;
        auto* bar = rig.window->findChild<QProgressBar*>("prgJob");
        QVERIFY(!bar->isVisible());
        QList<int> values;
        bool commandsWait = true;
        bool statusFits = true;
        QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
            // The contents only, while the job runs.
            if (!bar->isVisible() || !rig.Label("lblStatus").startsWith(" big.bin")) return;
            values << value;
            for (const char* item : {"mnuFileItem_0", "mnuFileItem_1", "mnuOptionsItem_0"})
                commandsWait = commandsWait && !rig.Item(item)->isEnabled();
            statusFits =
                statusFits && rig.window->statusBar()->sizeHint().width() <= rig.window->width();
            if (value >= 30 && rig.Item("mnuFileCancelJob")->isEnabled())
                QTest::keyClick(rig.window.get(), Qt::Key_Escape);
        });
        rig.window->Work().Work().lstFiles_OLEDragDrop({QString::fromStdString(folder)});
        QTRY_VERIFY(rig.Label("lblStatus").endsWith("Box not created"));
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QVERIFY(values.last() >= 30 && values.last() < 100);
        QVERIFY(commandsWait && statusFits);
        QVERIFY(!bar->isVisible());
        for (const char* item : {"mnuFileItem_0", "mnuFileItem_1", "mnuOptionsItem_0"})
            QVERIFY(rig.Item(item)->isEnabled());
        QVERIFY(!rig.Item("mnuFileCancelJob")->isEnabled());
        QVERIFY(!QFile::exists(rig.files.dir.filePath("Big.vkx")));
        QCOMPARE(QString(rig.Shell().State().MemorizedPassword), QString("pw"));
        QCOMPARE(rig.ended, 0);
        QVERIFY(rig.window->isVisible());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::MainWindowTest)
#include "MainWindowTest.moc"
