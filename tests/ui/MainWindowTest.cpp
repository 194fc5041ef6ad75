#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "app/FakeShell.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

namespace vko::test {

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // The close box never ends the program, busy or not, nor after a declined question. Exit
    // and the tray's Remove end it, asking first while a job runs; ending saves the settings
    // and closes every window.
    void ending_data() {
        QTest::addColumn<QString>("item");  // empty: the close box
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("yes");
        QTest::newRow("close box while busy") << "" << true << true;
        QTest::newRow("Exit while idle") << "mnuFileItem_3" << false << false;
        QTest::newRow("Exit while busy, No") << "mnuFileItem_3" << true << false;
        QTest::newRow("Remove while busy, Yes") << "mnuPopupItem_3" << true << true;
    }
    void ending() {
        QFETCH(QString, item);
        QFETCH(bool, busy);
        QFETCH(bool, yes);
        TempSettings files;
        ScriptedMessages messages;
        messages.answers = {yes};
        int ended = 0;
        WindowServices services;
        services.endProgram = [&] { ++ended; };
        services.firstStartFolder = files.FirstStartFolder();
        frmMain window(messages, files.Store(), services);
        QVERIFY(window.Form_Load(false));
        window.show();
        window.ShowAbout();
        QPointer<frmAbout> about = window.findChild<frmAbout*>();
        window.Shell().Busy = busy;
        if (item.isEmpty())
            window.close();
        else
            window.findChild<QAction*>(item)->trigger();

        const bool ends = !item.isEmpty() && (!busy || yes);
        const auto putAway = [&] {
            return QSystemTrayIcon::isSystemTrayAvailable() ? !window.isVisible()
                                                            : window.isMinimized();
        };
        QCOMPARE(messages.asked.size(), int(busy && !item.isEmpty()));
        QCOMPARE(ended, int(ends));
        QCOMPARE(item.isEmpty() ? !putAway() : window.isVisible(), !ends && !item.isEmpty());
        QCOMPARE(about && about->isVisible(), !ends);
        QCOMPARE(window.Tray().TrayIcon().isVisible(), !ends);
        QCOMPARE(window.Shell().State().CancelProcess, ends);
        QCOMPARE(QFile::exists(files.Current()), ends);
        if (ends) {
            window.CloseProgram();  // as the job that was running does when the engine returns
        } else {
            window.close();
            QVERIFY(putAway());
        }
        QCOMPARE(ended, int(ends));
        QCOMPARE(messages.asked.size(), int(busy && !item.isEmpty()));
    }

    // Update, or a link that nothing could open, says so and names the address.
    void failedOpeningIsReported() {
        for (const bool update : {true, false}) {
            frmAbout about(nullptr, [](const QUrl&) { return false; });
            if (update) {
                about.findChild<QPushButton*>("cmdUpdate")->click();
            } else {
                QLabel* mail = about.findChild<QLabel*>("lblMailTo");
                QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                                    mail->mapToGlobal(QPointF(2, 2)), Qt::LeftButton, Qt::NoButton,
                                    Qt::NoModifier);
                QApplication::sendEvent(mail, &release);
            }
            auto* box = about.findChild<QMessageBox*>("msgOpenFailed");
            QVERIFY(box && box->isVisible());
            QVERIFY(box->text().contains(update ? "update.asp" : "mailto:support@example.org"));
        }
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::MainWindowTest)
#include "MainWindowTest.moc"
