#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/FakeShell.h"
#include "app/FirstStartFolder.h"
#include "compress/CompressErrors.h"

namespace vko::test {

class AppShellTest : public QObject {
    Q_OBJECT
private slots:
    void startUpEndsWithReadyAndRoutesCompressionReports() {
        ShellRig rig;
        QVERIFY(rig.shell.Form_Load(false));
        QCOMPARE(rig.view.status, QString(" 09:05 PM: Ready"));
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
