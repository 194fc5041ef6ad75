#include <QTest>

#include "app/FakeShell.h"
#include "app/ProgressDisplay.h"

namespace vko::test {

namespace {

struct CountingHost : QuietHost {
    void PumpMessages() override { ++pumps; }
    int pumps = 0;
};

struct Rig {
    FakeView view;
    AppState state;
    CountingHost host;
    QStringList stamped;
    ProgressDisplay display{view, state, host, [this](const QString& t) { stamped << t; },
                            QLocale(QLocale::English, QLocale::UnitedStates)};
    // The busy texts written since the last call.
    QStringList TakeBusy() {
        QStringList busy;
        for (const QString& call : view.calls)
            if (call.startsWith("busy: ")) busy << call.mid(6);
        view.calls.clear();
        return busy;
    }
};

}  // namespace

class ProgressDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void scanCountsFilesWithGrouping() {
        Rig rig;
        rig.display.AddingToBlock("/a/x");
        QCOMPARE(rig.view.status, QString(" Files in Box: 1"));
        QCOMPARE(rig.TakeBusy(), QStringList("SCAN"));
        rig.state.FilesInBox = 999;
        rig.display.AddingToBlock("/a/y");
        QCOMPARE(rig.view.status, QString(" Files in Box: 1,000"));
        QCOMPARE(rig.TakeBusy(), QStringList());
    }

    void headerPercentIsWrittenOnlyWhenItMoves() {
        Rig rig;
        rig.display.BuildingHeader(1, 3);
        rig.display.BuildingHeader(1, 3);
        rig.display.BuildingHeader(2, 3);
        QCOMPARE(rig.TakeBusy(), QStringList({"33%", "66%"}));
        QCOMPARE(rig.view.status, QString(" Building Header..."));
        // A new operation starting at the percentage last shown leaves the indicator alone.
        rig.display.BuildingHeader(2, 3);
        QCOMPARE(rig.TakeBusy(), QStringList());
        rig.display.BuildingHeader(0, 3);
        rig.display.BuildingHeader(0, 3);
        QCOMPARE(rig.TakeBusy(), QStringList({"0%", "0%"}));
    }

    void headerStatusIsNotRewritten() {
        Rig rig;
        rig.display.BuildingHeader(1, 2);
        rig.display.BuildingHeader(2, 2);
        QCOMPARE(rig.view.calls.count("status:  Building Header..."), 1);
    }

    void cipherProgressShowsThePreviousPercentage() {
        Rig rig;
        rig.display.CipherProgress(0, 50, 200, 0, 0, "/d/file.bin");
        rig.display.CipherProgress(0, 100, 200, 0, 0, "/d/file.bin");
        rig.display.CipherProgress(0, 200, 200, 0, 0, "/d/file.bin");
        QCOMPARE(rig.TakeBusy(), QStringList({"0%", "25%", "50%"}));
        QCOMPARE(rig.view.status, QString(" file.bin"));
        QCOMPARE(rig.host.pumps, 3);
    }

    void zeroTotalsShowZero() {
        Rig rig;
        rig.display.BuildingHeader(0, 0);
        rig.display.CipherProgress(0, 0, 0, 0, 0, "/d/empty");
        rig.display.CipherProgress(0, 0, 0, 0, 0, "/d/empty");
        QCOMPARE(rig.TakeBusy(), QStringList({"0%", "0%", "0%"}));
    }

    void namesAreShortened_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("compressing");
        const QString n20(20, 'a'), n21(21, 'b'), n35(35, 'c'), n36(36, 'd');
        QTest::newRow("20") << n20 << " " + n20 << " " + n20 + " (compressing)";
        QTest::newRow("21") << n21 << " " + n21 << " " + n21.left(20) + " (compressing)";
        QTest::newRow("35") << n35 << " " + n35 << " " + n35.left(20) + " (compressing)";
        QTest::newRow("36") << n36 << " " + n36.left(35) + "..."
                            << " " + n36.left(20) + " (compressing)";
        QTest::newRow("no folder") << "plain"
                                   << " plain"
                                   << " plain (compressing)";
    }
    void namesAreShortened() {
        QFETCH(QString, name);
        QFETCH(QString, progress);
        QFETCH(QString, compressing);
        Rig rig;
        const std::string path = name == "plain" ? "plain" : "/box/dir/" + name.toStdString();
        rig.display.CipherProgress(0, 1, 2, 0, 0, path);
        QCOMPARE(rig.view.status, progress);
        rig.display.CompressingFile(path);
        QCOMPARE(rig.view.status, compressing);
        rig.display.DecompressingFile(path + ".zlib");
        QVERIFY(rig.view.status.endsWith(" (decompressing)"));
    }

    void creatingBoxIsATimedStatusLine() {
        Rig rig;
        rig.display.CreatingBlock();
        QCOMPARE(rig.stamped, QStringList("Creating Box..."));
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::ProgressDisplayTest)
#include "ProgressDisplayTest.moc"
