#include <QTest>

#include "app/StatusText.h"

namespace vko::test {

class StatusTextTest : public QObject {
    Q_OBJECT
private slots:
    void statusLine_data() {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("evening") << QTime(21, 5) << "Ready"
                                 << " 09:05 PM: Ready";
        QTest::newRow("midnight") << QTime(0, 0) << "x"
                                  << " 12:00 AM: x";
        QTest::newRow("noon") << QTime(12, 30) << ""
                              << " 12:30 PM: ";
        QTest::newRow("markers kept") << QTime(13, 1) << "%1 %2"
                                      << " 01:01 PM: %1 %2";
    }
    void statusLine() {
        QFETCH(QTime, now);
        QFETCH(QString, message);
        QTEST(StatusLineText(message, now, QLocale(QLocale::English, QLocale::UnitedStates)),
              "expected");
    }

    void statusLineUsesTheLocalesDesignators() {
        const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
        QVERIFY(korean.pmText() != QLatin1String("PM"));
        QCOMPARE(StatusLineText("Ready", QTime(21, 5), korean),
                 " 09:05 " + korean.pmText() + ": Ready");
    }
};

}  // namespace vko::test

QTEST_GUILESS_MAIN(vko::test::StatusTextTest)
#include "StatusTextTest.moc"
