#include <QFile>
#include <algorithm>

#include "JobRig.h"
#include "crypto/cipherlib_testing.h"
#include "util/File.h"

namespace vko::test {

namespace {

const Tree kPhotos{{"a.jpg", std::string(100, 'a')},
                   {"trip/b.jpg", RandomBytes(5000, 1)},
                   {"trip/day 2/c.txt", "c"}};

double SecondsIn(const QString& line) {
    static const QRegularExpression number(QStringLiteral("([\\d,]+\\.\\d\\d) seconds$"));
    return number.match(line).captured(1).remove(',').toDouble();
}

}  // namespace

class JobDriverTest : public QObject {
    Q_OBJECT
private slots:
    void dropSortsFoldersAndFilesAndArmsBothTimers() {
        JobRig rig;
        // An entry whose job still waits stays; any other entry goes.
        rig.jobs.lstFiles().setStringList({"old entry", "/waiting"});
        rig.shell.CreateQueue = {"/waiting"};
        const QString a = rig.Folder("A", {{"x", "1"}});
        const QString b = rig.Folder("B", {{"y", "2"}});
        const QString file = rig.Path("C.vkx");
        WriteFile(file.toStdString(), "not a box");
        rig.jobs.Work().lstFiles_OLEDragDrop({a, file, b});
        QCOMPARE(rig.jobs.lstFiles().stringList(), QStringList({"/waiting", a, file, b}));
        QCOMPARE(rig.shell.CreateQueue, QStringList({"/waiting", a, b}));
        QCOMPARE(rig.shell.DroppedBoxes, QStringList(file));
        QVERIFY(rig.Timer.isActive() && rig.AppTimer.isActive());
        QCOMPARE(rig.State().AppTimerMode, 2);
        QCOMPARE(rig.window.focused, 1);

        JobRig nothing;
        nothing.jobs.Work().lstFiles_OLEDragDrop({});
        QVERIFY(!nothing.Timer.isActive() && !nothing.AppTimer.isActive());
    }

    void proposals_data() {
        QTest::addColumn<QStringList>("folderAndItem");
        QTest::addColumn<QStringList>("fileAndName");
        QTest::newRow("folder") << QStringList{"/boxes/", "/home/u/Photos"}
                                << QStringList{"/boxes/Photos.vkx", "Photos"};
        QTest::newRow("default folder without separator")
            << QStringList{"/boxes", "/home/u/Photos"}
            << QStringList{"/boxes/Photos.vkx", "Photos"};
        QTest::newRow("root") << QStringList{"/boxes/", "/"}
                              << QStringList{"/boxes/untitled.vkx", "Untitled"};
    }
    void proposals() {
        QFETCH(QStringList, folderAndItem);
        QFETCH(QStringList, fileAndName);
        AppState state;
        state.DefaultFolder = folderAndItem[0];
        state.MemorizedPassword = "memo";
        state.UseCompression = 1;
        QCOMPARE(
            ProposeCreateBox(folderAndItem[1], state),
            (CreateBoxForm{fileAndName[1], fileAndName[0], folderAndItem[1], "memo", "memo", 1}));
    }

