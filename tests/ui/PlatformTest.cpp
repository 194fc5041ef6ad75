#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/CTray.h"
#include "platform/SingleInstance.h"

namespace vko::test {

namespace {

QPixmap Filled(const QColor& color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return pixmap;
}

QColor CenterOf(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

// Records the tray's events by name.
QStringList* Record(CTray& tray) {
    auto* events = new QStringList;
    QObject::connect(&tray, &CTray::RButtonDown, [=] { *events << "RButtonDown"; });
    QObject::connect(&tray, &CTray::RButtonUp, [=] { *events << "RButtonUp"; });
    QObject::connect(&tray, &CTray::RButtonDblClick, [=] { *events << "RButtonDblClick"; });
    QObject::connect(&tray, &CTray::LButtonDown, [=] { *events << "LButtonDown"; });
    QObject::connect(&tray, &CTray::LButtonUp, [=] { *events << "LButtonUp"; });
    QObject::connect(&tray, &CTray::LButtonDblClick, [=] { *events << "LButtonDblClick"; });
    return events;
}

// The pid of a process that has ended.
qint64 DeadPid() {
    QProcess process;
    process.start("true", {});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

}  // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void showIconNeedsAPictureAndFollowsIt() {
        CTray tray;
        QVERIFY(!tray.ShowIcon());
        QVERIFY(!tray.TrayIcon().isVisible());
        PictureBox pic;
        pic.SetPicture(Filled(Qt::green));
        tray.PicBox(&pic);
        QVERIFY(tray.ShowIcon());
        QVERIFY(tray.TrayIcon().isVisible());
        pic.SetPicture(Filled(Qt::red));
        QCOMPARE(CenterOf(tray.TrayIcon().icon()), QColor(Qt::red));
        tray.DeleteIcon();
        QVERIFY(!tray.TrayIcon().isVisible());
    }

    void tipIsKeptAndCut() {
        CTray tray;
        tray.TipText("Vaultkeep Orb v1.2.3 (Busy)");
        QCOMPARE(tray.TipText(), QString("Vaultkeep Orb v1.2.3 (Busy)"));
        QCOMPARE(tray.TrayIcon().toolTip(), tray.TipText());
        tray.TipText(QString(100, 'x'));
        QCOMPARE(tray.TipText(), QString(CTray::kMaxTipLength, 'x'));
    }

    void clicksBecomeEvents_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("left click")
            << int(QSystemTrayIcon::Trigger) << QStringList{"LButtonDown", "LButtonUp"};
        QTest::newRow("double click")
            << int(QSystemTrayIcon::DoubleClick) << QStringList{"LButtonDblClick"};
        QTest::newRow("context") << int(QSystemTrayIcon::Context)
                                 << QStringList{"RButtonDown", "RButtonUp"};
        QTest::newRow("middle") << int(QSystemTrayIcon::MiddleClick) << QStringList{};
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << QStringList{};
    }
    void clicksBecomeEvents() {
        QFETCH(int, reason);
        QFETCH(QStringList, events);
        CTray tray;
        std::unique_ptr<QStringList> seen(Record(tray));
        emit tray.TrayIcon().activated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(*seen, events);
    }

    void clicksDuringAHandlerAreDropped() {
        CTray tray;
        std::unique_ptr<QStringList> seen(Record(tray));
        connect(&tray, &CTray::RButtonDown, &tray,
                [&] { emit tray.TrayIcon().activated(QSystemTrayIcon::DoubleClick); });
        emit tray.TrayIcon().activated(QSystemTrayIcon::Context);
        QCOMPARE(*seen, QStringList({"RButtonDown", "RButtonUp"}));
        emit tray.TrayIcon().activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(seen->last(), QString("LButtonDblClick"));
    }

    // A second instance sees the first, however old its lock, while the first lives.
    void secondInstanceSeesTheFirst() {
        QTemporaryDir dir;
        const QString file = dir.filePath("orb.lock");
        SingleInstance first(file);
        QVERIFY(!first.OtherInstanceRunning());
        QVERIFY(!first.OtherInstanceRunning());  // asking again keeps the lock
        QFile lock(file);
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                 QFileDevice::FileModificationTime));
        lock.close();
        SingleInstance second(file);
        QVERIFY(second.OtherInstanceRunning());
    }

    void lockOfADeadProcessIsTakenOver() {
        QTemporaryDir dir;
        const QString file = dir.filePath("orb.lock");
        QByteArray contents;
        {
            QLockFile ours(file);
            QVERIFY(ours.tryLock(0));
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            contents = f.readAll();
        }
        const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
        QVERIFY(contents.startsWith(pid + '\n'));
        contents.replace(0, pid.size(), QByteArray::number(DeadPid()));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contents);
        f.close();

        SingleInstance after(file);
        QVERIFY(!after.OtherInstanceRunning());
    }

    void unusableLockFolderDoesNotStopTheProgram() {
        SingleInstance instance("/proc/no-such-folder/orb.lock");
        QVERIFY(!instance.OtherInstanceRunning());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::PlatformTest)
#include "PlatformTest.moc"
