#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "app/AppInfo.h"
#include "ui/frmAbout.h"

namespace vko::test {

namespace {

void Send(QWidget* target, QEvent::Type type, Qt::MouseButton button = Qt::NoButton) {
    QMouseEvent event(type, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A link's colour, and whether it is underlined.
QString LookOf(const QLabel* label) {
    return label->palette().color(QPalette::WindowText).name() +
           (label->font().underline() ? " underlined" : "");
}

const QString kBlue = "#0000ff", kHover = "#ff0000 underlined", kVisited = "#800080 underlined";

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT

    QList<QUrl> opened;
    std::unique_ptr<frmAbout> about;
    QLabel* web = nullptr;
    QLabel* mail = nullptr;

private slots:
    void init() {
        opened.clear();
        about = std::make_unique<frmAbout>(nullptr, [this](const QUrl& url) {
            opened << url;
            return true;
        });
        web = about->findChild<QLabel*>("lblQuillfen");
        mail = about->findChild<QLabel*>("lblMailTo");
        QVERIFY(web && mail);
    }

    void movingFromLinkToLinkSwapsTheirLooks() {
        QCOMPARE(LookOf(web), kBlue);
        QCOMPARE(LookOf(mail), kBlue);
        Send(web, QEvent::MouseMove);
        QCOMPARE(LookOf(web), kHover);
        QCOMPARE(LookOf(mail), kBlue);
        Send(mail, QEvent::MouseMove);
        QCOMPARE(LookOf(web), kBlue);
        QCOMPARE(LookOf(mail), kHover);
        QVERIFY(opened.isEmpty());
    }

    void clickedLinkOpensAndStaysVisitedUntilTheMouseMoves() {
        Send(mail, QEvent::MouseMove);
        Send(mail, QEvent::MouseButtonPress, Qt::LeftButton);
        Send(mail, QEvent::MouseButtonRelease, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{QUrl("mailto:support@example.org")});
        QCOMPARE(LookOf(mail), kVisited);
        Send(about.get(), QEvent::MouseMove);
        QCOMPARE(LookOf(mail), kBlue);
        QCOMPARE(LookOf(web), kBlue);
    }

    void updateAsksForThisVersion() {
        about->findChild<QPushButton*>("cmdUpdate")->click();
        QCOMPARE(opened, QList<QUrl>{QUrl("https://www.example.org/update.asp?sid=vko1&ver=" +
                                          AppVersion())});
        QVERIFY(!about->findChild<QMessageBox*>());
    }

    // Update or a link that nothing could open says so, naming the address.
    void failedOpeningIsReported() {
        for (const bool update : {true, false}) {
            frmAbout failing(nullptr, [](const QUrl&) { return false; });
            if (update)
                failing.findChild<QPushButton*>("cmdUpdate")->click();
            else
                Send(failing.findChild<QLabel*>("lblMailTo"), QEvent::MouseButtonRelease,
                     Qt::LeftButton);
            auto* box = failing.findChild<QMessageBox*>("msgOpenFailed");
            QVERIFY(box && box->isVisible());
            QVERIFY(box->text().contains(update ? "update.asp" : "mailto:support@example.org"));
        }
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::AboutTest)
#include "AboutTest.moc"
