#include <QTest>

#include "app/StatusText.h"

namespace vko::test {

class StatusTextTest : public QObject {
    Q_OBJECT
private slots:
    void statusLine_data() {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("evening") << QTime(21, 5) << "en_US"
                                 << "Ready"
                                 << " 09:05 PM: Ready";
        QTest::newRow("morning") << QTime(9, 5) << "en_US"
                                 << "Ready"
                                 << " 09:05 AM: Ready";
        QTest::newRow("midnight") << QTime(0, 0) << "en_US"
                                  << "x"
                                  << " 12:00 AM: x";
        QTest::newRow("noon") << QTime(12, 30) << "en_US"
                              << "x"
                              << " 12:30 PM: x";
        QTest::newRow("last minute") << QTime(23, 59) << "en_US"
                                     << ""
                                     << " 11:59 PM: ";
        QTest::newRow("markers kept") << QTime(13, 1) << "en_US"
                                      << "%1 %2"
                                      << " 01:01 PM: %1 %2";
    }
    void statusLine() {
        QFETCH(QTime, now);
        QFETCH(QString, locale);
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(StatusLineText(message, now, QLocale(locale)), expected);
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
