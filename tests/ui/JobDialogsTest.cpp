#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/FakeShell.h"
#include "ui/DialogBoxes.h"
#include "ui/WidgetNames.h"
#include "ui/frmBlock.h"
#include "ui/frmCreateBox.h"
#include "ui/frmExtractFolder.h"
#include "ui/frmPassword.h"

namespace vko::test {

namespace {

template <typename W>
W* Get(QWidget* parent, const char* name) {
    W* widget = parent->findChild<W*>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
    return Get<QLineEdit>(parent, name);
}

// Shows a dialog without its own event loop, active so that focus can be checked.
void ShowActive(QWidget* dialog) {
    dialog->show();
    if (!QTest::qWaitForWindowActive(dialog)) qFatal("the dialog did not become active");
}

// Runs answer on the next modal dialog once it is up.
void Answer(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        answer(QApplication::activeModalWidget());
    });
}

// A Create Box dialog with recording pickers.
struct CreateRig {
    ScriptedMessages messages;
    QStringList picks;
    QString saveAnswer;
    QString folderAnswer;
    frmCreateBox dialog{messages, nullptr, Pickers()};

    FilePickers Pickers() {
        FilePickers pickers;
        pickers.save = [this](QWidget*, QString& name, const QString& dir, const QString& title,
                              const QString& filter, const QString& ext) {
            picks << QStringList{name, dir, title, filter, ext}.join('|');
            return saveAnswer;
        };
        pickers.folder = [this](QWidget*, const QString& title) {
            picks << "folder|" + title;
            return folderAnswer;
        };
        return pickers;
    }
    void Fill(const QString& p1, const QString& p2, const QString& path, const QString& file) {
        dialog.Fill({"Name", file, path, p1, p2, 1});
        ShowActive(&dialog);
    }
    QLineEdit* Field(const char* name) { return Edit(&dialog, name); }
};

}  // namespace

class JobDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void createBoxControls() {
        QWidget owner;
        owner.setWindowIcon(QIcon(":/icons/app32.png"));
        ScriptedMessages messages;
        frmCreateBox dialog(messages, &owner);
        QCOMPARE(dialog.windowIcon().cacheKey(), owner.windowIcon().cacheKey());
        QVERIFY(!Get<QCheckBox>(&dialog, "chkCompress")->isChecked());
        QCOMPARE(Edit(&dialog, "txtBoxName")->maxLength(), 255);
        for (const char* name : {"txtPassword", "txtPassword2"})
            QCOMPARE(Edit(&dialog, name)->echoMode(), QLineEdit::Password);
    }

    void createBoxChecks_data() {
        QTest::addColumn<QString>("p1");
        QTest::addColumn<QString>("p2");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("case differs") << "Secret"
                                      << "secret"
                                      << "/f"
                                      << "/b.vkx"
                                      << "Passwords don't match"
                                      << "txtPassword";
        QTest::newRow("mismatch first") << "a"
                                        << "b"
                                        << ""
                                        << ""
                                        << "Passwords don't match"
                                        << "txtPassword";
        QTest::newRow("no folder") << "a"
                                   << "a"
                                   << ""
                                   << ""
                                   << "Folder not specified"
                                   << "txtPath";
        QTest::newRow("no box file") << "a"
                                     << "a"
                                     << "/f"
                                     << ""
                                     << "Box file not specified"
                                     << "txtBoxFile";
        QTest::newRow("no password") << ""
                                     << ""
                                     << "/f"
                                     << "/b.vkx"
                                     << "Password not specified"
                                     << "txtPassword";
        QTest::newRow("spaces are text") << " "
                                         << " "
                                         << " "
                                         << " "
                                         << ""
                                         << "";
    }
    void createBoxChecks() {
        QFETCH(QString, p1);
        QFETCH(QString, p2);
        QFETCH(QString, path);
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        CreateRig rig;
        rig.Fill(p1, p2, path, file);
        Get<QPushButton>(&rig.dialog, "cmdCreate")->click();
        if (message.isEmpty()) {
            QVERIFY(rig.messages.informed.isEmpty());
            QVERIFY(rig.dialog.Accepted());
            QVERIFY(!rig.dialog.isVisible());
            QCOMPARE(rig.dialog.Form(), (CreateBoxForm{"Name", file, path, p1, p2, 1}));
            return;
        }
        QCOMPARE(rig.messages.informed, QStringList(message));
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QVERIFY(!rig.dialog.Accepted());
        QVERIFY(rig.dialog.isVisible());
    }

    void enterWalksTheFieldsThenCreates() {
        CreateRig rig;
        rig.Fill("pw", "pw", "/f", "/b.vkx");
        rig.Field("txtBoxName")->setFocus();
        for (const char* next : {"txtBoxFile", "txtPath", "txtPassword", "txtPassword2"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(next));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(rig.dialog.Accepted());
    }

    void closingIsCancelling() {
        for (const bool closeBox : {false, true}) {
            CreateRig rig;
            rig.Fill("pw", "pw", "/f", "/b.vkx");
            if (closeBox)
                rig.dialog.close();
            else
                Get<QPushButton>(&rig.dialog, "cmdCancel")->click();
            QVERIFY(!rig.dialog.isVisible());
            QVERIFY(!rig.dialog.Accepted());
        }
    }

    void pickersFillTheFields() {
        CreateRig rig;
        rig.Fill("pw", "pw", "/kept", "/old.vkx");
        rig.saveAnswer = "  /boxes/new.vkx ";
        Get<QPushButton>(&rig.dialog, "cmdFind")->click();
        QCOMPARE(rig.Field("txtBoxFile")->text(), QString("/boxes/new.vkx"));
        QCOMPARE(QApplication::focusWidget(), rig.Field("txtBoxFile"));
        rig.Field("txtBoxName")->clear();
        rig.saveAnswer.clear();  // cancelled: the file stays
        Get<QPushButton>(&rig.dialog, "cmdFind")->click();
        QCOMPARE(rig.Field("txtBoxFile")->text(), QString("/boxes/new.vkx"));
        const QString filter = kBoxFileFilter;
        QCOMPARE(rig.picks, QStringList({"Name.vkx||Create Box|" + filter + "|vkx",
                                         ".vkx||Create Box|" + filter + "|vkx"}));

        rig.picks.clear();
        Get<QPushButton>(&rig.dialog, "cmdBrowse")->click();  // cancelled
        QCOMPARE(rig.Field("txtPath")->text(), QString("/kept"));
        QCOMPARE(QApplication::focusWidget(), rig.Field("txtPath"));
        rig.folderAnswer = "/chosen";
        Get<QPushButton>(&rig.dialog, "cmdBrowse")->click();
        QCOMPARE(rig.Field("txtPath")->text(), QString("/chosen"));
        QCOMPARE(rig.picks, QStringList({"folder|", "folder|"}));
    }

    // Escape answers like OK in both small prompts; Cancel and the close box give no answer.
    void smallPrompts_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("ok") << "ok" << true;
        QTest::newRow("enter") << "enter" << true;
        QTest::newRow("escape") << "escape" << true;
        QTest::newRow("cancel") << "cancel" << false;
        QTest::newRow("close box") << "close" << false;
    }
    void smallPrompts() {
        QFETCH(QString, how);
        QFETCH(bool, confirmed);
        frmPassword password;
        password.Fill("Box.vkx", "memorized");
        frmExtractFolder folder(nullptr, [](QWidget*, const QString&) { return QString(); });
        folder.Fill("/boxes/Photos");
        for (QDialog* dialog : std::initializer_list<QDialog*>{&password, &folder}) {
            ShowActive(dialog);
            auto* field =
                dialog == &password ? Edit(dialog, "txtPassword") : Edit(dialog, "txtPath");
            QCOMPARE(field->selectedText(), field->text());
            field->setText("typed");
            if (how == "ok") Get<QPushButton>(dialog, "cmdOK")->click();
            if (how == "cancel") Get<QPushButton>(dialog, "cmdCancel")->click();
            if (how == "enter") QTest::keyClick(field, Qt::Key_Return);
            if (how == "escape") QTest::keyClick(field, Qt::Key_Escape);
            if (how == "close") dialog->close();
            QVERIFY(!dialog->isVisible());
        }
        QCOMPARE(password.windowTitle(), QString("Box.vkx"));
        QCOMPARE(password.Confirmed(), confirmed);
        QCOMPARE(folder.Confirmed(), confirmed);
        QCOMPARE(password.Password(), QString("typed"));
        QCOMPARE(folder.Folder(), QString("typed"));
    }

    void extractFolderControlsAndBrowse() {
        QStringList titles;
        QString answer;
        frmExtractFolder dialog(nullptr, [&](QWidget*, const QString& title) {
            titles << title;
            return answer;
        });
        dialog.Fill("/proposed");
        ShowActive(&dialog);
        Get<QPushButton>(&dialog, "cmdBrowse")->click();
        QCOMPARE(Edit(&dialog, "txtPath")->text(), QString("/proposed"));
        answer = "/picked";
        Get<QPushButton>(&dialog, "cmdBrowse")->click();
        QCOMPARE(Edit(&dialog, "txtPath")->text(), QString("/picked"));
        QCOMPARE(QApplication::focusWidget(), Edit(&dialog, "txtPath"));
        QCOMPARE(titles, QStringList(2, "Select Extraction Folder"));
    }

    void contentsWindowChoices() {
        BoxContents contents{"Box Name: B", "Root Folder: R", "Files: 8        Size: 8 bytes", {}};
        for (int i = 1; i <= 8; ++i) contents.Rows.append({QString("f%1").arg(i), "1"});
        auto choose = [&](const QList<int>& rows, const char* button) {
            frmBlock window;
            window.Fill(contents);
            ShowActive(&window);
            auto* list = Get<QTreeWidget>(&window, "lvFiles");
            for (const int row : rows) list->topLevelItem(row - 1)->setSelected(true);
            Get<QPushButton>(&window, button)->click();
            return std::pair(window.Choice(), window.isVisible());
        };
        const auto [two, twoOpen] = choose({7, 2}, "cmdExtract");
        QCOMPARE(two.Result, int16_t(2));
        QCOMPARE(two.ExtractList, QString("2;7"));
        QVERIFY(!twoOpen);
        QCOMPARE(choose({3}, "cmdExtract").first.ExtractList, QString("3"));
        const auto [all, allOpen] = choose({1, 5}, "cmdExtractAll");
        QCOMPARE(all.Result, int16_t(1));
        QCOMPARE(all.ExtractList, QString());
        const auto [none, stillOpen] = choose({}, "cmdExtract");
        QCOMPARE(none.Result, int16_t(0));
        QVERIFY(stillOpen);
    }

    void contentsWindowLayout() {
        frmBlock window;
        if (window.logicalDpiX() != 96 || window.logicalDpiY() != 96) QSKIP("needs 96 dpi");
        BoxContents contents{
            "Box Name: B", "Root Folder: R", "Files: 1        Size: 5 bytes", {{"sub/f", "5"}}};
        window.Fill(contents);
        QCOMPARE(window.windowTitle(), QString("Vaultkeep Contents"));
        auto* list = Get<QTreeWidget>(&window, "lvFiles");
        QCOMPARE(list->headerItem()->text(0), QString("Filename"));
        QCOMPARE(list->headerItem()->text(1), QString("Size"));
        QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(list->topLevelItem(0)->textAlignment(1) & Qt::AlignRight, Qt::AlignRight);
        QCOMPARE(Get<QLabel>(&window, "lblMsg")->text(), contents.Summary);
        QCOMPARE(window.size(), QSize(369, 265));  // 5535 x 3975 twips
        QCOMPARE(list->columnWidth(0), 260);       // 3900 twips
        QCOMPARE(list->columnWidth(1), 80);        // 1200 twips
        window.show();
        window.resize(600, 400);  // outer 9120 x 6510 twips
        QCOMPARE(Get<QPushButton>(&window, "cmdExtract")->geometry().topLeft(), QPoint(533, 374));
        QCOMPARE(Get<QPushButton>(&window, "cmdExtractAll")->pos(), QPoint(466, 374));
        QCOMPARE(list->geometry(), QRect(1, 40, 598, 331));
        QCOMPARE(Get<QLabel>(&window, "lblMsg")->y(), 379);
        QCOMPARE(list->columnWidth(0), 491);
        QCOMPARE(list->columnWidth(1), 80);
        QVERIFY(window.minimumWidth() > 0 && window.minimumHeight() > 0);
    }

    // The program's dialogs answer through the seam once shown modally.
    void dialogBoxesAnswerTheJobs() {
        ScriptedMessages messages;
        QStringList picks;
        FilePickers pickers;
        pickers.open = [&](QWidget*, QString&, const QString& dir, const QString& title,
                           const QString& filter, const QString& name) {
            picks << QStringList{dir, title, filter, name}.join('|');
            return QString(1024, ' ');
        };
        pickers.folder = [&](QWidget*, const QString& title) {
            picks << title;
            return QString("/f");
        };
        QWidget owner;
        DialogBoxes boxes(&owner, messages, pickers);

        Answer([](QWidget* dialog) {
            Edit(dialog, "txtPassword")->setText("s");
            Edit(dialog, "txtPassword2")->setText("s");
            Get<QPushButton>(dialog, "cmdCreate")->click();
        });
        const auto created = boxes.CreateBox({"N", "/b.vkx", "/f", "", "", 0});
        QVERIFY(created);
        QCOMPARE(created->Password, QString("s"));

        Answer([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QCOMPARE(boxes.Password("Box.vkx", "memo"), std::optional<QString>("memo"));
        Answer([](QWidget* dialog) { Get<QPushButton>(dialog, "cmdCancel")->click(); });
        QCOMPARE(boxes.ExtractFolder("/x"), std::optional<QString>());
        Answer([](QWidget* dialog) { Get<QPushButton>(dialog, "cmdExtractAll")->click(); });
        QCOMPARE(boxes.Contents({}).Result, int16_t(1));

        QVERIFY(boxes.OpenBox("/boxes/").trimmed().isEmpty());
        QCOMPARE(boxes.FolderToBox(), QString("/f"));
        QCOMPARE(picks,
                 QStringList({"/boxes/|Open Box|" + kBoxFileFilter + "|", "Select Folder to Box"}));
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::JobDialogsTest)
#include "JobDialogsTest.moc"
