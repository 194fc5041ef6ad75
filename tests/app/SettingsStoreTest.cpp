#include <QFile>
#include <QSettings>
#include <QTest>

#include "app/FakeShell.h"

namespace vko::test {

namespace {

// Writes "key=value" pairs into group of an INI file.
void Write(const QString& file, const QString& group, const QStringList& pairs) {
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(group);
    for (const QString& pair : pairs)
        settings.setValue(pair.section('=', 0, 0), pair.section('=', 1));
    settings.endGroup();
    settings.sync();
}

QByteArray Bytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Summary(const AppState& state) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(state.DefaultFolder)
        .arg(state.ShowDialog)
        .arg(state.ClearPassword)
        .arg(state.UseCompression);
}

}  // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT
private slots:
    // Expected values: Path|ShowDialog|ClearPassword|UseCompression; no Path anywhere leaves the
    // folder for the shell to choose.
    void load_data() {
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QStringList>("legacy");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first start") << QStringList() << QStringList() << "|0|0|1";
        QTest::newRow("legacy fills in, never UseCompression")
            << QStringList()
            << QStringList{"Path=/old/", "ShowDialog=1", "ClearPassword=1", "UseCompression=0"}
            << "/old/|1|1|1";
        QTest::newRow("current wins") << QStringList{"Path=/new/", "UseCompression=0"}
                                      << QStringList{"Path=/old/", "ShowDialog=1"} << "/new/|0|0|0";
        QTest::newRow("garbage falls back per key")
            << QStringList{"Path=/p/", "ShowDialog=x", "ClearPassword=1", "UseCompression=99999"}
            << QStringList() << "/p/|0|1|1";
    }
    void load() {
        QFETCH(QStringList, current);
        QFETCH(QStringList, legacy);
        QFETCH(QString, expected);
        TempSettings files;
        if (!current.isEmpty()) Write(files.Current(), "Vaultkeep Orb", current);
        if (!legacy.isEmpty()) Write(files.Legacy(), "Settings", legacy);
        const QByteArray legacyBefore = Bytes(files.Legacy());
        AppState state;
        files.Store().Load(state);
        QCOMPARE(Summary(state), expected);
        QCOMPARE(QFile::exists(files.Current()), !current.isEmpty());

        QVERIFY(files.Store().Save(state));
        QCOMPARE(Bytes(files.Legacy()), legacyBefore);
        AppState again;
        files.Store().Load(again);
        QCOMPARE(Summary(again), Summary(state));
    }

    void storedNumbers_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
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
        QTEST(int(SettingToInt16(QVariant(stored), 5)), "expected");
    }

    void awkwardPathsSurviveARoundTrip_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("comma") << "/home/u/a,b/";
        QTest::newRow("quotes and spaces") << "/home/u/My \"Boxes\" /";
        QTest::newRow("non-ASCII and backslash") << QString::fromUtf8("/home/u/Größe/箱\\x/");
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
        // Numbers are stored as plain text, as earlier versions wrote them.
        QVERIFY(Bytes(files.Current()).contains("ClearPassword=-1"));
        AppState loaded;
        files.Store().Load(loaded);
        QCOMPARE(Summary(loaded), Summary(state));
    }

    // The remembered password lives in memory only: no save writes it anywhere.
    void thePasswordIsNeverSaved() {
        TempSettings files;
        AppState state;
        state.DefaultFolder = "/home/u/";
        state.MemorizedPassword = "never on disk";
        QVERIFY(files.Store().Save(state));
        QVERIFY(!Bytes(files.Current()).contains("never on disk"));
        QVERIFY(!Bytes(files.Current()).contains(QString("never on disk").toUtf8().toBase64()));
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::SettingsStoreTest)
#include "SettingsStoreTest.moc"
