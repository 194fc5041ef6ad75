#include <QFile>

#include "JobRig.h"

namespace vko::test {

namespace {

const Tree kThree{{"a.txt", std::string(100, 'a')},
                  {"b.txt", std::string(200, 'b')},
                  {"Sub/c.txt", std::string(300, 'c')}};

// Eight files f1 ... f8 of different contents.
Tree EightFiles() {
    Tree tree;
    for (int i = 1; i <= 8; ++i) tree["f" + std::to_string(i)] = RandomBytes(1000 + i, i);
    return tree;
}

std::function<ContentsChoice(const BoxContents&)> Choose(int16_t result, QString rows = {}) {
    return [=](const BoxContents&) { return ContentsChoice{result, rows}; };
}

}  // namespace

class BoxCommandsTest : public QObject {
    Q_OBJECT
private slots:
    // Open a box, see its rows and totals, Extract All: the extract job asks neither for the
    // password nor for the folder again.
    void contentsThenExtractAll_data() {
        QTest::addColumn<int>("compressed");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << 0 << "Box Name: Three";
        QTest::newRow("compressed") << 1 << "Box Name: Three (compressed)";
    }
    void contentsThenExtractAll() {
        QFETCH(int, compressed);
        JobRig rig;
        rig.dialogs.contents = Choose(1);
        rig.jobs.Work().OpenBoxFile(rig.Box("Three", kThree, int16_t(compressed)));
        QVERIFY(rig.WaitForLine("Extracted in "));
        const BoxContents& shown = rig.dialogs.lastContents;
        QTEST(shown.Name, "name");
        QCOMPARE(shown.Root, QString("Root Folder: Three"));
        QCOMPARE(shown.Summary, QString("Files: 3        Size: 600 bytes"));
        QStringList rows;
        for (const auto& row : shown.Rows) rows << row.Name + "=" + row.Size;
        rows.sort();
        QCOMPARE(rows, QStringList({"a.txt=100", "b.txt=200", "sub/c.txt=300"}));

        const QString folder = rig.State().DefaultFolder + "Three";
        QCOMPARE(rig.dialogs.asked, QStringList({"password: Three.vkx []",
                                                 "contents: " + shown.Name, "folder: " + folder}));
        QCOMPARE(ReadTree(folder.toStdString()), (Tree{{"a.txt", kThree.at("a.txt")},
                                                       {"b.txt", kThree.at("b.txt")},
                                                       {"sub/c.txt", kThree.at("Sub/c.txt")}}));
        QVERIFY(!rig.State().PasswordVerified);
        QCOMPARE(rig.jobs.lstFiles().stringList(), QStringList(folder));
    }

    void sizeTotals_data() {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << qint64(1023) << "1,023 bytes";
        QTest::newRow("one Kb") << qint64(1024) << "1.0 Kb";
        QTest::newRow("just under a Mb") << qint64(1048575) << "1,024.0 Kb";
        QTest::newRow("one Mb") << qint64(1048576) << "1.00 Mb";
        QTest::newRow("past 32 bits") << qint64(5) * 1024 * 1048576 << "5,120.00 Mb";
    }
    void sizeTotals() {
        QFETCH(qint64, total);
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTEST(SizeTotalText(total, english), "text");
        QCOMPARE(FilesSummary(1234, 0, english), QString("Files: 1,234        Size: 0 bytes"));
        QCOMPARE(SizeTotalText(1024, QLocale(QLocale::German)), QString("1,0 Kb"));
    }

    // A password that does not open the box is forgotten and asked for again until the box
    // opens or the prompt is cancelled; a path that holds no file is never asked about.
    // Typed answers: "-" cancels the prompt.
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
        QTest::newRow("no such file") << "pw" << QStringList() << "gone.vkx"
                                      << "The box file \"<path>\" cannot be found." << 0 << false;
        QTest::newRow("a folder") << "" << QStringList() << "sources"
                                  << "\"<path>\" is a folder, not a box file." << 0 << false;
    }
    void passwordsThatFailAreAskedForAgain() {
        QFETCH(QString, memorized);
        QFETCH(QStringList, typed);
        QFETCH(QString, path);
        QFETCH(QString, message);
        QFETCH(int, prompts);
        QFETCH(bool, shown);
        JobRig rig;
        const QString box = rig.Box("Box", kThree);
        const QString opened = path == "<box>" ? box : rig.Path(path.toStdString());
        rig.State().MemorizedPassword = memorized;
        rig.dialogs.password = [&](const QString& prefilled) {
            if (!prefilled.isEmpty()) qFatal("a failed password was offered again");
            const QString answer = typed.takeFirst();
            return answer == "-" ? std::nullopt : std::optional(answer);
        };
        rig.jobs.Commands().ViewBox(opened);
        QCOMPARE(rig.messages.informed, QStringList(QString(message).replace("<path>", opened)));
        QCOMPARE(rig.dialogs.asked.filter("password: ").size(), prompts);
        QCOMPARE(rig.dialogs.asked.filter("contents: ").size(), int(shown));
        QCOMPARE(rig.State().PasswordVerified, shown);
        if (path == "<box>") QCOMPARE(QString(rig.State().MemorizedPassword), shown ? "pw" : "");
    }

