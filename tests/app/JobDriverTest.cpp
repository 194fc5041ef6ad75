// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>

#include "JobRig.h"
#include "util/File.h"

namespace vko::test {

namespace {

const Tree kPhotos{{"a.jpg", std::string(100, 'a')},
                   {"trip/b.jpg", RandomBytes(5000, 1)},
                   {"trip/day 2/c.txt", "c"}};
}  // namespace

class JobDriverTest : public QObject {
    Q_OBJECT
private slots:
    // A default folder typed without its separator still holds the box proposed; a folder
    // without a name gets one.
    void proposals() {
        AppState state;
        state.DefaultFolder = "/b";
        state.MemorizedPassword = "memo";
        state.UseCompression = 1;
        QCOMPARE(ProposeCreateBox("/u/Photos", state),
                 (CreateBoxForm{"Photos", "/b/Photos.vkx", "/u/Photos", "memo", "memo", 1}));
        QCOMPARE(ProposeCreateBox("/", state).BoxFile, QString("/b/untitled.vkx"));
    }

    // Two folders, the first refused by the engine: the failure is named in one message, the
    // second is still boxed and takes its folder's place in the list, one result line counts
    // no time spent in the dialogs. ClearPassword 1 forgets the password once the batch is
    // over, 0 keeps it; cancelled dialogs forget it too and make nothing, not even the folder.
    void createBatch_data() {
        QTest::addColumn<int>("clear");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("left");
        QTest::newRow("keep password") << 0 << false << "pw";
        QTest::newRow("clear password") << 1 << false << "";
        QTest::newRow("dialogs cancelled") << 0 << true << "";
    }
    void createBatch() {
        QFETCH(int, clear);
        QFETCH(bool, cancel);
        JobRig rig;
        rig.State().ClearPassword = int16_t(clear);
        rig.State().MemorizedPassword = "earlier";
        QString statusAtDialog;
        rig.dialogs.createBox = [&](CreateBoxForm form) {
            statusAtDialog = rig.view.status;
            rig.ticks += 400'000;
            form.Password = form.Password2 = "pw";
            // A name longer than a box can hold (the form's own check is passed by).
            if (form.BoxName == "Bad") form.BoxName = QString(256, 'b');
            return cancel ? std::nullopt : std::optional(form);
        };
        const QString bad = rig.Folder("Bad", {{"one", "1"}});
        rig.jobs.Work().lstFiles_OLEDragDrop({bad, rig.Folder("Good", {{"g", "g"}})});
        QVERIFY(rig.WaitForLine(cancel ? "Box not created" : "Created in "));
        QTEST(QString(rig.State().MemorizedPassword), "left");
        // The second dialog finds the first job's outcome on the status line, not its progress.
        QCOMPARE(statusAtDialog.mid(statusAtDialog.indexOf(": ") + 2),
                 cancel ? "Ready" : "Not made: Bad.vkx");
        QVERIFY(!rig.shell.Busy && !rig.State().PasswordVerified);
        const QString good = rig.State().DefaultFolder + "Good.vkx";
        QCOMPARE(rig.jobs.lstFiles().stringList(), cancel ? QStringList() : QStringList(good));
        QCOMPARE(QDir(rig.State().DefaultFolder).exists(), !cancel);
        QCOMPARE(rig.view.Lines().filter(QRegularExpression("^(Created|Box not)")).size(), 1);
        QCOMPARE(rig.messages.informed.size(), cancel ? 0 : 1);
        if (cancel) return;
        QVERIFY(rig.messages.informed[0].contains("Bad.vkx"));
        QVERIFY(rig.view.Lines().last().startsWith("Created in 0.00 seconds: 1 file, 1 byte into "
                                                   "Good.vkx ("));
        QVERIFY(!QFile::exists(rig.State().DefaultFolder + "Bad.vkx"));
    }

