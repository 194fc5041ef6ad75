// SPDX-License-Identifier: GPL-3.0-or-later
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

// Path|ShowDialog|ClearPassword|UseCompression
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
    // What is loaded is saved to the current file alone and loads back the same; a value
    // that is not a 16-bit decimal number falls back per key; no Path anywhere leaves the
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
        QTest::newRow("numbers: spaces, past 16 bits, fraction")
            << QStringList{"ShowDialog= 1 ", "ClearPassword=32768", "UseCompression=1.5"}
            << QStringList() << "|1|0|1";
        QTest::newRow("numbers: hex, 16-bit edge, empty")
            << QStringList{"ShowDialog=0x1", "ClearPassword=32767", "UseCompression="}
            << QStringList() << "|0|32767|1";
    }
    void load() {
        QFETCH(QStringList, current);
        QFETCH(QStringList, legacy);
        TempSettings files;
        if (!current.isEmpty()) Write(files.Current(), "Vaultkeep Orb", current);
        if (!legacy.isEmpty()) Write(files.Legacy(), "Settings", legacy);
        const QByteArray legacyBefore = Bytes(files.Legacy());
        AppState state;
        files.Store().Load(state);
        QTEST(Summary(state), "expected");
        QCOMPARE(QFile::exists(files.Current()), !current.isEmpty());
        QVERIFY(files.Store().Save(state));
        QCOMPARE(Bytes(files.Legacy()), legacyBefore);
        AppState again;
        files.Store().Load(again);
        QCOMPARE(Summary(again), Summary(state));
    }

    // Awkward folders survive a save, numbers are stored as plain text as earlier versions
    // wrote them, and the remembered password is never written in any form.
    void savedAndLoadedBack() {
        for (const QString& path :
             {QStringLiteral("/home/u/a,b/"), QStringLiteral("/u/My \"Bo\" /"),
              QStringLiteral("/home/u/Größe/箱\\x/")}) {
            TempSettings files;
            AppState state;
            state.DefaultFolder = path;
            state.ShowDialog = 1;
            state.ClearPassword = -1;
            state.UseCompression = 0;
            state.MemorizedPassword = "never on disk";
            QVERIFY(files.Store().Save(state));
            const QByteArray saved = Bytes(files.Current());
            QVERIFY(saved.contains("ClearPassword=-1"));
            QVERIFY(!saved.contains("never on disk"));
            QVERIFY(!saved.contains(QByteArray("never on disk").toBase64()));
            AppState loaded;
            files.Store().Load(loaded);
            QCOMPARE(Summary(loaded), Summary(state));
        }
    }

    // A settings file that cannot be written is named in a message.
    void failedSaveNamesTheFile() {
        ShellRig rig;
        QFile blocker(rig.files.dir.filePath("current"));  // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        rig.shell.SaveSettings();
        QCOMPARE(rig.messages.informed.size(), 1);
        QVERIFY(rig.messages.informed[0].contains(rig.files.Current()));
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::SettingsStoreTest)
#include "SettingsStoreTest.moc"
