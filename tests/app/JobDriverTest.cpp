#include <QFile>
#include <QThread>

#include "JobRig.h"

namespace vko::test {

namespace {

const Tree kPhotos{{"a.jpg", std::string(100, 'a')},
                   {"trip/b.jpg", RandomBytes(5000, 1)},
                   {"trip/day 2/c.txt", "c"}};

// The files that a box made by a test holds, read back with its password.
Tree Unpacked(JobRig& rig, const QString& box, const std::string& password = "pw") {
    const std::string out = rig.dir / ("out-" + std::to_string(rand()));
    QuietHost host;
    CCipherBlock engine(host);
    if (engine.ExtractBlock(PathBytes(box), out, password) != BlockResult::kExtractDone) return {};
    return ReadTree(out);
}

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
        rig.jobs.lstFiles().setStringList({"old entry"});
        const QString a = rig.Folder("A", {{"x", "1"}});
        const QString b = rig.Folder("B", {{"y", "2"}});
        const QString file = rig.Path("C.vkx");
        WriteFile(file.toStdString(), "not a box");
        rig.jobs.Work().lstFiles_OLEDragDrop({a, file, b});
        QCOMPARE(rig.jobs.lstFiles().stringList(), QStringList({a, file, b}));
        QCOMPARE(rig.shell.CreateQueue, QStringList({a, b}));
        QCOMPARE(rig.shell.DroppedBoxes, QStringList(file));
        QVERIFY(rig.Timer.isActive());
        QVERIFY(rig.AppTimer.isActive());
        QCOMPARE(rig.State().AppTimerMode, 2);
        QCOMPARE(rig.window.focused, 1);

        JobRig files;
        files.jobs.Work().lstFiles_OLEDragDrop({file});
        QVERIFY(files.Timer.isActive());
        QVERIFY(files.shell.CreateQueue.isEmpty());

        JobRig nothing;
        nothing.jobs.Work().lstFiles_OLEDragDrop({});
        QVERIFY(!nothing.Timer.isActive() && !nothing.AppTimer.isActive());
    }

    void proposals_data() {
        QTest::addColumn<QString>("defaultFolder");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("boxFile");
        QTest::addColumn<QString>("boxName");
        QTest::newRow("folder") << "/boxes/"
                                << "/home/u/Photos"
                                << "/boxes/Photos.vkx"
                                << "Photos";
        QTest::newRow("default folder without separator") << "/boxes"
                                                          << "/home/u/Photos"
                                                          << "/boxes/Photos.vkx"
                                                          << "Photos";
        QTest::newRow("root") << "/boxes/"
                              << "/"
                              << "/boxes/untitled.vkx"
                              << "Untitled";
    }
    void proposals() {
        QFETCH(QString, defaultFolder);
        QFETCH(QString, item);
        AppState state;
        state.DefaultFolder = defaultFolder;
        state.MemorizedPassword = "memo";
        state.UseCompression = 1;
        const CreateBoxForm form = ProposeCreateBox(item, state);
        QTEST(form.BoxFile, "boxFile");
        QTEST(form.BoxName, "boxName");
        QCOMPARE(form.Path, item);
        QCOMPARE(form.Password, QString("memo"));
        QCOMPARE(form.Password2, QString("memo"));
        QCOMPARE(form.Compress, int16_t(1));
    }

