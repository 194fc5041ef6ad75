#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/FakeShell.h"
#include "ui/DialogBoxes.h"
#include "ui/MessageBoxes.h"
#include "ui/WidgetNames.h"
#include "ui/frmBlock.h"
#include "ui/frmCreateBox.h"
#include "ui/frmExtractFolder.h"
#include "ui/frmPassword.h"

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

// Runs answer on the next modal dialog once it is up.
void Answer(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        answer(QApplication::activeModalWidget());
    });
}

QString FocusName() {
    return QApplication::focusWidget()->objectName();
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
    // Fields: password, repeated password, folder, box file.
    void Fill(const QStringList& f) {
        dialog.Fill({"Name", f[3], f[2], f[0], f[1], 1});
        ShowActive(&dialog);
    }
    QLineEdit* Field(const char* name) { return Get(&dialog, name); }
};

}  // namespace

class JobDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // The first failing check, in this order, is reported and takes the focus.
    void createBoxChecks_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("case differs") << QStringList{"Secret", "secret", "/f", "/b.vkx"}
                                      << "Passwords don't match|txtPassword";
        QTest::newRow("mismatch first")
            << QStringList{"a", "b", "", ""} << "Passwords don't match|txtPassword";
        QTest::newRow("no folder")
            << QStringList{"a", "a", "", ""} << "Folder not specified|txtPath";
        QTest::newRow("no box file")
            << QStringList{"a", "a", "/f", ""} << "Box file not specified|txtBoxFile";
        QTest::newRow("no password")
            << QStringList{"", "", "/f", "/b.vkx"} << "Password not specified|txtPassword";
        QTest::newRow("spaces are text") << QStringList{" ", " ", " ", " "} << QString();
    }
    void createBoxChecks() {
        QFETCH(QStringList, fields);
        QFETCH(QString, refusal);
        CreateRig rig;
        rig.Fill(fields);
        Click(&rig.dialog, "cmdCreate");
        QCOMPARE(rig.dialog.Accepted(), refusal.isEmpty());
        QCOMPARE(rig.dialog.isVisible(), !refusal.isEmpty());
        if (refusal.isEmpty()) {
            QVERIFY(rig.messages.informed.isEmpty());
            QCOMPARE(rig.dialog.Form(),
                     (CreateBoxForm{"Name", fields[3], fields[2], fields[0], fields[1], 1}));
            return;
        }
        QCOMPARE(rig.messages.informed, QStringList(refusal.section('|', 0, 0)));
        QCOMPARE(FocusName(), refusal.section('|', 1));
    }

    void createBoxHidesPasswordsAndClosingCancels() {
        for (const bool closeBox : {false, true}) {
            CreateRig rig;
            rig.Fill({"pw", "pw", "/f", "/b.vkx"});
            for (const char* name : {"txtPassword", "txtPassword2"})
                QCOMPARE(rig.Field(name)->echoMode(), QLineEdit::Password);
            if (closeBox)
                rig.dialog.close();
            else
                Click(&rig.dialog, "cmdCancel");
            QVERIFY(!rig.dialog.isVisible());
            QVERIFY(!rig.dialog.Accepted());
        }
    }

    // Enter and OK answer both small prompts; Escape, Cancel and the close box give no answer.
    // A taken or discarded password leaves the field empty.
    void smallPrompts_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("ok") << "ok" << true;
        QTest::newRow("enter") << "enter" << true;
        QTest::newRow("escape") << "escape" << false;
        QTest::newRow("cancel") << "cancel" << false;
        QTest::newRow("close box") << "close" << false;
    }
    void smallPrompts() {
        QFETCH(QString, how);
        QFETCH(bool, confirmed);
        frmPassword password;
        password.Fill("Box.vkx", "memorized");
        frmExtractFolder folder(nullptr, [](QWidget*, const QString&) { return "/picked"; });
        folder.Fill("/boxes/Photos");
        for (QDialog* dialog : std::initializer_list<QDialog*>{&password, &folder}) {
            ShowActive(dialog);
            auto* field = Get(dialog, dialog == &password ? "txtPassword" : "txtPath");
            QCOMPARE(field->selectedText(), field->text());
            if (dialog == &folder) {
                Click(dialog, "cmdBrowse");
                QCOMPARE(field->text(), QString("/picked"));
            }
            field->setText("typed");
            if (how == "ok") Click(dialog, "cmdOK");
            if (how == "cancel") Click(dialog, "cmdCancel");
            if (how == "enter") QTest::keyClick(field, Qt::Key_Return);
            if (how == "escape") QTest::keyClick(field, Qt::Key_Escape);
            if (how == "close") dialog->close();
            QVERIFY(!dialog->isVisible());
        }
        QCOMPARE(password.Confirmed(), confirmed);
        QCOMPARE(folder.Confirmed(), confirmed);
        QCOMPARE(password.TakePassword(), confirmed ? QString("typed") : QString());
        QCOMPARE(Get(&password, "txtPassword")->text(), QString());
        QCOMPARE(folder.Folder(), QString("typed"));
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
            return std::tuple(window.Choice(), window.isVisible(), offered);
        };
        const auto [two, twoOpen, twoOffered] = choose({7, 2}, "cmdExtract");
        QCOMPARE(two.Result, int16_t(2));
        QCOMPARE(two.ExtractList, QString("2;7"));
        QVERIFY(!twoOpen && twoOffered);
        const auto [all, allOpen, allOffered] = choose({1, 5}, "cmdExtractAll");
        QCOMPARE(all.Result, int16_t(1));
        QCOMPARE(all.ExtractList, QString());
        const auto [none, stillOpen, noneOffered] = choose({}, "cmdExtract");
        QCOMPARE(none.Result, int16_t(0));
        QVERIFY(stillOpen && !noneOffered);
    }

    // The program's dialogs answer the jobs through the seam once shown modally; message
    // boxes sit over the window in front and take the preferred answer on Enter.
    void dialogBoxesAnswerTheJobs() {
        ScriptedMessages messages;
        QWidget owner;
        DialogBoxes boxes(&owner, messages, FilePickers());
        Answer([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
        QCOMPARE(boxes.Password("Box.vkx", "memo"), std::optional<QString>("memo"));
        Answer([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QCOMPARE(boxes.Password("Box.vkx", "memo"), std::optional<QString>());
        Answer([](QWidget* dialog) { Click(dialog, "cmdCancel"); });
        QCOMPARE(boxes.ExtractFolder("/x"), std::optional<QString>());
        Answer([](QWidget* dialog) { Click(dialog, "cmdExtractAll"); });
        QCOMPARE(boxes.Contents({}).Result, int16_t(1));

        QDialog front;
        ShowActive(&front);
        MessageBoxes real;
        for (const auto preferred : {Messages::Answer::Yes, Messages::Answer::No}) {
            front.activateWindow();  // as a window manager does once the last box has gone
            QVERIFY(QTest::qWaitForWindowActive(&front));
            Answer([&front](QWidget* box) {
                QCOMPARE(box->parentWidget(), &front);
                QTest::keyClick(box, Qt::Key_Return);
            });
            QCOMPARE(real.AskYesNo("Replace?", preferred), preferred == Messages::Answer::Yes);
        }
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::JobDialogsTest)
#include "JobDialogsTest.moc"
