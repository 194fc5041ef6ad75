#include <QFile>
#include <QTest>

#include "Version.h"
#include "app/FakeShell.h"

namespace vko::test {

class AppShellTest : public QObject {
    Q_OBJECT
private slots:
    void startUpRunsInOrderAndEndsWithReady() {
        ShellRig rig;
        QVERIFY(rig.shell.Form_Load(false));
        const QString tip = QStringLiteral("Vaultkeep Orb v") + VKO_VERSION_TEXT;
        QCOMPARE(rig.view.calls,
                 QStringList({"bind tray: " + tip, "caption: " + tip, "image: 0", "tip: " + tip,
                              "indicator: OK/Idle", "status:  09:05 PM: Ready"}));
        QCOMPARE(rig.shell.State().DefaultFolder, rig.files.ProgramFolder() + "/");
        QVERIFY(rig.messages.informed.isEmpty());
    }

    void closing_data() {
        QTest::addColumn<bool>("endRequested");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("calls");
        const QStringList end{"close others", "delete tray", "end"};
        QTest::newRow("close box hides") << false << true << true << QStringList("hide");
        QTest::newRow("idle ends without asking") << true << false << false << end;
        QTest::newRow("busy, No keeps the job") << true << true << false << QStringList();
        QTest::newRow("busy, Yes stops it") << true << true << true << end;
    }
    void closing() {
        QFETCH(bool, endRequested);
        QFETCH(bool, busy);
        QFETCH(bool, yes);
        QFETCH(QStringList, calls);
        ShellRig rig;
        QVERIFY(rig.shell.Form_Load(false));
        rig.view.calls.clear();
        rig.shell.Busy = busy;
        rig.shell.CreateQueue << "/a";
        rig.messages.answers = {yes};
        const bool ends = calls.contains("end");
        const QStringList question =
            endRequested && busy ? QStringList("Cancel current process?") : QStringList();

        QCOMPARE(rig.shell.Form_Unload(endRequested), !ends);
        QCOMPARE(rig.view.calls, calls);
        QCOMPARE(rig.messages.asked, question);
        QCOMPARE(rig.shell.State().CancelProcess, ends);
        QCOMPARE(rig.shell.Busy, busy && !ends);
        QCOMPARE(QFile::exists(rig.files.Current()), ends);
        if (!ends) return;
        // A job still inside the engine finds its objects intact, then closes again.
        QCOMPARE(rig.shell.CreateQueue, QStringList("/a"));
        rig.shell.JobTick().StopTick();
        QVERIFY(!rig.shell.Form_Unload(true));
        QCOMPARE(rig.messages.asked, question);
        QCOMPARE(rig.view.calls.count("end"), 1);
    }

    void failedSaveNamesTheFile() {
        ShellRig rig;
        QVERIFY(rig.shell.Form_Load(false));
        QFile blocker(rig.files.dir.filePath("current"));  // a file where the folder should be
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