    // A box cut short: opening it names the file it does not hold whole, in one message before
    // its window; taking that file and a whole one names it again, once.
    void damagedBoxNamesItsFilesWhenOpenedAndWhenTaken() {
        JobRig rig;
        const QString box = rig.Box("Eight", EightFiles());
        std::string bytes = ReadFile(box.toStdString());
        bytes.pop_back();
        WriteFile(box.toStdString(), bytes);
        rig.dialogs.contents = Choose(2, "1;8");
        const QString target = rig.Path("chosen");
        rig.dialogs.extractFolder = [&](const QString&) { return std::optional(target); };
        rig.jobs.Work().OpenBoxFile(box);
        QVERIFY(rig.WaitForLine("Extracted 2 files with warnings in "));
        QCOMPARE(rig.messages.informed,
                 QStringList({"This box is damaged:\r\n\r\nf8: cut short: the box ends after "
                              "1,007 of its 1,008 bytes",
                              "These files were not extracted:\r\n\r\n" + target +
                                  "/f8: cut short: the box ends after 1,007 of its 1,008 bytes"}));
        QCOMPARE(ReadTree(target.toStdString()), (Tree{{"f1", EightFiles().at("f1")}}));
    }

    void extractSelectedRows_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QList<int>>("files");
        QTest::addColumn<QString>("line");
        QTest::newRow("two") << "2;7" << QList<int>{2, 7} << "Extracted 2 files in ";
        QTest::newRow("one") << "3" << QList<int>{3} << "Extracted 1 file in ";
    }
    void extractSelectedRows() {
        QFETCH(QString, rows);
        QFETCH(QList<int>, files);
        QFETCH(QString, line);
        JobRig rig;
        const Tree eight = EightFiles();
        rig.dialogs.contents = Choose(2, rows);
        const QString target = rig.Path("chosen");
        rig.dialogs.extractFolder = [&](const QString&) { return std::optional(target); };
        rig.jobs.Work().OpenBoxFile(rig.Box("Eight", eight));
        QVERIFY(rig.WaitForLine(line));
        QCOMPARE(rig.State().ExtractList, rows);
        Tree expected;
        for (const int row : files) {
            const std::string name = rig.dialogs.lastContents.Rows[row - 1].Name.toStdString();
            expected[name] = eight.at(name);
        }
        QCOMPARE(ReadTree(target.toStdString()), expected);
        QVERIFY(rig.shell.ExtractQueue.isEmpty());
        QCOMPARE(rig.view.calls.filter("indicator: ").last(), QString("indicator: OK/Idle"));
        QCOMPARE(rig.jobs.lstFiles().stringList(), QStringList(target));
    }

    // A row the box does not have is reported; the box is closed again and opens once more.
    void aFileThatCannotBeExtractedIsReported() {
        JobRig rig;
        const QString box = rig.Box("Eight", EightFiles());
        rig.dialogs.contents = Choose(2, "1;99");
        rig.dialogs.extractFolder = [&](const QString&) { return std::optional(rig.Path("t")); };
        rig.jobs.Work().OpenBoxFile(box);
        QVERIFY(QTest::qWaitFor([&] { return !rig.messages.informed.isEmpty(); }));
        QVERIFY2(rig.messages.informed[0].contains("99"), qPrintable(rig.messages.informed[0]));
        QCOMPARE(rig.view.calls.filter("indicator: ").last(), QString("indicator: OK/Idle"));
        rig.dialogs.contents = Choose(0);
        rig.jobs.Commands().ViewBox(box);
        QCOMPARE(rig.dialogs.asked.count("contents: Box Name: Eight"), 2);
    }

    // Opening a box, by any gesture, while a job is inside the engine waits until the batch
    // is over.
    void openingABoxWaitsForTheJob() {
        JobRig rig;
        const QString box = rig.Box("Three", kThree);
        const QString folder = rig.Folder("Big", {{"big.bin", RandomBytes(1 << 20, 9)}});
        rig.dialogs.openAnswer = box;
        rig.dialogs.contents = [&](const BoxContents&) {
            rig.view.calls << "contents";
            return ContentsChoice{};
        };
        bool requested = false;
        rig.view.onStatus = [&](const QString& text) {
            if (requested || !text.startsWith(" big.bin")) return;
            requested = true;
            rig.AppTimer.start();
            rig.jobs.Work().AppTimer_Timer();  // the drop's deferred open
            rig.jobs.Work().lstFiles_DblClick(box);
            rig.jobs.Work().mnuFileOpenBox();
        };
        rig.jobs.Work().lstFiles_OLEDragDrop({folder, box});
        QVERIFY(QTest::qWaitFor([&] { return rig.view.calls.count("contents") == 3; }));
        const auto created = rig.view.calls.indexOf(QRegularExpression(".*Created in .*"));
        QVERIFY(created > 0);
        QVERIFY(rig.view.calls.indexOf("contents") > created);
        QVERIFY(rig.dialogs.asked.filter("password").isEmpty());
    }

    // Exit, or Cancel Job, during the selected-files extraction stops after the file in
    // progress; only Exit ends the program.
    void stoppingTheSelectedFiles_data() {
        QTest::addColumn<bool>("exit");
        QTest::newRow("exit") << true;
        QTest::newRow("cancel job") << false;
    }
    void stoppingTheSelectedFiles() {
        QFETCH(bool, exit);
        JobRig rig;
        rig.dialogs.contents = Choose(2, "1;2;3;4");
        const QString target = rig.Path("t");
        rig.dialogs.extractFolder = [&](const QString&) { return std::optional(target); };
        bool stopped = false;
        rig.view.onStatus = [&](const QString& text) {
            if (stopped || !text.startsWith(" f")) return;
            stopped = true;
            if (exit)
                (void)rig.shell.Form_Unload(true);
            else
                QVERIFY(rig.jobs.Work().mnuFileCancelJob());
        };
        rig.jobs.Work().OpenBoxFile(rig.Box("Eight", EightFiles()));
        QVERIFY(rig.WaitForLine("Extraction cancelled"));
        QCOMPARE(rig.window.closes, int(exit));
        QVERIFY(rig.messages.asked.isEmpty());
        QCOMPARE(ReadTree(target.toStdString()).size(), size_t(1));
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::BoxCommandsTest)
#include "BoxCommandsTest.moc"
