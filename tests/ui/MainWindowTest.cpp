#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Version.h"
#include "app/FakeShell.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"

namespace vko::test {

namespace {

const QString kIdleTip = QStringLiteral("Vaultkeep Orb v") + VKO_VERSION_TEXT;

struct Rig {
    TempSettings files;
    ScriptedMessages messages;
    int ended = 0;
    std::unique_ptr<frmMain> window;

    Rig() {
        WindowServices services;
        services.clock = [] { return QTime(21, 5); };
        services.endProgram = [this] { ++ended; };
        services.open = [](const QUrl&) { return true; };
        services.pickFolder = [](QWidget*, const QString&) { return QString(); };
        services.programFolder = files.ProgramFolder();
        window = std::make_unique<frmMain>(messages, files.Store(), services);
        if (!window->Form_Load(false)) qFatal("start-up failed");
        window->show();
    }
    QAction* Item(const QString& name) { return window->findChild<QAction*>(name); }
    QLabel* Label(const char* name) { return window->findChild<QLabel*>(name); }
    // Hidden, or minimized where no notification area could bring it back.
    bool PutAway() const {
        return QSystemTrayIcon::isSystemTrayAvailable() ? !window->isVisible()
                                                        : window->isMinimized();
    }
};

QColor BackOf(const QLabel* label) {
    return label->palette().color(QPalette::Window);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void startsReadyAndIdle() {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), kIdleTip);
        QCOMPARE(rig.Label("lblStatus")->text(), QString(" 09:05 PM: Ready"));
        QCOMPARE(rig.Label("lblBusy")->text(), QString("OK"));
        QCOMPARE(rig.Label("lblBusy")->toolTip(), QString("Idle"));
        QCOMPARE(BackOf(rig.Label("lblBusy")), QColor(0x00, 0x80, 0x00));
        QVERIFY(rig.Label("lblBusy")->font().bold());
        QCOMPARE(rig.window->Tray().TipText(), kIdleTip);
        QVERIFY(rig.window->Tray().TrayIcon().isVisible());
        for (const auto& [name, interval] : {std::pair{"Timer", 1}, std::pair{"AppTimer", 10}}) {
            auto* timer = rig.window->findChild<QTimer*>(name);
            QVERIFY(timer);
            QCOMPARE(timer->interval(), interval);
            QVERIFY(!timer->isActive());
        }
    }

    void busyAndBackToIdle() {
        Rig rig;
        rig.window->Shell().SetIcon(1);
        QCOMPARE(rig.window->Tray().TipText(), kIdleTip + " (Busy)");
        QCOMPARE(rig.Label("lblBusy")->text(), QString());
        QCOMPARE(rig.Label("lblBusy")->toolTip(), QString("Busy"));
        QCOMPARE(BackOf(rig.Label("lblBusy")), QColor(0xFF, 0x00, 0x00));
        const QImage busy = rig.window->Tray().TrayIcon().icon().pixmap(16, 16).toImage();
        QCOMPARE(busy.pixelColor(3, 8).red() > busy.pixelColor(3, 8).green(), true);
        rig.window->Shell().SetIcon(0);
        QCOMPARE(rig.window->Tray().TipText(), kIdleTip);
        QCOMPARE(rig.Label("lblBusy")->text(), QString("OK"));
        const QImage idle = rig.window->Tray().TrayIcon().icon().pixmap(16, 16).toImage();
        QCOMPARE(idle.pixelColor(3, 8).green() > idle.pixelColor(3, 8).red(), true);
        rig.window->Shell().SetTitle(" ");
        QCOMPARE(rig.window->windowTitle(), QString("Vaultkeep Orb -  "));
    }

