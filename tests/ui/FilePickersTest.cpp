#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/cDialog.h"

namespace vko::test {

namespace {

const QString kBoxFilter =
    QStringLiteral("Vaultkeep Files (*.vkx)") + QChar(0) + QStringLiteral("*.vkx") + QChar(0);

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

void Touch(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
}

}  // namespace

class FilePickersTest : public QObject {
    Q_OBJECT
private slots:
    void nameFilters_data() {
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QStringList>("filters");
        QTest::newRow("box") << kBoxFilter << QStringList("Vaultkeep Files (*.vkx)");
        QTest::newRow("all") << cDialog::kAllFiles << QStringList("All Files (*)");
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
        QString title;
        QStringList filters;
        OnFileDialog([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            QCOMPARE(NameField(dialog)->text(), QString("Photos.vkx"));
            NameField(dialog)->setText(dir.filePath("mybox"));
            static_cast<QDialog*>(dialog)->accept();
        });
        const QString path =
            cDialog::GetSaveName(nullptr, proposed, dir.path(), "Create Box", kBoxFilter, "vkx");
        QCOMPARE(path, dir.filePath("mybox.vkx"));
        QCOMPARE(proposed, QString("mybox.vkx"));
        QCOMPARE(title, QString("Create Box"));
        QCOMPARE(filters, QStringList("Vaultkeep Files (*.vkx)"));
    }

    void saveNameCancelledOrLong() {
        QString proposed(600, 'n');
        int shown = 0;
        OnFileDialog([&](QFileDialog* dialog) {
            QCOMPARE(NameField(dialog)->text(), QString(512, 'n'));
            ++shown;
            dialog->reject();
        });
        QCOMPARE(cDialog::GetSaveName(nullptr, proposed, QDir::tempPath()), QString());
        QCOMPARE(proposed, QString(600, 'n'));
        QCOMPARE(shown, 1);
    }

    // Choosing an existing file asks first; No keeps the dialog open.
    void saveNameAsksBeforeReplacing() {
        QTemporaryDir dir;
        Touch(dir.filePath("old.vkx"));
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
        QCOMPARE(cDialog::GetSaveName(nullptr, name, dir.path(), "Create Box", kBoxFilter, "vkx"),
                 QString());
        QVERIFY2(question.contains("old.vkx"), qPrintable(question));
        QVERIFY(stillOpen);
    }

    void openName() {
        QTemporaryDir dir;
        Touch(dir.filePath("a.vkx"));
        QString name = "stale";
        OnFileDialog([&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("Open Box"));
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            NameField(dialog)->setText(dir.filePath("a.vkx"));
            static_cast<QDialog*>(dialog)->accept();
        });
        QCOMPARE(cDialog::GetOpenName(nullptr, name, dir.path(), "Open Box", kBoxFilter),
                 dir.filePath("a.vkx"));
        QCOMPARE(name, QString("a.vkx"));

        OnFileDialog([](QFileDialog* dialog) { dialog->reject(); });
        QVERIFY(cDialog::GetOpenName(nullptr, name, dir.path()).trimmed().isEmpty());
        QCOMPARE(name, QString());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::FilePickersTest)
#include "FilePickersTest.moc"
