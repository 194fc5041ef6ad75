// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

#include "platform/InstanceChannel.h"
#include "platform/SingleInstance.h"

namespace vko::test {

namespace {

using namespace std::chrono_literals;

// Sends raw bytes and waits for the channel to hang up; false if it never does.
bool HungUpOn(const QString& name, const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(name);
    socket.write(bytes);
    return QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 8000);
}

}  // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    // A second instance sees the first, however old its lock, while the first lives; the
    // lock of a process that died is taken over, and a lock folder that cannot be used does
    // not stop the program.
    void instanceLock() {
        QTemporaryDir dir;
        const QString file = dir.filePath("orb.lock");
        QByteArray contents;
        {
            SingleInstance first(file);
            QVERIFY(!first.OtherInstanceRunning());
            QVERIFY(!first.OtherInstanceRunning());  // asking again keeps the lock
            QFile lock(file);
            QVERIFY(lock.open(QIODevice::ReadWrite));
            contents = lock.readAll();
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                     QFileDevice::FileModificationTime));
            lock.close();
            QVERIFY(SingleInstance(file).OtherInstanceRunning());
        }
        const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
        QVERIFY(contents.startsWith(pid + '\n'));
        QFile lock(file);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(contents.replace(0, pid.size(), "4194305"));  // above any pid_max: no process
        lock.close();
        QVERIFY(!SingleInstance(file).OtherInstanceRunning());
        QVERIFY(!SingleInstance("/proc/no-such-folder/orb.lock").OtherInstanceRunning());
    }

    // Nothing listening: the sender gives up and says so. A socket file left by a process that
    // died does not stop the next instance from listening; requests that are not requests, or
    // too long, are dropped, and the channel still hands the next sender's paths over as given.
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
        QVERIFY(HungUpOn(name, "open" + QByteArray((1 << 20) + 10, 'x')));
        QCOMPARE(arrived.size(), 0);

        // From another thread, as a second process would, while the event loop serves the channel.
        // No paths at all: the sender only wants the window shown.
        for (const QStringList& paths : {QStringList{"/tmp/two\nlines", "/tmp/Zoë 日本", "/b"},
                                         QStringList()}) {
            std::atomic<int> taken = -1;
            std::jthread sender([&] { taken = InstanceChannel::HandOver(paths, name, 5s); });
            QTRY_COMPARE(taken.load(), 1);
            QCOMPARE(arrived.takeFirst()[0].toStringList(), paths);
        }
    }
};

}  // namespace vko::test

QTEST_MAIN(vko::test::PlatformTest)
#include "PlatformTest.moc"
