#include "JobRig.h"

namespace vko::test {

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
        QTest::newRow("no such file") << "pw" << QStringList() << "gone.vkx"
                                      << "\"<path>\" does not exist or cannot be opened." << 0
                                      << false;
        QTest::newRow("a folder") << "" << QStringList() << "sources"
                                  << "\"<path>\" is not a regular file" << 0 << false;
        QTest::newRow("a text file")
            << "" << QStringList() << "notes.txt" << "\"<path>\" is not a box." << 0 << false;
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
    // named when opened, and the file whose tag it lost once more when taken. The box is closed again,
    // the indicator idle, and it opens once more.
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
        QVERIFY(rig.WaitForLine("Extracted 2 files with warnings in "));
        const QString cut = box + ": damaged box: its seal is cut short; no file in it counts as "
                                  "verified";
        const QString f3 = "/f3: damaged: the box's seal holds no tag for it; not extracted";
        QCOMPARE(rig.messages.informed,
                 QStringList({"This box is damaged:\r\n\r\n" + cut,
                              "These files were not extracted:\r\n\r\n" + cut + "\r\n" + target + f3}));
        QCOMPARE(ReadTree(target.toStdString()), (Tree{{"f1", "1"}}));
        QCOMPARE(rig.jobs.lstFiles().stringList(), QStringList(target));
        QVERIFY(rig.shell.ExtractQueue.isEmpty());
        QCOMPARE(rig.view.calls.filter("indicator: ").last(), QString("indicator: OK"));
        rig.dialogs.choice = {};
        rig.jobs.Commands().ViewBox(box);
        QCOMPARE(rig.dialogs.asked.count("contents: Box Name: Three"), 2);
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::BoxCommandsTest)
#include "BoxCommandsTest.moc"
