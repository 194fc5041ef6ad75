#include <QFile>
#include <QTest>

#include "Version.h"
#include "app/AppShell.h"
#include "app/FakeShell.h"

namespace vko::test {

namespace {

const QString kVersion = VKO_VERSION_TEXT;

struct Rig {
    TempSettings files;
    FakeView view;
    ScriptedMessages messages;
    AppShell shell{view,
                   messages,
                   files.Store(),
                   files.ProgramFolder(),
                   [] { return QTime(21, 5); },
                   QLocale(QLocale::English, QLocale::UnitedStates)};

    void Start() {
        QVERIFY(shell.Form_Load(false));
        view.calls.clear();
    }
};

}  // namespace

class AppShellTest : public QObject {
    Q_OBJECT
private slots:
    void startUpRunsInOrderAndEndsWithReady() {
        Rig rig;
        QVERIFY(rig.shell.Form_Load(false));
        const QString tip = "Vaultkeep Orb v" + kVersion;
        QCOMPARE(rig.view.calls,
                 QStringList({"bind tray: " + tip, "caption: " + tip, "image: 0", "tip: " + tip,
                              "indicator: OK/Idle", "status:  09:05 PM: Ready"}));
        QCOMPARE(rig.shell.State().DefaultFolder, rig.files.ProgramFolder() + "/");
        QCOMPARE(rig.shell.State().UseCompression, int16_t(1));
        QCOMPARE(rig.shell.AppVersion(), kVersion);
        QVERIFY(rig.messages.informed.isEmpty());
    }

    void secondInstanceOnlyTellsTheUser() {
        Rig rig;
        QVERIFY(!rig.shell.Form_Load(true));
        QCOMPARE(rig.messages.informed,
                 QStringList("Another instance of Vaultkeep Orb is already running.\r\n\r\n"
                             "This instance will be close automatically."));
        QVERIFY(rig.view.calls.isEmpty());
        QCOMPARE(rig.shell.State().DefaultFolder, QString());
    }

    void closeProgramWhileIdleEndsWithoutAsking() {
        Rig rig;
        rig.Start();
        QVERIFY(!rig.shell.Form_Unload(true));
        QVERIFY(rig.messages.asked.isEmpty());
        QCOMPARE(rig.view.calls, QStringList({"close others", "delete tray", "end"}));
        QVERIFY(rig.shell.State().CancelProcess);
        QVERIFY(QFile::exists(rig.files.Current()));
    }

    void declinedCancelLeavesTheJobRunning() {
        Rig rig;
        rig.Start();
        rig.shell.Busy = true;
        rig.messages.answers = {false};
        QVERIFY(rig.shell.Form_Unload(true));
        QCOMPARE(rig.messages.asked, QStringList("Cancel current process?"));
        QVERIFY(rig.shell.Busy);
        QVERIFY(!rig.shell.State().CancelProcess);
        QVERIFY(rig.view.calls.isEmpty());
        QVERIFY(!QFile::exists(rig.files.Current()));
    }

    void confirmedCancelStopsTheEngineAndEndsOnce() {
        Rig rig;
        rig.Start();
        rig.shell.Busy = true;
        rig.shell.CreateQueue << "/a";
        rig.messages.answers = {true};
        QVERIFY(!rig.shell.Form_Unload(true));
        QVERIFY(!rig.shell.Busy);
        QVERIFY(rig.shell.State().CancelProcess);
        QVERIFY(rig.shell.Ended());
        QVERIFY(QFile::exists(rig.files.Current()));
        // A job still inside the engine finds its objects intact, then closes again.
        QCOMPARE(rig.shell.CreateQueue, QStringList("/a"));
        rig.shell.JobTick().StopTick();
        QVERIFY(!rig.shell.Form_Unload(true));
        QCOMPARE(rig.messages.asked.size(), 1);
        QCOMPARE(rig.view.calls.count("end"), 1);
    }

    void failedSaveNamesTheFile() {
        Rig rig;
        rig.Start();
        QFile blocker(rig.files.dir.filePath("current"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        rig.shell.SaveSettings();
        QCOMPARE(rig.messages.informed.size(), 1);
        QVERIFY(rig.messages.informed[0].contains(rig.files.Current()));
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::AppShellTest)
#include "AppShellTest.moc"
