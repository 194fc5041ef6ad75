// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>

#include "JobRig.h"
#include "app/ExistingFilesPrompt.h"
#include "crypto/cipherlib_testing.h"

namespace vko::test {

namespace {

// Flips a bit in the stored bytes of each named file of box (made with "pw").
void Tamper(const QString& box, const std::vector<std::string>& names) {
    QuietHost host;
    CCipherBlock engine(host);
    if (engine.ViewBlock(box.toStdString(), "pw") != 0) qFatal("cannot read the box");
    std::string bytes = ReadFile(box.toStdString());
    int64_t at = engine.HeaderEnd();
    for (int32_t i = 0; i < int32_t(engine.Files().size()); at += engine.Record(i++).Stored)
        if (std::find(names.begin(), names.end(), engine.Record(i).Name) != names.end())
            bytes[size_t(at)] ^= 1;
    WriteFile(box.toStdString(), bytes);
}

}  // namespace

class BoxCommandsTest : public QObject {
    Q_OBJECT
private slots:
    // A password that does not open the box is forgotten, never offered again, and asked for
    // until the box opens or the prompt is cancelled; a path that cannot be a box (missing, a
    // folder, a text file) is said to be none at once. Typed answers: "-" cancels the prompt.
    void passwordsThatFailAreAskedForAgain_data() {
        QTest::addColumn<QString>("memorized");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("path");  // <box>, or a path below the test's folder
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<bool>("shown");
        const QString damaged = "Password incorrect or header damaged";
        QTest::newRow("memorized wrong, then right")
            << "wrong" << QStringList{"pw"} << "<box>" << damaged << 1 << true;
        QTest::newRow("typed wrong, then cancelled")
            << "" << QStringList{"wrong", "-"} << "<box>" << damaged << 2 << false;
        QTest::newRow("no such file")
            << "pw" << QStringList() << "gone.vkx"
            << "\"<path>\" does not exist or cannot be opened." << 0 << false;
        QTest::newRow("a folder") << "" << QStringList() << "sources"
                                  << "\"<path>\" is not a regular file" << 0 << false;
        QTest::newRow("a text file") << "" << QStringList() << "notes.txt"
                                     << "\"<path>\" is not a box." << 0 << false;
    }
    void passwordsThatFailAreAskedForAgain() {
        QFETCH(QString, memorized);
        QFETCH(QStringList, typed);
        QFETCH(QString, path);
        QFETCH(QString, message);
        QFETCH(bool, shown);
        JobRig rig;
        const QString box = rig.Box("Box", {{"a", "a"}});
        const QString opened = path == "<box>" ? box : rig.Path(path.toStdString());
        if (path.endsWith(".txt")) WriteFile(opened.toStdString(), "Packing list\n- passport\n");
        rig.State().MemorizedPassword = memorized;
        rig.dialogs.password = [&](const QString& prefilled) {
            if (!prefilled.isEmpty()) qFatal("a failed password was offered again");
            if (typed.isEmpty()) qFatal("asked for a password no one would type");
            const QString answer = typed.takeFirst();
            return answer == "-" ? std::nullopt : std::optional(answer);
        };
        rig.jobs.Commands().ViewBox(opened);
        QCOMPARE(rig.messages.informed.size(), 1);
        QVERIFY(rig.messages.informed[0].startsWith(message.replace("<path>", opened)));
        QTEST(int(rig.dialogs.asked.filter("password: ").size()), "prompts");
        QCOMPARE(rig.dialogs.asked.filter("contents: ").size(), int(shown));
        QCOMPARE(rig.State().PasswordVerified, shown);
        if (path == "<box>") QCOMPARE(QString(rig.State().MemorizedPassword), shown ? "pw" : "");
    }

