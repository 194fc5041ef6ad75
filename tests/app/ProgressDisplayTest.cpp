#include <QTest>

#include "app/FakeShell.h"
#include "app/ProgressDisplay.h"
#include "support/TestFiles.h"

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
    ProgressDisplay display{view, state, host, [](const QString&) {},
                            QLocale(QLocale::English, QLocale::UnitedStates)};
    // The busy texts (or the bar's values) written since the last call.
    QStringList TakeBusy(const QString& kind = "busy: ") {
        QStringList busy;
        for (const QString& call : view.calls)
            if (call.startsWith(kind)) busy << call.mid(kind.size());
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
        QCOMPARE(rig.view.calls.filter("bar: "), QStringList("bar: -1"));  // length unknown
        QCOMPARE(rig.TakeBusy(), QStringList("SCAN"));
        rig.state.FilesInBox = 999;
        rig.display.AddingToBlock("/a/y");
        QCOMPARE(rig.view.status, QString(" Files in Box: 1,000"));
        QCOMPARE(rig.TakeBusy(), QStringList());
    }

    // The percentage and the status line are written only when they change.
    void headerProgressIsWrittenOnlyWhenItMoves() {
        Rig rig;
        rig.display.BuildingHeader(1, 3);
        rig.display.BuildingHeader(1, 3);
        rig.display.BuildingHeader(2, 3);
        QCOMPARE(rig.view.calls.count("status:  Building Header..."), 1);
        QCOMPARE(rig.TakeBusy(), QStringList({"33%", "66%"}));
        rig.display.BuildingHeader(2, 3);
        QCOMPARE(rig.TakeBusy(), QStringList());
        rig.display.BuildingHeader(0, 3);
        rig.display.BuildingHeader(0, 3);
        QCOMPARE(rig.TakeBusy(), QStringList({"0%", "0%"}));
    }

    // The indicator runs one event late, the bar does not; a new job starts both afresh.
    void cipherProgressShowsThePreviousPercentage() {
        Rig rig;
        for (const int done : {50, 100, 200})
            rig.display.CipherProgress(0, done, 200, 0, 0, "/d/f");
        QCOMPARE(rig.view.calls.filter("bar: "), QStringList({"bar: 25", "bar: 50", "bar: 100"}));
        QCOMPARE(rig.TakeBusy(), QStringList({"0%", "25%", "50%"}));
        QCOMPARE(rig.view.status, QString(" f"));
        QCOMPARE(rig.host.pumps, 3);

        rig.display.BuildingHeader(1, 1);
        rig.display.BeginJob(JobProgress::Plain);
        rig.display.BuildingHeader(1, 1);
        rig.display.CipherProgress(0, 1, 4, 0, 0, "/d/g");
        QCOMPARE(rig.TakeBusy(), QStringList({"100%", "100%", "0%"}));
    }

    // A compressed create reports stored bytes against the plain total; the bar and the
    // indicator go by the plain sizes of the files done and the share of the current one.
    void compressedCreateFillsTheBarByPlainSize() {
        Rig rig;
        TempDir dir;
        MakeTree(dir.Str(), {{"a", std::string(300, 'a')}, {"b", std::string(100, 'b')}});
        const std::string a = dir / "a", b = dir / "b";
        rig.display.BeginJob(JobProgress::CompressedCreate);
        rig.display.AddingToBlock(a);
        rig.display.AddingToBlock(b);
        rig.view.calls.clear();
        rig.display.CompressingFile(a);
        rig.display.CipherProgress(0, 4, 400, 0, 4, a);
        rig.display.CompressingFile(b);
        rig.display.CipherProgress(0, 5, 400, 1, 2, b);
        rig.display.CipherProgress(0, 6, 400, 0, 2, b);
        QCOMPARE(rig.TakeBusy("bar: "), QStringList({"75", "87", "100"}));
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
        const QString n20(20, 'a'), n35(35, 'c'), n36(36, 'd');
        QTest::newRow("20") << n20 << " " + n20 << " " + n20 + " (compressing)";
        QTest::newRow("35") << n35 << " " + n35 << " " + n35.left(20) + " (compressing)";
        QTest::newRow("36") << n36 << " " + n36.left(35) + "..."
                            << " " + n36.left(20) + " (compressing)";
    }
    void namesAreShortened() {
        QFETCH(QString, name);
        Rig rig;
        const std::string path = "/box/dir/" + name.toStdString();
        rig.display.CipherProgress(0, 1, 2, 0, 0, path);
        QTEST(rig.view.status, "progress");
        rig.display.CompressingFile(path);
        QTEST(rig.view.status, "compressing");
        // Extraction reports the temporary names; the user sees the file's own.
        rig.display.BeginJob(JobProgress::CompressedExtract);
        rig.display.DecompressingFile(path + ".zlib");
        QCOMPARE(rig.view.status, " " + name.left(20) + " (decompressing)");
        rig.display.CipherProgress(0, 1, 2, 0, 0, path + ".zlib");
        QTEST(rig.view.status, "progress");
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::ProgressDisplayTest)
#include "ProgressDisplayTest.moc"