    // ClearPassword 1 forgets the password once the batch is over; 0 keeps it for the next.
    // The box takes the folder's place in the list, and the window's commands and progress
    // follow the job.
    void droppedFolderBecomesABox_data() {
        QTest::addColumn<int>("clear");
        QTest::addColumn<QString>("left");
        QTest::newRow("keep password") << 0 << "pw";
        QTest::newRow("clear password") << 1 << "";
    }
    void droppedFolderBecomesABox() {
        QFETCH(int, clear);
        JobRig rig;
        rig.State().ClearPassword = int16_t(clear);
        const QString folder = rig.Folder("Photos", kPhotos);
        rig.jobs.Work().lstFiles_OLEDragDrop({folder});
        QVERIFY(rig.WaitForLine("Created in "));

        const QString box = rig.State().DefaultFolder + "Photos.vkx";
        QCOMPARE(rig.dialogs.asked, QStringList("create: " + box));
        QCOMPARE(rig.Unpacked(box), kPhotos);
        QCOMPARE(rig.jobs.lstFiles().stringList(), QStringList(box));
        QCOMPARE(rig.jobs.lstFiles().index(0).data(Qt::ToolTipRole).toString(),
                 "Box made from " + folder + "\n" + box);
        QVERIFY(rig.shell.CreateQueue.isEmpty());
        QVERIFY(!rig.shell.Busy);
        QCOMPARE(rig.view.Lines().first(), QString("Locating Box Contents..."));
        QTEST(QString(rig.State().MemorizedPassword), "left");
        QVERIFY(!rig.State().PasswordVerified);
        QVERIFY(rig.messages.informed.isEmpty());
        const QStringList& calls = rig.view.calls;
        const QList<qsizetype> order{calls.indexOf("commands off"), calls.indexOf("running"),
                                     calls.indexOf("bar: -1"),      calls.lastIndexOf("bar: 100"),
                                     calls.indexOf("stopped"),      calls.indexOf("commands on")};
        QVERIFY2(std::is_sorted(order.begin(), order.end()) && order.first() >= 0,
                 qPrintable(calls.join('\n')));
    }

    // Two folders, the first refused by the engine: two dialogs, the failure reported with its
    // path, one result line, and the time spent in the dialogs is not counted.
    void twoFoldersReportOnceAndAFailureDoesNotStopTheBatch() {
        JobRig rig;
        rig.dialogs.createBox = [&](CreateBoxForm form) {
            rig.ticks += 400'000;  // the user spends 400 s in the dialog
            form.Password = form.Password2 = "pw";
            return std::optional(form);
        };
        const QString bad = rig.Folder("Bad", {{"back\\slash.txt", "x"}});
        rig.jobs.Work().lstFiles_OLEDragDrop({bad, rig.Folder("Good", {{"g", "g"}})});
        QVERIFY(rig.WaitForLine("Created in "));
        QCOMPARE(rig.dialogs.asked.size(), 2);
        QCOMPARE(rig.messages.informed.size(), 1);
        QVERIFY2(rig.messages.informed[0].contains(bad + "/back\\slash.txt"),
                 qPrintable(rig.messages.informed[0]));
        const QStringList results = rig.view.Lines().filter("Created in ");
        QCOMPARE(results.size(), 1);
        QCOMPARE(SecondsIn(results[0]), 0.0);
        QVERIFY(!QFile::exists(rig.State().DefaultFolder + "Bad.vkx"));
        QVERIFY(QFile::exists(rig.State().DefaultFolder + "Good.vkx"));
    }

    void cancelledDialogCreatesNothing() {
        JobRig rig;
        rig.State().MemorizedPassword = "earlier";
        rig.dialogs.createBox = [](const CreateBoxForm&) { return std::nullopt; };
        rig.jobs.Work().lstFiles_OLEDragDrop({rig.Folder("Photos", kPhotos)});
        QVERIFY(rig.WaitForLine("Box not created"));
        QCOMPARE(rig.State().MemorizedPassword, QString());
        QVERIFY(!QDir(rig.State().DefaultFolder).exists());
        QVERIFY(!rig.view.Lines().contains("Locating Box Contents..."));
    }

    // A job that ends at its password prompt adds no time, neither its own nor again with the
    // next job's.
    void cancelledPromptAddsNoTime() {
        JobRig rig;
        const QString box = rig.Box("Box", {{"f", "f"}});
        std::deque<std::optional<QString>> typed{std::nullopt, QString("pw")};
        rig.dialogs.password = [&](const QString&) {
            rig.ticks += 300'000;
            const auto answer = typed.front();
            typed.pop_front();
            return answer;
        };
        rig.State().BoxFolder = rig.Path("target");
        rig.shell.ExtractQueue = {box, box};
        rig.Timer.start();
        QVERIFY(rig.WaitForLine("Extracted in "));
        QCOMPARE(SecondsIn(rig.view.Lines().last()), 0.0);
    }