    // The rows chosen, and only they, reach the folder chosen; a box cut short inside its seal is
    // named when opened, and the file whose tag it lost once more when taken. The box is closed
    // again, the indicator idle, and it opens once more.
    void extractSelectedRows() {
        JobRig rig;
        const Tree three{{"f1", "1"}, {"f2", "2"}, {"f3", RandomBytes(1008, 3)}};
        const QString box = rig.Box("Three", three);
        const std::string bytes = ReadFile(box.toStdString());
        WriteFile(box.toStdString(), bytes.substr(0, bytes.size() - 5 * 16 + 24));  // T_0 kept
        rig.dialogs.choice = {2, "1;3"};
        const QString target = rig.Path("chosen");
        rig.dialogs.folder = target;
        rig.jobs.Work().OpenBoxFile(box);
        QVERIFY(rig.WaitForLine("Extracted with warnings in "));
        QVERIFY(!rig.view.Lines().last().contains("files"));  // f3 was not written
        const QString cut = box +
                            ": damaged box: its seal is cut short; no file in it counts as "
                            "verified";
        const QString f3 = "/f3: damaged: the box's seal holds no tag for it; not extracted";
        QCOMPARE(rig.messages.informed, QStringList({"This box is damaged:\r\n\r\n" + cut,
                                                     "These files were not extracted:\r\n\r\n" +
                                                         cut + "\r\n" + target + f3}));
        QCOMPARE(ReadTree(target.toStdString()), (Tree{{"f1", "1"}}));
        QCOMPARE(rig.jobs.lstFiles().stringList(), QStringList(target));
        QVERIFY(rig.shell.ExtractQueue.isEmpty());
        QCOMPARE(rig.view.calls.filter("indicator: ").last(), QString("indicator: OK"));
        rig.dialogs.choice = {};
        rig.jobs.Commands().ViewBox(box);
        QCOMPARE(rig.dialogs.asked.count("contents: Box Name: Three"), 2);
    }

    // The contents window says whether a box is sealed and why not, for the boxes pinned at full
    // key cost, one cut inside its seal; only a box with tags offers Verify, and only one whose
    // seal should hold and does not is a warning. Extracting an older box says it verified nothing.
    void sealLine_data() {
        QTest::addColumn<QString>("pinned");
        QTest::addColumn<int>("cut");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("verifiable");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<QString>("extracted");
        const QString into = " in 0.00 seconds into target";  // counts cut out
        QTest::newRow("sealed") << "plain.vkx" << 0 << "Format 1, sealed" << true << false
                                << "Extracted" + into;
        QTest::newRow("cut") << "compressed.vkx" << 5
                             << "Format 1, not sealed: its seal is cut short" << true << true
                             << "Extracted with warnings in 0.00 seconds: into target";
        QTest::newRow("0.2.0") << "compressed-0.2.vkx" << 0
                               << "Format 0.2, not sealed: older boxes carry no seal" << false
                               << false
                               << "Extracted" + into +
                                      "; 1 box not verified: older boxes carry "
                                      "no seal";
    }
    void sealLine() {
        QFETCH(QString, pinned);
        QFETCH(int, cut);
        QFETCH(QString, extracted);
        JobRig rig;
        const std::string bytes = ReadFile(VKO_PINNED_DIR "/" + pinned.toStdString());
        const QString box = rig.Path("pinned.vkx");
        WriteFile(box.toStdString(), bytes.substr(0, bytes.size() - size_t(cut)));
        rig.State().MemorizedPassword = "pinned box password";
        rig.dialogs.choice = {1, {}};
        rig.dialogs.folder = rig.Path("target");
        cipherlib_testing::UseFastKeyDerivation(false);
        rig.jobs.Commands().ViewBox(box);
        QVERIFY(rig.WaitForLine("Extracted"));
        cipherlib_testing::UseFastKeyDerivation(true);
        QVERIFY(rig.view.Lines().last().startsWith("Extracted"));
        QCOMPARE(rig.view.Lines().last().remove(QRegularExpression(": [^:]* bytes")), extracted);
        QTEST(rig.dialogs.contents.Seal, "line");
        QTEST(rig.dialogs.contents.Verifiable, "verifiable");
        QTEST(rig.dialogs.contents.SealDamaged, "warning");
    }

