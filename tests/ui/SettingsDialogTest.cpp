#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/FakeShell.h"
#include "ui/frmSettings.h"

namespace vko::test {

namespace {

struct Rig {
    TempSettings files;
    FakeView view;
    ScriptedMessages messages;
    AppShell shell{view,
                   messages,
                   files.Store(),
                   files.ProgramFolder(),
                   [] { return QTime(21, 5); },
                   QLocale(QLocale::English, QLocale::UnitedStates)};
    QStringList pickerTitles;
    QString picked;
    std::unique_ptr<frmSettings> dialog;

    explicit Rig(const AppState& start) {
        shell.State() = start;
        dialog =
            std::make_unique<frmSettings>(shell, nullptr, [this](QWidget*, const QString& title) {
                pickerTitles << title;
                return picked;
            });
        dialog->Fill();
    }
    template <typename W>
    W* Get(const char* name) {
        return dialog->findChild<W*>(name);
    }
    void Click(const char* button) { Get<QPushButton>(button)->click(); }
    bool Saved() const { return QFile::exists(files.Current()); }
};

AppState Stored(int16_t showDialog, int16_t clearPassword, int16_t useCompression) {
    AppState state;
    state.DefaultFolder = "/home/u/Boxes/";
    state.MemorizedPassword = "old secret";
    state.ShowDialog = showDialog;
    state.ClearPassword = clearPassword;
    state.UseCompression = useCompression;
    state.DialogResult = 7;
    return state;
}

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void clearPasswordOnOpenForgetsItEvenWhenCancelled() {
        Rig rig(Stored(0, 1, 1));
        QLineEdit* password = rig.Get<QLineEdit>("txtPassword");
        QVERIFY(!password->isEnabled());
        QCOMPARE(password->text(), QString());
        rig.Click("cmdCancel");
        QCOMPARE(rig.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(rig.shell.State().MemorizedPassword, QString());
        QCOMPARE(rig.shell.State().DialogResult, int16_t(0));
        QVERIFY(!rig.Saved());
    }

    void untickingClearPasswordEnablesTheBoxAgain() {
        Rig rig(Stored(0, 0, 1));
        QCheckBox* clear = rig.Get<QCheckBox>("chkClearPassword");
        clear->click();
        QCOMPARE(rig.shell.State().MemorizedPassword, QString());
        rig.Get<QLineEdit>("txtPassword")->setText("typed");
        clear->click();
        QVERIFY(rig.Get<QLineEdit>("txtPassword")->isEnabled());
        QCOMPARE(rig.Get<QLineEdit>("txtPassword")->text(), QString("typed"));
    }

    void okWithoutChangesSavesNothing() {
        Rig rig(Stored(0, 0, 1));
        rig.Click("cmdOK");
        QCOMPARE(rig.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(rig.shell.State().DialogResult, int16_t(1));
        QVERIFY(!rig.Saved());
        QVERIFY(rig.view.calls.isEmpty());
    }

    void okWithStoredShowDialogSavesItAsZero() {
        Rig rig(Stored(1, 0, 1));
        rig.Click("cmdOK");
        QVERIFY(rig.Saved());
        QCOMPARE(rig.shell.State().ShowDialog, int16_t(0));
        QCOMPARE(rig.view.status, QString(" 09:05 PM: Settings Saved"));
    }

    void newPasswordAloneIsMemorizedNotSaved() {
        Rig rig(Stored(0, 0, 1));
        rig.Get<QLineEdit>("txtPassword")->setText("new secret");
        rig.Click("cmdOK");
        QCOMPARE(rig.shell.State().MemorizedPassword, QString("new secret"));
        QVERIFY(!rig.Saved());
        QVERIFY(rig.view.calls.isEmpty());
    }

    void changedOptionSavesAllFour() {
        Rig rig(Stored(0, 0, 1));
        rig.Get<QCheckBox>("chkUseCompression")->click();
        rig.Get<QLineEdit>("txtPath")->setText("/home/u/boxes/");  // case differs: a change
        rig.Click("cmdOK");
        QVERIFY(rig.Saved());
        AppState reloaded;
        rig.files.Store().Load(reloaded, "/unused");
        QCOMPARE(reloaded.DefaultFolder, QString("/home/u/boxes/"));
        QCOMPARE(reloaded.UseCompression, int16_t(0));
        QCOMPARE(reloaded.ClearPassword, int16_t(0));
        QCOMPARE(rig.view.status, QString(" 09:05 PM: Settings Saved"));
    }

    void browseReplacesThePathOnlyWhenAFolderWasChosen() {
        Rig rig(Stored(0, 0, 1));
        rig.Click("cmdBrowse");
        QCOMPARE(rig.pickerTitles, QStringList("Select Default Folder"));
        QCOMPARE(rig.Get<QLineEdit>("txtPath")->text(), QString("/home/u/Boxes/"));
        rig.picked = "/srv/vaults";
        rig.Click("cmdBrowse");
        QCOMPARE(rig.Get<QLineEdit>("txtPath")->text(), QString("/srv/vaults"));
    }

    void emptyFolderIsRefusedAndNothingIsLost() {
        Rig rig(Stored(0, 0, 1));
        rig.Get<QLineEdit>("txtPath")->setText("   ");
        rig.Get<QCheckBox>("chkUseCompression")->click();
        rig.Click("cmdOK");
        QCOMPARE(rig.messages.informed, QStringList("Please enter a default folder."));
        QCOMPARE(rig.dialog->result(), 0);
        QCOMPARE(rig.shell.State().DefaultFolder, QString("/home/u/Boxes/"));
        QCOMPARE(rig.shell.State().UseCompression, int16_t(1));
        QVERIFY(!rig.Saved());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::SettingsDialogTest)
#include "SettingsDialogTest.moc"
