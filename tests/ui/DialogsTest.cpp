#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/FakeShell.h"
#include "platform/cDialog.h"
#include "ui/WidgetNames.h"
#include "ui/frmBlock.h"
#include "ui/frmCreateBox.h"
#include "ui/frmPassword.h"
#include "ui/frmSettings.h"

namespace vko::test {

namespace {

template <typename W = QLineEdit>
W* Get(QWidget* parent, const char* name) {
    W* widget = parent->findChild<W*>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
}

void Click(QWidget* parent, const char* button) {
    Get<QPushButton>(parent, button)->click();
}

// Shows a dialog without its own event loop, active so that focus can be checked.
void ShowActive(QWidget* dialog) {
    dialog->show();
    if (!QTest::qWaitForWindowActive(dialog)) qFatal("the dialog did not become active");
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    // The first failing check, in this order, is reported and takes the focus; the passwords
    // are never shown. Fields: password, repeated password, folder, box file.
    void createBoxChecks_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("refusal");  // message|field; empty when accepted
        const QString match = "Passwords don't match|txtPassword";
        QTest::newRow("case differs") << QStringList{"Secret", "secret", "/f", "/b.vkx"} << match;
        QTest::newRow("mismatch first") << QStringList{"a", "b", "", ""} << match;
        QTest::newRow("no folder")
            << QStringList{"a", "a", "", ""} << "Folder not specified|txtPath";
        QTest::newRow("no box file")
            << QStringList{"a", "a", "/f", ""} << "Box file not specified|txtBoxFile";
        QTest::newRow("no password")
            << QStringList{"", "", "/f", "/b.vkx"} << "Password not specified|txtPassword";
        QTest::newRow("box file is a folder")
            << QStringList{"a", "a", "/f", "@"}
            << "The box file \"@\" is a folder. Choose a file name for the box.|txtBoxFile";
        QTest::newRow("spaces are text") << QStringList{" ", " ", " ", " "} << QString();
    }
    void createBoxChecks() {
        QFETCH(QStringList, fields);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        fields.replaceInStrings("@", dir.path());
        refusal.replace("@", dir.path());
        ScriptedMessages messages;
        frmCreateBox dialog(messages, nullptr, FilePickers());
        const CreateBoxForm form{"Name", fields[3], fields[2], fields[0], fields[1], 1};
        dialog.Fill(form);
        ShowActive(&dialog);
        for (const char* name : {"txtPassword", "txtPassword2"})
            QCOMPARE(Get(&dialog, name)->echoMode(), QLineEdit::Password);
        Click(&dialog, "cmdCreate");
        QCOMPARE(dialog.Accepted(), refusal.isEmpty());
        QCOMPARE(dialog.isVisible(), !refusal.isEmpty());
        QCOMPARE(messages.informed,
                 refusal.isEmpty() ? QStringList() : QStringList(refusal.section('|', 0, 0)));
        if (refusal.isEmpty())
            QCOMPARE(dialog.Form(), form);
        else
            QCOMPARE(QApplication::focusWidget()->objectName(), refusal.section('|', 1));
    }

    // A password taken, or not taken, does not stay in the prompt's field.
    void passwordPromptKeepsNoPassword() {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            frmPassword prompt;
            prompt.Fill("Box.vkx", "typed");
            ShowActive(&prompt);
            QLineEdit* field = Get(&prompt, "txtPassword");
            QCOMPARE(field->echoMode(), QLineEdit::Password);
            QTest::keyClick(field, key);
            QCOMPARE(prompt.Confirmed(), key == Qt::Key_Return);
            QCOMPARE(prompt.TakePassword(), prompt.Confirmed() ? QString("typed") : QString());
            QCOMPARE(field->text(), QString());
        }
    }

    // Rows are chosen by number in list order, whatever order they were selected in; Extract
    // is offered only with rows selected. The size column shows the largest size whole.
    void contentsWindowChoices() {
        BoxContents contents{"Box Name: B", "Root Folder: R", "Files: 8        Size: 8 bytes", {}};
        for (int i = 1; i <= 8; ++i) contents.Rows.append({QString("f%1").arg(i), "1"});
        contents.Rows[0].Size = "2,147,483,647";
        auto choose = [&](const QList<int>& rows, const char* button) {
            frmBlock window;
            window.Fill(contents);
            ShowActive(&window);
            auto* list = Get<QTreeWidget>(&window, "lvFiles");
            if (list->columnWidth(1) < list->fontMetrics().horizontalAdvance("2,147,483,647"))
                qFatal("the size column cuts the largest size");
            for (const int row : rows) list->topLevelItem(row - 1)->setSelected(true);
            const bool offered = Get<QPushButton>(&window, "cmdExtract")->isEnabled();
            Click(&window, button);
            return QStringList{QString::number(window.Choice().Result), window.Choice().ExtractList,
                               QString::number(offered), QString::number(window.isVisible())};
        };
        QCOMPARE(choose({7, 2}, "cmdExtract"), QStringList({"2", "2;7", "1", "0"}));
        QCOMPARE(choose({1, 5}, "cmdExtractAll"), QStringList({"1", "", "1", "0"}));
        QCOMPARE(choose({}, "cmdExtract"), QStringList({"0", "", "0", "1"}));
    }