    // Verify writes nothing and ends with one result: every file verified, or what is damaged
    // named in one message and counted on the status line. No file of a box that is not sealed
    // is called verified; a cancel says so and nothing more.
    void verify_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        const QString found = "Verifying Box.vkx found damage; nothing was written:\r\n\r\n";
        QTest::newRow("sound") << ""
                               << "All 3 files of Box.vkx verified in 0.00 seconds"
                               << ": it is sealed, and nothing in it has changed.";
        QTest::newRow("tampered") << "tamper"
                                  << "Box.vkx checked in 0.00 seconds: 1 of 3 files damaged"
                                  << found +
                                         "d/b.txt: damaged: its contents do not match their tag";
        QTest::newRow("seal cut")
            << "cut"
            << "Box.vkx checked in 0.00 seconds: not sealed, so no file counts as verified"
            << found +
                   "<box>: damaged box: its seal is cut short; no file in it counts as "
                   "verified";
        QTest::newRow("cancelled") << "cancel"
                                   << "Verification cancelled"
                                   << "";
    }
    void verify() {
        QFETCH(QString, damage);
        QFETCH(QString, line);
        QFETCH(QString, message);
        JobRig rig;
        const QString box =
            rig.Box("Box", {{"a.txt", RandomBytes(300'000, 1)}, {"d/b.txt", "b"}, {"c.txt", "c"}});
        if (damage == "tamper") Tamper(box, {"b.txt"});
        const std::string bytes = ReadFile(box.toStdString());
        if (damage == "cut") WriteFile(box.toStdString(), bytes.substr(0, bytes.size() - 8));
        rig.view.onStatus = [&](const QString& text) {
            if (damage == "cancel" && text.endsWith(" a.txt")) rig.State().CancelJob = true;
        };
        rig.dialogs.choice = {3, {}};
        rig.jobs.Work().OpenBoxFile(box);
        QVERIFY(rig.WaitForLine(line.left(12)));
        QCOMPARE(rig.view.Lines().last(), line);
        QCOMPARE(rig.view.calls.filter("indicator: ").last(), QString("indicator: OK"));
        QVERIFY(!QDir(rig.State().DefaultFolder).exists());
        const QStringList shown =
            rig.messages.informed.filter(QRegularExpression("^(All|Verifying) "));
        QCOMPARE(shown.size(), int(!message.isEmpty()));
        if (!message.isEmpty())
            QCOMPARE(shown.last(),
                     message.startsWith(":") ? line + message : message.replace("<box>", box));
    }

    // A file whose contents do not match their tag is written only when the user asks, asked once
    // per job naming every such file: left out (the default), or written as it is and named as
    // damaged; the sound files are written either way, for the whole box and chosen files alike.
    void tamperedFilesAskedAboutOnce_data() {
        QTest::addColumn<int>("choice");  // 1 Extract All, 2 Extract (every row)
        QTest::addColumn<bool>("write");
        for (const int choice : {1, 2})
            for (const bool write : {false, true})
                QTest::addRow("%s, %s", choice == 1 ? "all" : "chosen",
                              write ? "written anyway" : "left out")
                    << choice << write;
    }
    void tamperedFilesAskedAboutOnce() {
        QFETCH(int, choice);
        QFETCH(bool, write);
        JobRig rig;
        const Tree tree{{"a.txt", "aaa"}, {"d/b.txt", "bbb"}, {"c.txt", RandomBytes(70'000, 2)}};
        const QString box = rig.Box("Box", tree);
        Tamper(box, {"b.txt", "c.txt"});
        rig.messages.writeDamaged = write;
        rig.dialogs.choice = {int16_t(choice), "1;2;3"};
        const QString target = rig.Path("target");
        rig.dialogs.folder = target;
        rig.jobs.Work().OpenBoxFile(box);
        QVERIFY(rig.WaitForLine("Extracted"));
        QVERIFY(rig.view.Lines().last().contains(" with warnings in "));
        QCOMPARE(rig.messages.asked.size(), 1);
        QVERIFY2(rig.messages.asked[0].startsWith(
                     "2 files of Box.vkx failed their check against the box's seal") &&
                     rig.messages.asked[0].contains("\n    d/b.txt") &&
                     rig.messages.asked[0].contains("\n    c.txt"),
                 qPrintable(rig.messages.asked[0]));
        const Tree written = ReadTree(target.toStdString());
        QCOMPARE(written.at("a.txt"), tree.at("a.txt"));
        QCOMPARE(written.size(), write ? 3u : 1u);
        for (const std::string name : {"c.txt", "d/b.txt"}) {
            if (write)
                QVERIFY(written.at(name).size() == tree.at(name).size() &&
                        written.at(name) != tree.at(name));
            const QString named = target + "/" + QString::fromStdString(name) +
                                  ": damaged: its contents do not match their tag; " +
                                  (write ? "extracted as they are, as asked" : "not extracted");
            QCOMPARE(rig.messages.informed.size(), 1);
            QVERIFY2(
                rig.messages.informed[0].count(target + "/" + QString::fromStdString(name)) == 1 &&
                    rig.messages.informed[0].contains(named),
                qPrintable(rig.messages.informed[0]));
        }
    }

    // The question lists a few files by their path below the folder (one outside it whole),
    // then how many more, so that it fits on the screen however many there are.
    void existingFilesQuestionListsAFew_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("listed");
        QTest::newRow("one") << 1 << "a file that this box would write:\n\n    f1\n\nReplace it ";
        QTest::newRow("six") << 6 << "\n    f5\n    /elsewhere/f6\n\nReplace them ";
        QTest::newRow("seven") << 7 << "\n    f5\n    ... and 2 more\n\nReplace them ";
    }
    void existingFilesQuestionListsAFew() {
        QFETCH(int, count);
        std::vector<std::string> paths;
        for (int i = 1; i <= count; ++i)
            paths.push_back((i == 6 ? "/elsewhere/f" : "/target/f") + std::to_string(i));
        const QString text = ExistingFilesQuestion(
            paths, "/target", QLocale(QLocale::English, QLocale::UnitedStates));
        QFETCH(QString, listed);
        QVERIFY2(text.contains(listed), qPrintable(text));
    }

    // Files already in the chosen folder are asked about once, before anything is written, for
    // the whole box and for chosen files alike: Replace puts the box's versions in place, Skip
    // keeps them, writes the rest and says how many it skipped, Cancel (also Escape) writes
    // nothing and says so. A folder that holds none of them is not asked about. The time the
    // question is open is not the job's.
    void filesAlreadyThere_data() {
        QTest::addColumn<int>("choice");  // 1 Extract All, 2 Extract (every row)
        QTest::addColumn<int>("answer");  // ExistingAnswer
        QTest::addColumn<bool>("there");  // the folder holds newer a.txt and d/c.txt
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("tree");  // a.txt, b.txt, d/c.txt: "box", "new" or "-" (none)
        const int replace = int(ExistingAnswer::kReplace), skip = int(ExistingAnswer::kSkip),
                  cancel = int(ExistingAnswer::kCancel);
        for (const int choice : {1, 2}) {
            const bool all = choice == 1;
            const QByteArray row = all ? "all, " : "chosen, ";
            const auto done = [all](const QString& files, const QString& bytes) {
                return all ? "Extracted in 0.00 seconds: " + files + ", " + bytes
                           : "Extracted " + files + " in 0.00 seconds: " + bytes;
            };
            QTest::newRow(row + "replace")
                << choice << replace << true << done("3 files", "15 bytes") + " into target"
                << "box,box,box";
            QTest::newRow(row + "skip")
                << choice << skip << true
                << done("1 file", "5 bytes") + " into target; 2 existing files skipped"
                << "new,box,new";
            QTest::newRow(row + "cancel") << choice << cancel << true
                                          << "Extraction cancelled: nothing was written into target"
                                          << "new,-,new";
            QTest::newRow(row + "none there")
                << choice << cancel << false << done("3 files", "15 bytes") + " into target"
                << "box,box,box";
        }
    }
    void filesAlreadyThere() {
        QFETCH(int, answer);
        QFETCH(bool, there);
        QFETCH(QString, line);
        JobRig rig;
        const std::vector<std::string> files{"a.txt", "b.txt", "d/c.txt"};
        const QString box =
            rig.Box("Box", {{files[0], "box a"}, {files[1], "box b"}, {files[2], "box c"}});
        const QString target = rig.Folder("target", {{"mine.txt", "mine"}});
        if (there) MakeTree(target.toStdString(), {{files[0], "new a"}, {files[2], "new c"}});
        rig.messages.existing = [&] {
            rig.ticks += 300'000;
            return ExistingAnswer(answer);
        };
        QFETCH(int, choice);
        rig.dialogs.choice = {int16_t(choice), "1;2;3"};
        rig.dialogs.folder = target;
        rig.jobs.Work().OpenBoxFile(box);
        QVERIFY(rig.WaitForLine(line.left(12)));
        QCOMPARE(rig.view.Lines().last(), line);
        QFETCH(QString, tree);
        Tree expected{{"mine.txt", "mine"}};
        for (size_t i = 0; i < files.size(); ++i) {
            const QString kept = tree.split(',')[int(i)];
            if (kept != "-") expected[files[i]] = kept.toStdString() + " " + "abc"[i];
        }
        QCOMPARE(ReadTree(target.toStdString()), expected);
        QCOMPARE(rig.messages.asked.size(), int(there));
        if (there)
            QVERIFY(rig.messages.asked[0].startsWith('"' + target +
                                                     "\" already holds 2 files that this box would "
                                                     "write:\n\n    a.txt\n    d/c.txt\n\n"));
        QVERIFY(rig.messages.informed.isEmpty());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::BoxCommandsTest)
#include "BoxCommandsTest.moc"
