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
    // The first failing check, in this order, is reported and takes the focus; the dialog
    // stays open. Fields: password, repeated password, folder, box file ("@": a folder).
    void createBoxChecks_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("refusal");  // message|field; empty when accepted
        const QString match = "Passwords don't match|txtPassword";
        QTest::newRow("case differs") << "Secret,secret,/f,/b.vkx" << match;
        QTest::newRow("mismatch first") << "a,b,," << match;
        QTest::newRow("no folder") << "a,a,,"
                                   << "Folder not specified|txtPath";
        QTest::newRow("no box file") << "a,a,/f,"
                                     << "Box file not specified|txtBoxFile";
        QTest::newRow("no password") << ",,/f,/b.vkx"
                                     << "Password not specified|txtPassword";
        QTest::newRow("box file is a folder")
            << "a,a,/f,@"
            << "The box file \"@\" is a folder. Choose a file name for the box.|txtBoxFile";
        QTest::newRow("spaces are text") << " , , , " << QString();
    }
    void createBoxChecks() {
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        QFETCH(QString, fields);
        fields.replace("@", dir.path());
        const QStringList f = fields.split(',');
        refusal.replace("@", dir.path());
        ScriptedMessages messages;
        frmCreateBox dialog(messages, nullptr, FilePickers());
        const CreateBoxForm form{"Name", f[3], f[2], f[0], f[1], 1};
        dialog.Fill(form);
        ShowActive(&dialog);
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

    // Rows are chosen by number in list order, whatever order they were selected in; Extract
    // is offered only with rows selected.
    void contentsWindowChoices() {
        BoxContents contents{"Box Name: B", "Root Folder: R", "Files: 8        Size: 8 bytes", {}};
        for (int i = 1; i <= 8; ++i) contents.Rows.append({QString("f%1").arg(i), "1"});
        auto choose = [&](const QList<int>& rows, const char* button) {
            frmBlock window;
            window.Fill(contents);
            ShowActive(&window);
            auto* list = Get<QTreeWidget>(&window, "lvFiles");
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

    // With ClearPassword ticked the dialog forgets the password as it opens, even when it is
    // cancelled; an empty folder is refused and nothing is lost; a folder whose case changed
    // is saved, and the password typed with it only memorized.
    void settingsDialog() {
        for (const QString path : {"", "  ", "/u/boxes/"}) {  // cancelled, refused, saved
            ShellRig rig;
            AppState& state = rig.shell.State();
            state.DefaultFolder = "/u/Boxes/";
            state.MemorizedPassword = "old";
            state.ClearPassword = path.isEmpty() ? 1 : 0;
            frmSettings dialog(rig.shell, nullptr, {});
            dialog.Fill();
            QCOMPARE(Get(&dialog, "txtPassword")->isEnabled(), !path.isEmpty());
            if (!path.isEmpty()) Get(&dialog, "txtPath")->setText(path);
            if (!path.isEmpty()) Get(&dialog, "txtPassword")->setText("new");
            Click(&dialog, path.isEmpty() ? "cmdCancel" : "cmdOK");
            const bool saved = path == "/u/boxes/";
            QCOMPARE(QString(state.MemorizedPassword), path.isEmpty() ? "" : saved ? "new" : "old");
            QCOMPARE(rig.messages.informed.size(), path == "  " ? 1 : 0);
            QCOMPARE(state.DefaultFolder, saved ? path : QString("/u/Boxes/"));
            QCOMPARE(QFile::exists(rig.files.Current()), saved);
        }
    }

    // Filter pairs become the file dialog's filters; a box file name typed without its
    // extension gets it.
    void filePickers() {
        QCOMPARE(NameFilters(kBoxFileFilter), QStringList("Vaultkeep Files (*.vkx)"));
        QCOMPARE(NameFilters(QString::fromLatin1("Text\0*.txt;*.md\0All\0*.*\0", 24)),
                 QStringList({"Text (*.txt *.md)", "All (*)"}));
        QCOMPARE(NameFilters(QString()), QStringList());
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
