#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

#include "platform/CTray.h"
#include "platform/InstanceChannel.h"
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

using namespace std::chrono_literals;

// Hands paths over from another thread, as a second process would, while the test's event
// loop serves the channel; -1 until the hand-over has ended.
struct Sender {
    Sender(const QStringList& paths, const QString& name)
        : thread([this, paths, name] { taken = InstanceChannel::HandOver(paths, name, 5s); }) {}
    std::atomic<int> taken{-1};
    std::jthread thread;
};

// Sends raw bytes and waits for the channel to hang up; false if it never does.
bool HungUpOn(const QString& name, const QByteArray& bytes) {
    std::atomic<bool> hungUp = false;
    std::jthread thread([&] {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (!socket.waitForConnected(2000)) return;
        socket.write(bytes);
        socket.waitForBytesWritten(2000);
        hungUp =
            socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(5000);
    });
    QElapsedTimer clock;
    clock.start();
    while (thread.joinable() && !hungUp && clock.elapsed() < 8000) QTest::qWait(20);
    return hungUp;
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

    // Paths reach the listening instance exactly as given, and the sender hears they were taken.
    void pathsReachTheRunningInstance_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("one box") << QStringList{"/home/u/Trip.vkx"};
        QTest::newRow("folders and boxes in order")
            << QStringList{"/home/u/My Photos", "/tmp/a.vkx", "/home/u/Docs"};
        QTest::newRow("newline and non-ASCII") << QStringList{"/tmp/two\nlines", "/tmp/Zoë 日本"};
    }
    void pathsReachTheRunningInstance() {
        QFETCH(QStringList, paths);
        QTemporaryDir dir;
        InstanceChannel channel(dir.filePath("orb.socket"));
        QVERIFY(channel.Listen());
        QSignalSpy arrived(&channel, &InstanceChannel::PathsArrived);
        Sender sender(paths, dir.filePath("orb.socket"));
        QTRY_COMPARE(sender.taken.load(), 1);
        QCOMPARE(arrived.size(), 1);
        QCOMPARE(arrived[0][0].toStringList(), paths);
    }

    // Nothing listening: the sender gives up and says so. A socket file left by a process that
    // died does not stop the next instance from listening; requests that are not requests, or
    // too long, are dropped, and the channel still serves the next sender.
    void channelSurvivesWhatGoesWrong() {
        QTemporaryDir dir;
        const QString name = dir.filePath("orb.socket");
        QVERIFY(!InstanceChannel::HandOver({"/a"}, name, 300ms));

        QFile stale(name);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        InstanceChannel channel(name);
        QVERIFY(channel.Listen());
        QSignalSpy arrived(&channel, &InstanceChannel::PathsArrived);
        QVERIFY(HungUpOn(name, QByteArray("shut\0/etc\0\0", 11)));
        QVERIFY(HungUpOn(name, QByteArray("open\0\0", 6)));
        QVERIFY(HungUpOn(name, "open" + QByteArray((1 << 20) + 10, 'x')));
        QCOMPARE(arrived.size(), 0);

        Sender sender({"/b"}, name);
        QTRY_COMPARE(sender.taken.load(), 1);
        QCOMPARE(arrived.size(), 1);
    }

    void unusableLockFolderDoesNotStopTheProgram() {
        SingleInstance instance("/proc/no-such-folder/orb.lock");
        QVERIFY(!instance.OtherInstanceRunning());
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::PlatformTest)
#include "PlatformTest.moc"
