// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>

#include "app/FakeShell.h"
#include "app/ProgressDisplay.h"
#include "support/TestFiles.h"

namespace vko::test {

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
constexpr int32_t kMiB = 1 << 20;

struct Rig {
    FakeView view;
    AppState state;
    QuietHost host;
    int64_t now = 0;
    ProgressDisplay display{view,    state, host, [](const QString&) {},
                            kEnglish, [this] { return now; }};
    // "status|busy|bar" after each event, from the calls written since the last Take.
    QStringList Take() {
        QStringList shown;
        QString status, busy;
        for (const QString& call : view.calls) {
            if (call.startsWith("status: ")) status = call.mid(8);
            if (call.startsWith("busy: ")) busy = call.mid(6);
            if (call.startsWith("bar: ")) shown << status + "|" + busy + "|" + call.mid(5);
        }
        view.calls.clear();
        return shown;
    }
};

}  // namespace

class ProgressDisplayTest : public QObject {
    Q_OBJECT
private slots:
    // Sizes in units of 1,024 past the 32-bit range; the speed from the first full second on,
    // the time left rounded up.
    void texts() {
        const QList<qint64> sizes{1023, 1024, 1048575, 1048576, qint64(5) << 30};
        const QStringList written{"1,023 bytes", "1.0 KB", "1,024.0 KB", "1.00 MB", "5.00 GB"};
        for (qsizetype i = 0; i < sizes.size(); ++i) QCOMPARE(SizeText(sizes[i], kEnglish), written[i]);
        QCOMPARE(SizeText(1024, QLocale(QLocale::German)), QString("1,0 KB"));
        QCOMPARE(Percent(qint64(3) << 31, qint64(4) << 31), 75);
        const qint64 gib = qint64(1) << 30;
        const QList<ProgressFigures> figures{{gib, 4 * gib, 1, 3, 1000},
                                             {gib, 61 * gib, 1, 1, 1000},
                                             {gib, 3722 * gib, 1, 1, 1000},
                                             {4 * gib, 4 * gib, 3, 3, 8000}};
        const QStringList texts{"1.00 GB of 4.00 GB · 1 of 3 files · 1.00 GB/s · 3 s left",
                                "1.00 GB of 61.00 GB · 1 of 1 file · 1.00 GB/s · 1 min left",
                                "1.00 GB of 3,722.00 GB · 1 of 1 file · 1.00 GB/s · 1 h 3 min left",
                                "4.00 GB of 4.00 GB · 3 of 3 files · 512.00 MB/s"};
        for (qsizetype i = 0; i < figures.size(); ++i)
            QCOMPARE(ProgressText(figures[i], kEnglish), texts[i]);
    }

    // Status line, indicator and bar after each event: one percentage, the figures first, and
    // every job from zero, whatever the one before left (a compressed create's own count too).
    // Events: path, bytes done, job total, bytes left of the file, the file's bytes, ms.
    void progress_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("eachFile");  // bytes of chosen files counted file by file
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("plain") << int(JobProgress::Plain) << 3 << 0
                               << QStringList{"a 1 4 0 1 0", "b 3 4 0 2 2000", "c 4 4 0 1 3000"}
                               << QStringList{" 1.00 MB of 4.00 MB · 1 of 3 files · a|25%|25",
                                              " 3.00 MB of 4.00 MB · 2 of 3 files · 1.50 MB/s · "
                                              "1 s left · b|75%|75",
                                              " 4.00 MB of 4.00 MB · 3 of 3 files · 1.33 MB/s · "
                                              "c|100%|100"};
        QTest::newRow("empty files pass unseen")
            << int(JobProgress::Plain) << 5 << 0 << QStringList{"a 2 2 0 2 0"}
            << QStringList{" 2.00 MB of 2.00 MB · 5 of 5 files · a|100%|100"};
        QTest::newRow("zero total") << int(JobProgress::Plain) << 1 << 0
                                    << QStringList{"e 0 0 0 0 0"}
                                    << QStringList{" 0 bytes of 0 bytes · 1 of 1 file · e|0%|0"};
        // Stored bytes against a plain total of 3 MiB + 1 MiB: a's 3 MiB, then half of b's.
        QTest::newRow("compressed create, again")
            << int(JobProgress::CompressedCreate) << 2 << 0
            << QStringList{"a 1 4 0 1 0", "b 2 4 1 2 0"}
            << QStringList{" 3.00 MB of 4.00 MB · 1 of 2 files · a|75%|75",
                           " 3.50 MB of 4.00 MB · 1 of 2 files · b|87%|87"};
        QTest::newRow("chosen files") << int(JobProgress::Plain) << 2 << 3 * kMiB
                                      << QStringList{"a 1 1 0 1 0", "b 1 2 1 2 0", "b 2 2 0 2 0"}
                                      << QStringList{" 1.00 MB of 3.00 MB · 1 of 2 files · a|33%|33",
                                                     " 2.00 MB of 3.00 MB · 1 of 2 files · b|66%|66",
                                                     " 3.00 MB of 3.00 MB · 2 of 2 files · b|100%|100"};
    }
    void progress() {
        QFETCH(int, kind);
        QFETCH(int, files);
        QFETCH(int, eachFile);
        QFETCH(QStringList, events);
        Rig rig;
        TempDir dir;
        MakeTree(dir.Str(), {{"a", std::string(3 * kMiB, 'a')}, {"b", std::string(kMiB, 'b')}});
        // A job before, left half done, changes nothing of the next.
        for (int round = 0; round < 2; ++round) {
            rig.display.BeginJob(JobProgress(kind), files, eachFile);
            for (const char* name : {"a", "b"})
                if (kind == int(JobProgress::CompressedCreate)) rig.display.AddingToBlock(dir / name);
            rig.Take();
            for (const QString& event : round == 0 ? events.mid(0, 1) : events) {
                const QStringList f = event.split(' ');
                const std::string path = dir / f[0].toStdString();
                if (kind == int(JobProgress::CompressedCreate)) rig.display.CompressingFile(path);
                rig.now = f[5].toLongLong();
                rig.display.CipherProgress(0, f[1].toInt() * kMiB, f[2].toInt() * kMiB,
                                           f[3].toInt() * kMiB, f[4].toInt() * kMiB, path);
            }
        }
        QTEST(rig.Take(), "shown");
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::ProgressDisplayTest)
#include "ProgressDisplayTest.moc"
