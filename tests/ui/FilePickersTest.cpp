#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/cDialog.h"
#include "ui/WidgetNames.h"

namespace vko::test {

namespace {

QFileDialog* OpenFileDialog() {
    return qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
}

// Runs answer on the file dialog once it is up.
void OnFileDialog(std::function<void(QFileDialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(OpenFileDialog());
        answer(OpenFileDialog());
    });
}

QLineEdit* NameField(QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>("fileNameEdit");
}

}  // namespace

class FilePickersTest : public QObject {
    Q_OBJECT
private slots:
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

    void saveNameAppendsTheExtension() {
        QTemporaryDir dir;
        QString proposed = "Photos.vkx";
        OnFileDialog([&](QFileDialog* dialog) {
            QCOMPARE(NameField(dialog)->text(), QString("Photos.vkx"));
            NameField(dialog)->setText(dir.filePath("mybox"));
            static_cast<QDialog*>(dialog)->accept();
        });
        const QString path = cDialog::GetSaveName(nullptr, proposed, dir.path(), "Create Box",
                                                  kBoxFileFilter, "vkx");
        QCOMPARE(path, dir.filePath("mybox.vkx"));
        QCOMPARE(proposed, QString("mybox.vkx"));
    }

    // Choosing an existing file asks first; No keeps the dialog open.
    void saveNameAsksBeforeReplacing() {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("old.vkx")).open(QIODevice::WriteOnly));
        QString question;
        bool stillOpen = false;
        OnFileDialog([&](QFileDialog* dialog) {
            NameField(dialog)->setText(dir.filePath("old.vkx"));
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                question = box->text();
                box->button(QMessageBox::No)->click();
            });
            static_cast<QDialog*>(dialog)->accept();
            stillOpen = dialog->isVisible();
            dialog->reject();
        });
        QString name = "old.vkx";
        QCOMPARE(
            cDialog::GetSaveName(nullptr, name, dir.path(), "Create Box", kBoxFileFilter, "vkx"),
            QString());
        QVERIFY2(question.contains("old.vkx"), qPrintable(question));
        QVERIFY(stillOpen);
    }

    void cancelledOpenNameClearsTheName() {
        QString name = "stale";
        OnFileDialog([](QFileDialog* dialog) { dialog->reject(); });
        QVERIFY(cDialog::GetOpenName(nullptr, name, QDir::tempPath()).trimmed().isEmpty());
        QCOMPARE(name, QString());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::FilePickersTest)
#include "FilePickersTest.moc"