    void droppedFolderBecomesABox() {
        JobRig rig;
        const QString photos = rig.Folder("Photos", kPhotos);
        rig.jobs.Work().lstFiles_OLEDragDrop({photos});
        QVERIFY(rig.WaitForLine("Created in "));

        const QString box = rig.State().DefaultFolder + "Photos.vkx";
        QCOMPARE(rig.dialogs.asked, QStringList("create: " + box));
        QCOMPARE(rig.dialogs.proposals[0].BoxName, QString("Photos"));
        QCOMPARE(rig.dialogs.proposals[0].Compress, int16_t(1));
        QCOMPARE(Unpacked(rig, box), kPhotos);
        QVERIFY(rig.jobs.lstFiles().stringList().isEmpty());
        QVERIFY(rig.shell.CreateQueue.isEmpty());
        QVERIFY(!rig.shell.Busy);
        const QString caption = "caption: Vaultkeep Orb v" + rig.shell.AppVersion();
        QVERIFY(rig.view.calls.contains(caption + " [create]"));
        QCOMPARE(rig.view.calls.filter("caption: ").last(), caption);
        QCOMPARE(rig.view.Lines().first(), QString("Locating Box Contents..."));
        QCOMPARE(rig.State().MemorizedPassword, QString("pw"));
        QVERIFY(rig.messages.informed.isEmpty());
    }

    // Two folders: two dialogs, one result line, and the time in the dialogs is not counted.
    void twoFoldersReportOnceWithoutDialogTime() {
        JobRig rig;
        rig.dialogs.createBox = [](const CreateBoxForm& proposal) {
            QThread::msleep(400);
            CreateBoxForm form = proposal;
            form.Password = form.Password2 = "pw";
            form.Compress = 0;
            return std::optional(form);
        };
        rig.jobs.Work().lstFiles_OLEDragDrop(
            {rig.Folder("One", {{"1", "1"}}), rig.Folder("Two", {{"2", "2"}})});
        QVERIFY(rig.WaitForLine("Created in "));
        QCOMPARE(rig.dialogs.asked.size(), 2);
        const QStringList results = rig.view.Lines().filter("Created in ");
        QCOMPARE(results.size(), 1);
        QVERIFY2(SecondsIn(results[0]) < 0.4, qPrintable(results[0]));
        QVERIFY(QFile::exists(rig.State().DefaultFolder + "One.vkx"));
        QVERIFY(QFile::exists(rig.State().DefaultFolder + "Two.vkx"));
    }

    void cancelledDialogCreatesNothing() {
        JobRig rig;
        rig.State().MemorizedPassword = "earlier";
        rig.State().BoxCompression = 1;
        rig.dialogs.createBox = [](const CreateBoxForm&) { return std::nullopt; };
        rig.jobs.Work().lstFiles_OLEDragDrop({rig.Folder("Photos", kPhotos)});
        QVERIFY(rig.WaitForLine("Box not created"));
        QCOMPARE(rig.State().MemorizedPassword, QString());
        QCOMPARE(rig.State().BoxFolder, QString());
        QCOMPARE(rig.State().BoxCompression, int16_t(1));
        QVERIFY(!QDir(rig.State().DefaultFolder).exists());
        QVERIFY(!rig.view.Lines().contains("Locating Box Contents..."));
    }

    // A folder the engine refuses is reported with its path; the next job still runs.
    void engineFailureIsShownAndTheBatchGoesOn() {
        JobRig rig;
        const QString bad = rig.Folder("Bad", {{"back\\slash.txt", "x"}});
        rig.jobs.Work().lstFiles_OLEDragDrop({bad, rig.Folder("Good", {{"g", "g"}})});
        QVERIFY(rig.WaitForLine("Created in "));
        QCOMPARE(rig.messages.informed.size(), 1);
        QVERIFY2(rig.messages.informed[0].contains(bad + "/back\\slash.txt"),
                 qPrintable(rig.messages.informed[0]));
        QVERIFY(!QFile::exists(rig.State().DefaultFolder + "Bad.vkx"));
        QVERIFY(QFile::exists(rig.State().DefaultFolder + "Good.vkx"));
    }

