#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "ui/frmAbout.h"

namespace vko::test {

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    // Update or a link that nothing could open says so, naming the address.
    void failedOpeningIsReported() {
        for (const bool update : {true, false}) {
            frmAbout failing(nullptr, [](const QUrl&) { return false; });
            if (update) {
                failing.findChild<QPushButton*>("cmdUpdate")->click();
            } else {
                QLabel* mail = failing.findChild<QLabel*>("lblMailTo");
                QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                                    mail->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(mail, &release);
            }
            auto* box = failing.findChild<QMessageBox*>("msgOpenFailed");
            QVERIFY(box && box->isVisible());
            QVERIFY(box->text().contains(update ? "update.asp" : "mailto:support@example.org"));
        }
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::AboutTest)
#include "AboutTest.moc"