    // A job done in part names all its files in one message and its result line says so: a
    // create that could not read two files nor store a name, whose line counts the hidden file
    // it left out; an extraction of a box cut short, after one whose cancelled password prompt
    // adds no time, neither its own nor again with the next job's.
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
            // Into the data area, past the seal of 5 tags.
            WriteFile(box.toStdString(), bytes.substr(0, bytes.size() - 2 - 5 * 16));
            rig.dialogs.password = [&, prompts = 0](const QString&) mutable {
                rig.ticks += 300'000;
                return ++prompts == 1 ? FakeDialogs::Answer() : FakeDialogs::Answer("pw");
            };
            rig.QueueExtract(box);
            rig.QueueExtract(box);
            named = {rig.Path("target/trip/b.jpg: cut short"),
                     rig.Path("target/trip/day 2/c.txt: missing")};
        } else {
            Tree photos = kPhotos;
            photos[".hidden"] = "h";
            photos["back\\slash.txt"] = "x";
            const QString folder = rig.Folder("Photos", photos);
            for (const QString name : {"/a.jpg", "/trip/b.jpg"}) {
                FileFaults::DenyReading((folder + name).toStdString());
                named << folder + name + ": could not be read: Permission denied";
            }
            named << folder + "/back\\slash.txt: its name holds a backslash";
            rig.jobs.Work().lstFiles_OLEDragDrop({folder});
        }
        QVERIFY(
            rig.WaitForLine(extract ? "Extracted with warnings in " : "Created with warnings in "));
        FileFaults::Reset();
        // No counts are claimed for a job done in part, nor time for a cancelled prompt.
        QVERIFY(rig.view.Lines().last().startsWith(
            extract ? "Extracted with warnings in 0.00 seconds: into target"
                    : "Created with warnings in 0.00 seconds: into Photos.vkx ("));
        QCOMPARE(rig.view.Lines().last().endsWith("; 1 hidden file left out"), !extract);
        QCOMPARE(rig.messages.informed.size(), 1);
        for (const QString& line : named)
            QVERIFY2(rig.messages.informed[0].contains(line), qPrintable(rig.messages.informed[0]));
    }

    // Work asked for while a job is inside the engine waits until that job has left it: a
    // create asked for by a tick that arrives at once runs as the next batch, never over the
    // same engine, and a box opened by any gesture is shown once the batch is over.
    void workAskedForDuringAJobWaits() {
        JobRig rig;
        const QString later = rig.Folder("Later", {{"l", "l"}});
        const QString small = rig.Box("Small", {{"s", "s"}});
        const QString first = rig.Box("First", {{"big.bin", RandomBytes(1 << 20, 3)}});
        rig.dialogs.openAnswer = small;
        rig.dialogs.createBox = [&](CreateBoxForm form) {
            rig.view.calls << "dialog";
            form.Password = form.Password2 = "pw";
            return std::optional(form);
        };
        int shownBeforeTheResult = -1;
        rig.view.onStatus = [&](const QString& text) {
            if (shownBeforeTheResult < 0 && text.contains(" in "))
                shownBeforeTheResult = int(rig.dialogs.asked.filter("contents: ").size());
            if (!rig.shell.CreateQueue.isEmpty() || !text.endsWith(" big.bin")) return;
            rig.shell.CreateQueue.append(later);
            rig.Timer.start();
            rig.jobs.Driver().Timer_Timer();
            rig.shell.DroppedBoxes.append(small);
            rig.AppTimer.start();
            rig.jobs.Work().AppTimer_Timer();  // a drop's deferred open
            rig.jobs.Work().lstFiles_DblClick(small);
            rig.jobs.Work().mnuFileOpenBox();
        };
        rig.shell.DroppedBoxes = {first};  // opened, then queued by Extract All
        rig.QueueExtract(first);
        QVERIFY(QTest::qWaitFor([&] {
            return QFile::exists(rig.State().DefaultFolder + "Later.vkx") &&
                   rig.dialogs.asked.filter("contents: ").size() == 3;
        }));
        QCOMPARE(shownBeforeTheResult, 0);
        const QStringList& calls = rig.view.calls;
        QCOMPARE(calls.count("dialog"), 1);
        QVERIFY(calls.lastIndexOf(QRegularExpression("^status: .* big\\.bin$")) <
                calls.lastIndexOf("dialog"));
        QVERIFY(rig.WaitForLine("Created in "));
        QTest::qWait(20);
        QVERIFY(!rig.Timer.isActive());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::JobDriverTest)
#include "JobDriverTest.moc"