    void clearPasswordAfterBatch_data() {
        QTest::addColumn<int>("clear");
        QTest::addColumn<QString>("left");
        QTest::newRow("clear") << 1 << "";
        QTest::newRow("keep") << 0 << "pw";
    }
    void clearPasswordAfterBatch() {
        QFETCH(int, clear);
        JobRig rig;
        rig.State().ClearPassword = int16_t(clear);
        rig.jobs.Work().lstFiles_OLEDragDrop({rig.Folder("P", {{"p", "p"}})});
        QVERIFY(rig.WaitForLine("Created in "));
        QTEST(QString(rig.State().MemorizedPassword), "left");
        QVERIFY(!rig.State().PasswordVerified);
    }

    // The first box's password is wrong: the user is told, and the second box still comes out.
    void wrongPasswordEndsOnlyThatExtractJob() {
        JobRig rig;
        const QString first = rig.Box("First", {{"f", "f"}});
        const QString second = rig.Box("Second", {{"s", "s"}});
        std::deque<QString> typed{"wrong", "pw"};
        rig.dialogs.password = [&](const QString&) {
            const QString text = typed.front();
            typed.pop_front();
            return std::optional(text);
        };
        const QString target = rig.Path("target");
        rig.dialogs.extractFolder = [&](const QString&) { return std::optional(target); };
        rig.shell.ExtractQueue = {first, second};
        rig.shell.DroppedBoxes = {first, second};
        rig.Timer.start();
        QVERIFY(rig.WaitForLine("Extracted in "));
        QCOMPARE(rig.messages.informed, QStringList("Password incorrect or header damaged"));
        QCOMPARE(rig.dialogs.asked,
                 QStringList({"password: First.vkx []", "password: Second.vkx [wrong]",
                              "folder: " + rig.State().DefaultFolder + "Second"}));
        QCOMPARE(ReadTree(target.toStdString()), (Tree{{"s", "s"}}));
        QVERIFY(rig.shell.DroppedBoxes.isEmpty());
        QCOMPARE(rig.State().AppTimerMode, 2);
    }

    // A job that ends at its password prompt adds no time, neither its own nor again with the
    // next job's.
    void cancelledPromptAddsNoTime() {
        JobRig rig;
        const QString box = rig.Box("Box", {{"f", "f"}});
        std::deque<std::optional<QString>> typed{std::nullopt, QString("pw")};
        rig.dialogs.password = [&](const QString&) {
            QThread::msleep(300);
            const auto answer = typed.front();
            typed.pop_front();
            return answer;
        };
        rig.State().BoxFolder = rig.Path("target");
        rig.shell.ExtractQueue = {box, box};
        rig.Timer.start();
        QVERIFY(rig.WaitForLine("Extracted in "));
        QVERIFY2(SecondsIn(rig.view.Lines().last()) < 0.3, qPrintable(rig.view.Lines().last()));
    }

    void listEntriesLeaveOnlyOnAnExactMatch() {
        QStringListModel list({"/a/Photos", "/a/photos", "/a/photos"});
        RemoveListItem(list, "/a/PHOTOS");
        QCOMPARE(list.stringList().size(), 3);
        RemoveListItem(list, "/a/photos");
        QCOMPARE(list.stringList(), QStringList({"/a/Photos", "/a/photos"}));
    }

    void resultLineTakesCreatesFirstAndTheLocalesNumbers() {
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(BatchResultLine(1, 1, 1, SecondsText(1234500, english)),
                 QString("Created in 1,234.50 seconds"));
        QCOMPARE(BatchResultLine(0, 1, 0, "0.00"), QString("Box not extracted"));
        QVERIFY(BatchResultLine(0, 0, 0, "0.00").isNull());
        QCOMPARE(SecondsText(1234500, QLocale(QLocale::German, QLocale::Germany)),
                 QString("1.234,50"));
    }