    // A job done in part names all its files in one message and its result line says so: a
    // create that could not read two files, an extraction of a box cut short by two bytes.
    void jobDoneInPartNamesItsFilesInOneMessage_data() {
        QTest::addColumn<bool>("extract");
        QTest::newRow("create") << false;
        QTest::newRow("extract") << true;
    }
    void jobDoneInPartNamesItsFilesInOneMessage() {
        QFETCH(bool, extract);
        JobRig rig;
        QStringList named;
        if (extract) {
            const QString box = rig.Box("Cut", kPhotos);
            std::string bytes = ReadFile(box.toStdString());
            bytes.resize(bytes.size() - 2);
            WriteFile(box.toStdString(), bytes);
            rig.State().BoxFolder = rig.Path("target");
            rig.shell.ExtractQueue = {box};
            rig.Timer.start();
            named = {rig.Path("target/trip/b.jpg: cut short"),
                     rig.Path("target/trip/day 2/c.txt: missing")};
        } else {
            const QString folder = rig.Folder("Photos", kPhotos);
            for (const QString name : {"/a.jpg", "/trip/b.jpg"}) {
                FileFaults::DenyReading((folder + name).toStdString());
                named << folder + name + ": could not be read: Permission denied";
            }
            rig.jobs.Work().lstFiles_OLEDragDrop({folder});
        }
        QVERIFY(
            rig.WaitForLine(extract ? "Extracted with warnings in " : "Created with warnings in "));
        FileFaults::Reset();
        QCOMPARE(rig.messages.informed.size(), 1);
        for (const QString& line : named)
            QVERIFY2(rig.messages.informed[0].contains(line), qPrintable(rig.messages.informed[0]));
    }

    void listEntriesLeaveOnlyOnAnExactMatch() {
        WorkListModel list({"/a/Photos", "/a/photos", "/a/photos"});
        RemoveListItem(list, "/a/PHOTOS");
        QCOMPARE(list.stringList().size(), 3);
        RemoveListItem(list, "/a/photos");
        QCOMPARE(list.stringList(), QStringList({"/a/Photos", "/a/photos"}));
    }

    // Work asked for while a job is inside the engine, even by a tick that arrives at once,
    // waits until that job has left the engine: no second batch starts, and it still runs.
    void workAskedForDuringAJobWaits_data() {
        QTest::addColumn<bool>("extractFirst");
        QTest::newRow("during a create") << false;
        QTest::newRow("during an extract") << true;
    }
    void workAskedForDuringAJobWaits() {
        QFETCH(bool, extractFirst);
        JobRig rig;
        const Tree big{{"big.bin", RandomBytes(1 << 20, 3)}};
        const QString later = rig.Folder("Later", {{"l", "l"}});
        bool requested = false;
        rig.view.onStatus = [&](const QString& text) {
            if (requested || !text.startsWith(" big.bin")) return;
            requested = true;
            rig.shell.CreateQueue.append(later);
            rig.Timer.start();
            rig.jobs.Driver().Timer_Timer();
        };
        rig.dialogs.createBox = [&](CreateBoxForm form) {
            rig.view.calls << "dialog";
            form.Password = form.Password2 = "pw";
            return std::optional(form);
        };
        if (extractFirst) {
            rig.State().BoxFolder = rig.Path("target");
            rig.shell.ExtractQueue = {rig.Box("First", big)};
            rig.Timer.start();
        } else {
            rig.jobs.Work().lstFiles_OLEDragDrop({rig.Folder("First", big)});
        }
        QVERIFY(rig.WaitForLine("Created in "));
        const QStringList& calls = rig.view.calls;
        QCOMPARE(calls.count("dialog"), extractFirst ? 1 : 2);
        QVERIFY(calls.lastIndexOf(QRegularExpression("^status:  big\\.bin")) <
                calls.lastIndexOf("dialog"));
        QVERIFY(QFile::exists(rig.State().DefaultFolder + "Later.vkx"));
        QCOMPARE(rig.view.Lines().filter(QRegularExpression("^(Extracted|Created) in ")).size(),
                 extractFirst ? 2 : 1);
        QTest::qWait(20);
        QVERIFY(!rig.Timer.isActive());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::JobDriverTest)
#include "JobDriverTest.moc"
