#include <QLabel>
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

struct Look {
    QColor color;
    bool underline;
    bool operator==(const Look&) const = default;
};

Look LookOf(const QLabel* label) {
    return {label->palette().color(QPalette::WindowText), label->font().underline()};
}

const QColor kBlue(0, 0, 255), kPurple(128, 0, 128), kRed(255, 0, 0);

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

    void titleAndLinksStartBlue() {
        QCOMPARE(about->windowTitle(), QString("About Vaultkeep Orb"));
        QCOMPARE(about->findChild<QLabel*>("lblTitle")->text(), "Vaultkeep Orb v" + AppVersion());
        QCOMPARE(LookOf(web), (Look{kBlue, false}));
        QCOMPARE(LookOf(mail), (Look{kBlue, false}));
        QCOMPARE(web->property("tag").toString(), QString("https://www.example.org/"));
        QCOMPARE(mail->property("tag").toString(), QString("mailto:support@example.org"));
    }

    void movingFromLinkToLinkSwapsTheirLooks() {
        Send(web, QEvent::MouseMove);
        QCOMPARE(LookOf(web), (Look{kRed, true}));
        QCOMPARE(LookOf(mail), (Look{kBlue, false}));
        Send(mail, QEvent::MouseMove);
        QCOMPARE(LookOf(web), (Look{kBlue, false}));
        QCOMPARE(LookOf(mail), (Look{kRed, true}));
        QVERIFY(opened.isEmpty());
    }

    void clickedLinkOpensAndStaysVisitedUntilTheMouseMoves() {
        Send(mail, QEvent::MouseMove);
        Send(mail, QEvent::MouseButtonPress, Qt::LeftButton);
        Send(mail, QEvent::MouseButtonRelease, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{QUrl("mailto:support@example.org")});
        QCOMPARE(LookOf(mail), (Look{kPurple, true}));
        Send(about.get(), QEvent::MouseMove);
        QCOMPARE(LookOf(mail), (Look{kBlue, false}));
        QCOMPARE(LookOf(web), (Look{kBlue, false}));
    }

    void updateAsksForThisVersion() {
        about->findChild<QPushButton*>("cmdUpdate")->click();
        QCOMPARE(opened.size(), 1);
        const QString version = about->findChild<QLabel*>("lblTitle")->text().section(" v", 1);
        QCOMPARE(opened[0], QUrl("https://www.example.org/update.asp?sid=vko1&ver=" + version));
        QCOMPARE(opened[0].query(), "sid=vko1&ver=" + AppVersion());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::AboutTest)
#include "AboutTest.moc"