    // Exit confirmed while the engine stores a file: it stops, the box it replaced is intact,
    // nothing half-written is left, and the program ends once the engine has returned.
    void exitDuringAJobStopsItCleanly() {
        JobRig rig;
        const QString big = rig.Folder("Big", {{"big.bin", RandomBytes(3 << 20, 7)}});
        const QString box = rig.State().DefaultFolder + "Big.vkx";
        WriteFile(box.toStdString(), "the previous box");
        rig.messages.answers = {true};
        bool asked = false;
        rig.view.onStatus = [&](const QString& text) {
            if (asked || !text.startsWith(" big.bin")) return;
            asked = true;
            QVERIFY(rig.shell.Busy);
            QVERIFY(!rig.shell.Form_Unload(true));
        };
        rig.jobs.Work().lstFiles_OLEDragDrop({big});
        QVERIFY(QTest::qWaitFor([&] { return rig.window.closes > 0; }));
        QCOMPARE(rig.messages.asked, QStringList("Cancel current process?"));
        QVERIFY(rig.State().CancelProcess);
        QCOMPARE(rig.view.calls.filter("end").size(), 1);
        QCOMPARE(ReadFile(box.toStdString()), std::string("the previous box"));
        QCOMPARE(QDir(rig.State().DefaultFolder).entryList(QDir::Files | QDir::Hidden),
                 QStringList("Big.vkx"));
        QVERIFY(rig.view.Lines().filter("Created").isEmpty());
    }

    // Work asked for while a job is inside the engine waits for it: no second batch starts,
    // and what was queued still runs.
    void ticksDuringAJobStartNoSecondBatch() {
        JobRig rig;
        const QString later = rig.Folder("Later", {{"l", "l"}});
        bool requested = false;
        rig.view.onStatus = [&](const QString& text) {
            if (requested || !text.startsWith(" big.bin")) return;
            requested = true;
            rig.shell.CreateQueue.append(later);
            rig.Timer.start();
            rig.jobs.Driver().Timer_Timer();  // a tick that arrives at once
        };
        rig.dialogs.createBox = [&](const CreateBoxForm& proposal) {
            rig.view.calls << "dialog";
            CreateBoxForm form = proposal;
            form.Password = form.Password2 = "pw";
            return std::optional(form);
        };
        rig.jobs.Work().lstFiles_OLEDragDrop(
            {rig.Folder("First", {{"big.bin", RandomBytes(1 << 20, 3)}})});
        QVERIFY(rig.WaitForLine("Created in "));
        const QStringList& calls = rig.view.calls;
        QCOMPARE(calls.count("dialog"), 2);
        // The second dialog waited until the first job had left the engine.
        QVERIFY(calls.lastIndexOf(QRegularExpression("^status:  big\\.bin")) <
                calls.lastIndexOf("dialog"));
        QVERIFY(QFile::exists(rig.State().DefaultFolder + "Later.vkx"));
        QCOMPARE(rig.view.Lines().filter("Created in ").size(), 1);
        QTest::qWait(20);
        QVERIFY(!rig.Timer.isActive());
    }

    // A create job asked for while an extract batch runs starts once that batch is over.
    void createQueuedDuringExtractLoopRunsAfterIt() {
        JobRig rig;
        const QString box = rig.Box("Box", {{"big.bin", RandomBytes(1 << 20, 5)}});
        const QString later = rig.Folder("Later", {{"l", "l"}});
        rig.State().MemorizedPassword = "pw";
        rig.State().BoxFolder = rig.Path("target");
        bool requested = false;
        rig.view.onStatus = [&](const QString& text) {
            if (requested || !text.startsWith(" big.bin")) return;
            requested = true;
            rig.shell.CreateQueue.append(later);
            rig.Timer.start();
        };
        rig.shell.ExtractQueue = {box};
        rig.Timer.start();
        QVERIFY(rig.WaitForLine("Created in "));
        QCOMPARE(rig.view.Lines().filter(QRegularExpression("^(Extracted|Created) in ")).size(), 2);
        QVERIFY(QFile::exists(rig.State().DefaultFolder + "Later.vkx"));
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::JobDriverTest)
#include "JobDriverTest.moc"
