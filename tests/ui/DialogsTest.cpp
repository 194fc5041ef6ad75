// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QTreeWidget>

#include "app/FakeShell.h"
#include "platform/cDialog.h"
#include "ui/MessageBoxes.h"
#include "ui/WidgetNames.h"
#include "ui/frmAbout.h"
#include "ui/frmBlock.h"
#include "ui/frmCreateBox.h"
#include "ui/frmExtractFolder.h"
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
        // Passwords that differ are both typed again.
        if (refusal.startsWith("Passwords"))
            QCOMPARE(Get(&dialog, "txtPassword")->text() + Get(&dialog, "txtPassword2")->text(),
                     "");
        QCOMPARE(messages.informed,
                 refusal.isEmpty() ? QStringList() : QStringList(refusal.section('|', 0, 0)));
        if (refusal.isEmpty())
            QCOMPARE(dialog.Form(), form);
        else
            QCOMPARE(QApplication::focusWidget()->objectName(), refusal.section('|', 1));
    }

    // The strength of the first password shows as it is typed, names the box's own name as
    // guessable, and never keeps a weak password from being used; the show box shows both.
    void createBoxPasswords() {
        ScriptedMessages messages;
        frmCreateBox dialog(messages, nullptr, FilePickers());
        dialog.Fill({"Zanzibarquest", "/b/Zanzibarquest.vkx", "/u/Zanzibarquest", "", "", 0});
        const QList<QStringList> typed{
            {"password", "very weak. This is a commonly used password."},
            {"zanzibarquest2024", "very weak. It holds the box's or the folder's name"},
            {"19871225", "weak. Dates and years are easy to guess."},
            {"correct horse battery staple", "very strong. "}};
        for (const QStringList& row : typed) {
            Get(&dialog, "txtPassword")->setText(row[0]);
            QLabel* shown = Get<QLabel>(&dialog, "lblStrength");
            QVERIFY2(QTextDocumentFragment::fromHtml(shown->text())
                         .toPlainText()
                         .startsWith("Strength: " + row[1]),
                     qPrintable(shown->text()));
        }
        Get<QCheckBox>(&dialog, "chkShowPassword")->setChecked(true);
        QCOMPARE(Get(&dialog, "txtPassword2")->echoMode(), QLineEdit::Normal);
        Get(&dialog, "txtPassword")->setText("password");
        Get(&dialog, "txtPassword2")->setText("password");
        Click(&dialog, "cmdCreate");
        QVERIFY(dialog.Accepted() && messages.informed.isEmpty());
    }

    // At twice the size of text, on a small screen, Create Box still fits with its buttons in
    // reach, and it widens; its box-file picker starts where the box was proposed.
    void createBoxFitsAndPicks() {
        const QFont normal = QApplication::font();
        QFont big = normal;
        big.setPointSizeF(normal.pointSizeF() * 2);
        QApplication::setFont(big);
        QTemporaryDir dir;
        QString startedIn;
        FilePickers pickers;
        pickers.save = [&](QWidget*, QString&, const QString& folder, const QString&,
                           const QString&, const QString&) {
            startedIn = folder;
            return QString();
        };
        ScriptedMessages messages;
        frmCreateBox dialog(messages, nullptr, pickers);
        dialog.Fill({"Name", dir.filePath("Name.vkx"), "/f", "", "", 0});
        ShowActive(&dialog);
        const QRect room = dialog.screen()->availableGeometry();
        auto* create = Get<QPushButton>(&dialog, "cmdCreate");
        QVERIFY(dialog.height() < room.height());
        QVERIFY(create->mapTo(&dialog, QPoint(0, create->height())).y() <= dialog.height());
        QVERIFY(dialog.maximumWidth() > dialog.width());
        QApplication::setFont(normal);
        Get(&dialog, "txtBoxFile")->clear();
        Click(&dialog, "cmdFind");
        QCOMPARE(startedIn, dir.path() + "/");
    }

    // Every button and field of every dialog has a mnemonic of its own.
    void mnemonics() {
        ShellRig rig;
        std::vector<std::unique_ptr<QWidget>> dialogs;
        dialogs.emplace_back(new frmCreateBox(rig.messages, nullptr, FilePickers()));
        dialogs.emplace_back(new frmPassword);
        dialogs.emplace_back(new frmExtractFolder(nullptr, {}));
        dialogs.emplace_back(new frmSettings(rig.shell, nullptr, {}));
        dialogs.emplace_back(new frmBlock);
        dialogs.emplace_back(new frmAbout(nullptr, {}));
        for (const auto& dialog : dialogs) {
            dialog->show();
            QMap<QChar, QString> taken;
            const auto claim = [&](const QString& text, const QString& what) {
                const qsizetype at = text.indexOf('&');
                QVERIFY2(at >= 0, qPrintable(dialog->objectName() + ": " + what));
                const QChar key = text[at + 1].toLower();
                QVERIFY2(!taken.contains(key), qPrintable(what + " and " + taken[key]));
                taken[key] = what;
            };
            for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
                claim(button->text(), button->objectName());
            for (QLineEdit* field : dialog->findChildren<QLineEdit*>()) {
                QString caption;  // a label's whose buddy it is, else its group's title
                for (const QLabel* label : dialog->findChildren<QLabel*>())
                    if (label->buddy() == field) caption = label->text();
                if (auto* group = qobject_cast<QGroupBox*>(field->parentWidget());
                    group && caption.isEmpty())
                    caption = group->title();
                claim(caption, field->objectName());
            }
        }
    }

    // Rows are chosen by their place in the box, whatever order they were selected or sorted
    // in; Extract is offered only with rows selected. The window names the box and keeps the
    // size it was left at.
    void contentsWindowChoices() {
        BoxContents contents{"B.vkx", "Box Name: B", "Root Folder: R", "Files: 8", {}, {},
                             "Seal",  "Tip"};
        bool sealShown = true;  // Verify only with tags to check; a warning only for a damaged seal
        for (int i = 1; i <= 8; ++i)
            contents.Rows.append({QString("f%1").arg(i), QString::number(9 - i), 9 - i});
        TempSettings sizes;
        const SettingsStore store = sizes.Store();
        QString title;
        auto choose = [&](const QList<int>& rows, const char* button, int sortBySize = 0) {
            frmBlock window(nullptr, &store);
            window.Fill(contents);
            ShowActive(&window);
            title = window.windowTitle();
            auto* list = Get<QTreeWidget>(&window, "lvFiles");
            if (sortBySize) list->sortByColumn(1, Qt::AscendingOrder);
            window.resize(640, 420 + sortBySize);
            for (const int row : rows) list->topLevelItem(row - 1)->setSelected(true);
            const bool offered = Get<QPushButton>(&window, "cmdExtract")->isEnabled();
            sealShown &=
                Get<QLabel>(&window, "lblSeal")->text() == contents.Seal &&
                Get<QPushButton>(&window, "cmdVerify")->isEnabled() == contents.Verifiable &&
                Get<QLabel>(&window, "imgSeal")->isVisible() == contents.SealDamaged;
            Click(&window, button);
            return QStringList{QString::number(window.Choice().Result), window.Choice().ExtractList,
                               QString::number(offered), QString::number(window.isVisible())};
        };
        QCOMPARE(choose({7, 2}, "cmdExtract"), QStringList({"2", "2;7", "1", "0"}));
        QCOMPARE(choose({1, 5}, "cmdExtractAll"), QStringList({"1", "", "1", "0"}));
        QCOMPARE(choose({1, 2}, "cmdExtract", 1), QStringList({"2", "7;8", "1", "0"}));
        QCOMPARE(store.WindowSize("Contents"), QSize(640, 421));
        QCOMPARE(title, QString("Vaultkeep Contents - B.vkx"));
        QCOMPARE(choose({}, "cmdExtract"), QStringList({"0", "", "0", "1"}));
        contents.Verifiable = contents.SealDamaged = true;
        QCOMPARE(choose({3}, "cmdVerify"), QStringList({"3", "", "1", "0"}));
        QVERIFY(sealShown);
        // Open as Folder asks for the folder and leaves the window open; offered only when the
        // box can be shown so.
        int opened = 0;
        contents.OpenAsFolder = [&] { return ++opened, QString(); };
        frmBlock window(nullptr, &store);
        window.Fill(contents);
        Click(&window, "cmdOpenFolder");
        QCOMPARE(opened, 1);
        QCOMPARE(window.Choice().Result, int16_t{0});
        window.Fill(BoxContents{});
        QVERIFY(!Get<QPushButton>(&window, "cmdOpenFolder")->isEnabled());
    }

    // With ClearPassword ticked the dialog forgets the password as it opens, even when it is
    // cancelled; an empty folder is refused and nothing is lost; a folder whose case changed
    // is saved, and the password typed with it only memorized. ShowDialog, which no job
    // consults, is not offered and keeps its stored value.
    void settingsDialog() {
        for (const QString path : {"", "  ", "/u/boxes/"}) {  // cancelled, refused, saved
            ShellRig rig;
            AppState& state = rig.shell.State();
            state.DefaultFolder = "/u/Boxes/";
            state.MemorizedPassword = "old";
            state.ClearPassword = path.isEmpty() ? 1 : 0;
            state.ShowDialog = 1;
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
            QCOMPARE(state.ShowDialog, 1);
        }
    }

    // About names no placeholder address, and an Update with no page to ask says so.
    void aboutWindow() {
        frmAbout about(nullptr, [](const QUrl&) { return true; });
        for (const QLabel* label : about.findChildren<QLabel*>())
            QVERIFY2(!label->text().contains("example."), qPrintable(label->text()));
        Click(&about, "cmdUpdate");
        QTRY_VERIFY(about.findChild<QMessageBox*>());
        QVERIFY(about.findChild<QMessageBox*>()->text().contains("no update page"));
    }

    // The questions asked in the middle of an extraction are modal to their window. Files already
    // there: Enter skips, Escape and the close box cancel, Alt+R replaces. Damaged files: only
    // Alt+W writes them. A key that does nothing fails, never hangs.
    void questionKeys() {
        const int replace = int(ExistingAnswer::kReplace), skip = int(ExistingAnswer::kSkip),
                  cancel = int(ExistingAnswer::kCancel);
        const QList<std::tuple<QString, bool, int>> cases{
            {"Return", false, skip},   {"Esc", false, cancel}, {"close", false, cancel},
            {"Alt+R", false, replace}, {"Return", true, 0},    {"Esc", true, 0},
            {"close", true, 0},        {"Alt+W", true, 1}};
        QWidget window;
        ShowActive(&window);
        for (const auto& [key, damaged, answer] : cases) {
            Qt::WindowModality modality = Qt::NonModal;
            QTimer::singleShot(0, [&modality, key = key] {
                QWidget* box = QApplication::activeModalWidget();
                modality = box->windowModality();
                QTimer::singleShot(2000, box, &QWidget::close);
                (void)QTest::qWaitForWindowActive(box);  // mnemonics act in the active window
                if (key == "close")
                    box->close();
                else
                    QTest::keySequence(box, QKeySequence(key));
            });
            MessageBoxes boxes;
            QCOMPARE(damaged ? int(boxes.AskWriteDamaged("?")) : int(boxes.AskExistingFiles("?")),
                     answer);
            QCOMPARE(modality, Qt::WindowModal);
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
