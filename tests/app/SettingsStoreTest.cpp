#include <QFile>
#include <QSettings>
#include <QTest>

#include "app/FakeShell.h"
#include "app/SettingsStore.h"

namespace vko::test {

namespace {

void Write(const QString& file, const QString& group, const QMap<QString, QString>& values) {
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(group);
    for (auto it = values.cbegin(); it != values.cend(); ++it) settings.setValue(it.key(), *it);
    settings.endGroup();
    settings.sync();
}

QByteArray Bytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartUsesDefaultsAndTheProgramFolder() {
        TempSettings files;
        AppState state;
        files.Store().Load(state, files.ProgramFolder());
        QCOMPARE(state.DefaultFolder, files.ProgramFolder() + "/");
        QCOMPARE(state.ShowDialog, int16_t(0));
        QCOMPARE(state.ClearPassword, int16_t(0));
        QCOMPARE(state.UseCompression, int16_t(1));
        QVERIFY(!QFile::exists(files.Current()));
    }

    void legacyLocationFillsInAndIsNeverWritten() {
        TempSettings files;
        Write(files.Legacy(), "Settings",
              {{"Path", "/data/old/"},
               {"ShowDialog", "1"},
               {"ClearPassword", "1"},
               {"UseCompression", "0"}});
        const QByteArray legacyBefore = Bytes(files.Legacy());
        AppState state;
        files.Store().Load(state, files.ProgramFolder());
        QCOMPARE(state.DefaultFolder, QString("/data/old/"));
        QCOMPARE(state.ShowDialog, int16_t(1));
        QCOMPARE(state.ClearPassword, int16_t(1));
        QCOMPARE(state.UseCompression, int16_t(1));  // never from the legacy location

        QVERIFY(files.Store().Save(state));
        QCOMPARE(Bytes(files.Legacy()), legacyBefore);
        AppState again;
        again.UseCompression = 7;
        files.Store().Load(again, files.ProgramFolder());
        QCOMPARE(again.DefaultFolder, QString("/data/old/"));
        QCOMPARE(again.ShowDialog, int16_t(1));
        QCOMPARE(again.UseCompression, int16_t(1));
    }

    void currentPathWinsOverLegacy() {
        TempSettings files;
        Write(files.Current(), "Vaultkeep Orb", {{"Path", "/new/"}, {"UseCompression", "0"}});
        Write(files.Legacy(), "Settings", {{"Path", "/old/"}, {"ShowDialog", "1"}});
        AppState state;
        files.Store().Load(state, files.ProgramFolder());
        QCOMPARE(state.DefaultFolder, QString("/new/"));
        QCOMPARE(state.ShowDialog, int16_t(0));
        QCOMPARE(state.UseCompression, int16_t(0));
    }

    void storedNumbers_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("minus one") << "-1" << -1;
        QTest::newRow("spaces around") << " 1 " << 1;
        QTest::newRow("16-bit edge") << "32767" << 32767;
        QTest::newRow("past 16 bits") << "32768" << 5;
        QTest::newRow("fraction") << "1.5" << 5;
        QTest::newRow("empty") << "" << 5;
        QTest::newRow("hex") << "0x1" << 5;
    }
    void storedNumbers() {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        QCOMPARE(int(SettingToInt16(QVariant(stored), 5)), expected);
    }

    void garbageInTheFileFallsBackPerKey() {
        TempSettings files;
        Write(files.Current(), "Vaultkeep Orb",
              {{"Path", "/p/"},
               {"ShowDialog", "x"},
               {"ClearPassword", "1"},
               {"UseCompression", "99999"}});
        AppState state;
        files.Store().Load(state, files.ProgramFolder());
        QCOMPARE(state.ShowDialog, int16_t(0));
        QCOMPARE(state.ClearPassword, int16_t(1));
        QCOMPARE(state.UseCompression, int16_t(1));
    }

    void awkwardPathsSurviveARoundTrip_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("comma") << "/home/u/a,b/";
        QTest::newRow("quotes and spaces") << "/home/u/My \"Boxes\" /";
        QTest::newRow("non-ASCII") << QString::fromUtf8("/home/u/Größe/箱/");
        QTest::newRow("backslash") << "/home/u/a\\b/";
    }
    void awkwardPathsSurviveARoundTrip() {
        QFETCH(QString, path);
        TempSettings files;
        AppState state;
        state.DefaultFolder = path;
        state.ShowDialog = 1;
        state.ClearPassword = -1;
        state.UseCompression = 0;
        QVERIFY(files.Store().Save(state));
        AppState loaded;
        files.Store().Load(loaded, files.ProgramFolder());
        QCOMPARE(loaded.DefaultFolder, path);
        QCOMPARE(loaded.ShowDialog, int16_t(1));
        QCOMPARE(loaded.ClearPassword, int16_t(-1));
        QCOMPARE(loaded.UseCompression, int16_t(0));
    }

    void valuesAreStoredAsText() {
        TempSettings files;
        AppState state;
        state.DefaultFolder = "/b/";
        state.ClearPassword = -1;
        QVERIFY(files.Store().Save(state));
        const QByteArray ini = Bytes(files.Current());
        QVERIFY2(ini.contains("ClearPassword=-1"), ini.constData());
        QVERIFY2(ini.contains("UseCompression=0"), ini.constData());
    }

    void unwritableLocationIsReported() {
        TempSettings files;
        QFile blocker(files.dir.filePath("current"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
        blocker.close();
        AppState state;
        QVERIFY(!files.Store().Save(state));
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::SettingsStoreTest)
#include "SettingsStoreTest.moc"