    // Settings are saved only when one of them changed (a folder's case is a change, and so
    // is the compression option, clicked with every new folder); the password alone is only
    // memorized. With ClearPassword ticked the dialog forgets it when
    // it opens. An empty folder is refused and nothing is lost.
    void settingsDialog_data() {
        QTest::addColumn<int>("clear");
        QTest::addColumn<QString>("path");      // empty: left as filled in
        QTest::addColumn<QString>("password");  // empty: left as filled in
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("memorized");
        QTest::newRow("ClearPassword forgets on open, even when cancelled")
            << 1 << ""
            << ""
            << "cmdCancel" << false << "";
        QTest::newRow("OK without changes") << 0 << ""
                                            << ""
                                            << "cmdOK" << false << "old";
        QTest::newRow("new password alone") << 0 << ""
                                            << "new"
                                            << "cmdOK" << false << "new";
        QTest::newRow("folder case changed") << 0 << "/u/boxes/"
                                             << ""
                                             << "cmdOK" << true << "old";
        QTest::newRow("empty folder refused") << 0 << "  "
                                              << ""
                                              << "cmdOK" << false << "old";
    }
    void settingsDialog() {
        QFETCH(int, clear);
        QFETCH(QString, path);
        QFETCH(QString, password);
        QFETCH(QString, button);
        QFETCH(bool, saved);
        ShellRig rig;
        AppState& state = rig.shell.State();
        state.DefaultFolder = "/u/Boxes/";
        state.MemorizedPassword = "old";
        state.ClearPassword = int16_t(clear);
        state.UseCompression = 1;
        frmSettings dialog(rig.shell, nullptr, {});
        dialog.Fill();
        QCOMPARE(Get(&dialog, "txtPassword")->isEnabled(), clear == 0);
        if (!path.isEmpty()) Get(&dialog, "txtPath")->setText(path);
        if (!password.isEmpty()) Get(&dialog, "txtPassword")->setText(password);
        if (!path.isEmpty()) Get<QCheckBox>(&dialog, "chkUseCompression")->click();
        Click(&dialog, qPrintable(button));

        const bool refused = path.trimmed().isEmpty() && !path.isEmpty();
        QCOMPARE(rig.messages.informed.size(), int(refused));
        QCOMPARE(state.DialogResult, int16_t(!refused && button == "cmdOK"));
        QTEST(QString(state.MemorizedPassword), "memorized");
        QCOMPARE(QFile::exists(rig.files.Current()), saved);
        QCOMPARE(state.UseCompression, int16_t(saved ? 0 : 1));
        QCOMPARE(state.DefaultFolder, saved ? path : QString("/u/Boxes/"));
        if (!saved) return;
        AppState reloaded;
        rig.files.Store().Load(reloaded);
        QCOMPARE(reloaded.DefaultFolder, path);
        QCOMPARE(reloaded.UseCompression, int16_t(0));
    }

    void nameFilters_data() {
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QStringList>("filters");
        QTest::newRow("box") << kBoxFileFilter << QStringList("Vaultkeep Files (*.vkx)");
        QTest::newRow("two pairs, several patterns")
            << QString("Text") + QChar(0) + "*.txt;*.md" + QChar(0) + "All" + QChar(0) + "*.*" +
                   QChar(0)
            << QStringList({"Text (*.txt *.md)", "All (*)"});
        QTest::newRow("empty") << QString() << QStringList();
    }
    void nameFilters() {
        QFETCH(QString, pairs);
        QTEST(NameFilters(pairs), "filters");
    }

    // A box file name typed without its extension gets it.
    void saveNameAddsTheExtension() {
        QTemporaryDir dir;
        QString proposed = "Photos.vkx";
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            auto* dialog = static_cast<QFileDialog*>(QApplication::activeModalWidget());
            QCOMPARE(Get(dialog, "fileNameEdit")->text(), QString("Photos.vkx"));
            Get(dialog, "fileNameEdit")->setText(dir.filePath("mybox"));
            static_cast<QDialog*>(dialog)->accept();
        });
        QCOMPARE(cDialog::GetSaveName(nullptr, proposed, dir.path(), "Create Box", kBoxFileFilter,
                                      "vkx"),
                 dir.filePath("mybox.vkx"));
        QCOMPARE(proposed, QString("mybox.vkx"));
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::DialogsTest)
#include "DialogsTest.moc"
