#include <QTest>

#include "app/FakeShell.h"
#include "app/ProgressDisplay.h"
#include "support/TestFiles.h"

namespace vko::test {

namespace {

struct Rig {
    FakeView view;
    AppState state;
    QuietHost host;
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
    // The indicator runs one event late, the bar does not; a new job starts both afresh, and
    // zero totals show zero.
    void progress() {
        Rig rig;
        for (const int done : {50, 100, 200})
            rig.display.CipherProgress(0, done, 200, 0, 0, "/d/f");
        QCOMPARE(rig.view.calls.filter("bar: "), QStringList({"bar: 25", "bar: 50", "bar: 100"}));
        QCOMPARE(rig.TakeBusy(), QStringList({"0%", "25%", "50%"}));
        QCOMPARE(rig.view.status, QString(" f"));

        rig.display.BuildingHeader(1, 1);
        rig.display.BeginJob(JobProgress::Plain);
        rig.display.BuildingHeader(1, 1);
        rig.display.CipherProgress(0, 1, 4, 0, 0, "/d/g");
        QCOMPARE(rig.TakeBusy(), QStringList({"100%", "100%", "0%"}));

        rig.display.BeginJob(JobProgress::Plain);  // zero totals show zero
        rig.display.BuildingHeader(0, 0);
        rig.display.CipherProgress(0, 0, 0, 0, 0, "/d/empty");
        rig.display.CipherProgress(0, 0, 0, 0, 0, "/d/empty");
        QCOMPARE(rig.TakeBusy(), QStringList({"0%", "0%", "0%"}));

        // A compressed create reports stored bytes against the plain total; the bar goes by
        // the plain sizes of the files done and the share of the current one.
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
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::ProgressDisplayTest)
#include "ProgressDisplayTest.moc"