    void menus_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("new") << "mnuFileItem_0"
                             << "&New Box" << QKeySequence("Ctrl+N");
        QTest::newRow("open") << "mnuFileItem_1"
                              << "&Open Box" << QKeySequence("Ctrl+O");
        QTest::newRow("exit") << "mnuFileItem_3"
                              << "E&xit" << QKeySequence();
        QTest::newRow("settings") << "mnuOptionsItem_0"
                                  << "&Settings" << QKeySequence("F1");
        QTest::newRow("clear") << "mnuOptionsItem_1"
                               << "&Clear Password" << QKeySequence("F2");
        QTest::newRow("hide") << "mnuOptionsItem_3"
                              << "&Hide" << QKeySequence("F3");
        QTest::newRow("about") << "mnuHelpItem_0"
                               << "&About Vaultkeep Orb..." << QKeySequence();
        QTest::newRow("show") << "mnuPopupItem_0"
                              << "&Show" << QKeySequence();
        QTest::newRow("tray hide") << "mnuPopupItem_1"
                                   << "&Hide" << QKeySequence();
        QTest::newRow("remove") << "mnuPopupItem_3"
                                << "&Remove Vaultkeep Orb" << QKeySequence();
    }
    void menus() {
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        Rig rig;
        QAction* action = rig.Item(item);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), shortcut);
        for (const char* separator : {"mnuFileItem_2", "mnuOptionsItem_2", "mnuPopupItem_2"})
            QVERIFY(rig.Item(separator)->isSeparator());
    }

    void closeBoxPutsTheWindowAwayAndKeepsRunning() {
        Rig rig;
        rig.window->close();
        QVERIFY(rig.PutAway());
        QCOMPARE(rig.ended, 0);
        QVERIFY(rig.window->Tray().TrayIcon().isVisible());
        QVERIFY(!QFile::exists(rig.files.Current()));
    }

    void exitWhileIdleEndsAndSaves() {
        Rig rig;
        rig.Item("mnuFileItem_3")->trigger();
        QCOMPARE(rig.ended, 1);
        QVERIFY(rig.messages.asked.isEmpty());
        QVERIFY(!rig.window->isVisible());
        QVERIFY(!rig.window->Tray().TrayIcon().isVisible());
        QVERIFY(QFile::exists(rig.files.Current()));
    }

    void declinedExitKeepsTheCloseBoxHiding() {
        Rig rig;
        rig.window->Shell().Busy = true;
        rig.messages.answers = {false};
        rig.Item("mnuFileItem_3")->trigger();
        QCOMPARE(rig.messages.asked, QStringList("Cancel current process?"));
        QVERIFY(rig.window->isVisible());
        QVERIFY(rig.window->Shell().Busy);
        rig.window->close();
        QVERIFY(rig.PutAway());
        QCOMPARE(rig.messages.asked.size(), 1);
        QCOMPARE(rig.ended, 0);
    }

    void confirmedRemoveWhileBusyCancelsAndClosesOtherWindows() {
        Rig rig;
        rig.window->ShowAbout();
        QPointer<frmAbout> about = rig.window->findChild<frmAbout*>();
        QVERIFY(about && about->isVisible());
        rig.window->Shell().Busy = true;
        rig.messages.answers = {true};
        rig.Item("mnuPopupItem_3")->trigger();
        QCOMPARE(rig.ended, 1);
        QVERIFY(rig.window->Shell().State().CancelProcess);
        QVERIFY(!rig.window->Shell().Busy);
        QVERIFY(!about || !about->isVisible());
        // The job that was running calls CloseProgram again when the engine returns.
        rig.window->CloseProgram();
        QCOMPARE(rig.ended, 1);
        QCOMPARE(rig.messages.asked.size(), 1);
    }

    void trayMenuOffersShowOrHide() {
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
    }

    void hideThenDoubleClickShowsAgain() {
        Rig rig;
        rig.Item("mnuOptionsItem_3")->trigger();
        QVERIFY(rig.PutAway());
        emit rig.window->Tray().TrayIcon().activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(rig.window->isVisible());
        QVERIFY(!rig.window->isMinimized());
    }

    void clearPasswordForgetsItAndBlanksTheStatus() {
        Rig rig;
        rig.window->Shell().State().MemorizedPassword = "secret";
        rig.Item("mnuOptionsItem_1")->trigger();
        QCOMPARE(rig.window->Shell().State().MemorizedPassword, QString());
        QCOMPARE(rig.Label("lblStatus")->text(), QString());
    }

    void settingsMenuOpensTheDialogModally() {
        Rig rig;
        QString shownPath;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmSettings*>(QApplication::activeModalWidget());
            if (!dialog) return;
            shownPath = dialog->findChild<QLineEdit*>("txtPath")->text();
            dialog->findChild<QPushButton*>("cmdCancel")->click();
        });
        rig.Item("mnuOptionsItem_0")->trigger();
        QCOMPARE(shownPath, rig.files.ProgramFolder() + "/");
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::MainWindowTest)
#include "MainWindowTest.moc"
