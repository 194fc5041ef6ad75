// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/LaunchPaths.h"

namespace vko::test {

// Arguments are resolved in a folder holding "boxes/Trip.vkx", the folder "src" and the
// dangling link "link"; expected paths are relative to it ("" stays empty).
class LaunchPathsTest : public QObject {
    Q_OBJECT
private slots:
    void resolve_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("missing");
        QTest::newRow("relative box")
            << QStringList{"boxes/Trip.vkx"} << QStringList{"boxes/Trip.vkx"} << QStringList{};
        QTest::newRow("folder: dot parts and trailing separator go")
            << QStringList{"./boxes/../src/"} << QStringList{"src"} << QStringList{};
        QTest::newRow("absolute, in order")
            << QStringList{"@/src", "@/boxes/Trip.vkx"} << QStringList{"src", "boxes/Trip.vkx"}
            << QStringList{};
        QTest::newRow("missing, empty and dangling are named")
            << QStringList{"src", "gone.vkx", "", "link"}
            << QStringList{"src", "gone.vkx", "", "link"} << QStringList{"gone.vkx", "", "link"};
    }
    void resolve() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, missing);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("boxes") && QDir(dir.path()).mkpath("src"));
        QFile box(dir.filePath("boxes/Trip.vkx"));
        QVERIFY(box.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("link")));
        const auto inDir = [&](QStringList list) {
            for (QString& path : list)
                if (!path.isEmpty()) path = dir.filePath(path);
            return list;
        };
        arguments.replaceInStrings("@", dir.path());

        const LaunchPaths launch = ResolveLaunchPaths(arguments, dir.path());
        QCOMPARE(launch.paths, inDir(paths));
        QCOMPARE(launch.missing, inDir(missing));
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::LaunchPathsTest)
#include "LaunchPathsTest.moc"
