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

};

}  // namespace vko::test

QTEST_MAIN(vko::test::FilePickersTest)
#include "FilePickersTest.moc"
