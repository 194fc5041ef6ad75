#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "Version.h"
#include "app/FakeShell.h"
#include "app/FirstStartFolder.h"
#include "compress/CompressErrors.h"

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
        QCOMPARE(rig.shell.State().DefaultFolder, rig.files.FirstStartFolder() + "/");
        QVERIFY(rig.messages.informed.isEmpty());
        // The compression module reports through the shell's message boxes from now on.
        modCompress::ReportFailure("Expand", 7, "Bad data");
        QCOMPARE(rig.messages.informed,
                 QStringList("  Error  -  Bad data|Expand caused the following error :\n\n"
                             "Error Number = 7\nError Description = Bad data"));
    }

    // The documents folder, made when missing; the home folder when it cannot be had.
    void firstStartFolder_data() {
        QTest::addColumn<QString>("documents");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exists") << "docs"
                                << "docs";
        QTest::newRow("missing, made") << "new/docs"
                                       << "new/docs";
        QTest::newRow("under a file") << "file/docs"
                                      << "home";
        QTest::newRow("none known") << ""
                                    << "home";
    }
    void firstStartFolder() {
        QFETCH(QString, documents);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("docs");
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QString given = documents.isEmpty() ? QString() : dir.filePath(documents);
        QCOMPARE(FirstStartFolder(given, dir.filePath("home")), dir.filePath(expected));
        QVERIFY(QFileInfo(dir.filePath(expected)).isDir() || expected == "home");
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
            endRequested && busy ? QStringList(ExitDuringJobQuestion()) : QStringList();

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
