#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/FakeShell.h"
#include "ui/frmSettings.h"

namespace vko::test {

namespace {

const QString kFolder = QStringLiteral("/home/u/Boxes/");

// The dialog filled from stored settings, with a folder picker that answers picked.
struct Rig : ShellRig {
    QStringList pickerTitles;
    QString picked;
    std::unique_ptr<frmSettings> dialog;

    explicit Rig(int16_t showDialog = 0, int16_t clearPassword = 0) {
        AppState& state = shell.State();
        state.DefaultFolder = kFolder;
        state.MemorizedPassword = "old secret";
        state.ShowDialog = showDialog;
        state.ClearPassword = clearPassword;
        state.UseCompression = 1;
        state.DialogResult = 7;
        dialog = std::make_unique<frmSettings>(shell, nullptr, [this](QWidget*, const QString& t) {
            pickerTitles << t;
            return picked;
        });
        dialog->Fill();
    }
    template <typename W = QLineEdit>
    W* Get(const char* name) {
        return dialog->findChild<W*>(name);
    }
    void Click(const char* button) { Get<QPushButton>(button)->click(); }
};

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    // Settings are saved only when one of them changed; the password alone is only memorized.
    void closing_data() {
        QTest::addColumn<int>("showDialog");
        QTest::addColumn<int>("clearPassword");
        QTest::addColumn<QString>("path");  // empty: left as filled in
        QTest::addColumn<bool>("toggleCompression");
        QTest::addColumn<QString>("password");  // empty: left as filled in
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("memorized");
        QTest::newRow("ClearPassword forgets on open, even when cancelled")
            << 0 << 1 << QString() << false << QString() << "cmdCancel" << false << QString();
        QTest::newRow("OK without changes")
            << 0 << 0 << QString() << false << QString() << "cmdOK" << false << "old secret";
        QTest::newRow("stored ShowDialog 1 is saved as 0")
            << 1 << 0 << QString() << false << QString() << "cmdOK" << true << "old secret";
        QTest::newRow("new password alone") << 0 << 0 << QString() << false << "new secret"
                                            << "cmdOK" << false << "new secret";
        QTest::newRow("option and folder case changed")
            << 0 << 0 << "/home/u/boxes/" << true << QString() << "cmdOK" << true << "old secret";
    }
    void closing() {
        QFETCH(int, clearPassword);
        QFETCH(QString, path);
        QFETCH(QString, password);
        QFETCH(QString, button);
        QFETCH(bool, toggleCompression);
        QFETCH(bool, saved);
        QFETCH(int, showDialog);
        Rig rig{int16_t(showDialog), int16_t(clearPassword)};
        QCOMPARE(rig.Get("txtPassword")->isEnabled(), clearPassword == 0);
        if (!path.isEmpty()) rig.Get("txtPath")->setText(path);
        if (!password.isEmpty()) rig.Get("txtPassword")->setText(password);
        if (toggleCompression) rig.Get<QCheckBox>("chkUseCompression")->click();
        rig.Click(qPrintable(button));

        const bool ok = button == "cmdOK";
        QCOMPARE(rig.dialog->result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(rig.shell.State().DialogResult, int16_t(ok));
        QTEST(QString(rig.shell.State().MemorizedPassword), "memorized");
        QCOMPARE(QFile::exists(rig.files.Current()), saved);
        QCOMPARE(rig.view.status, saved ? QString(" 09:05 PM: Settings Saved") : QString());
        if (!saved) return;
        AppState reloaded;
        rig.files.Store().Load(reloaded);
        QCOMPARE(reloaded.DefaultFolder, path.isEmpty() ? kFolder : path);
        QCOMPARE(reloaded.ShowDialog, int16_t(0));
        QCOMPARE(reloaded.UseCompression, int16_t(toggleCompression ? 0 : 1));
    }

    void emptyFolderIsRefusedAndNothingIsLost() {
        Rig rig;
        rig.Get("txtPath")->setText("   ");
        rig.Get<QCheckBox>("chkUseCompression")->click();
        rig.Click("cmdOK");
        QCOMPARE(rig.messages.informed, QStringList("Please enter a default folder."));
        QCOMPARE(rig.dialog->result(), 0);
        QCOMPARE(rig.shell.State().DefaultFolder, kFolder);
        QCOMPARE(rig.shell.State().UseCompression, int16_t(1));
        QVERIFY(!QFile::exists(rig.files.Current()));
    }

};

}  // namespace vko::test

QTEST_MAIN(vko::test::SettingsDialogTest)
#include "SettingsDialogTest.moc"
