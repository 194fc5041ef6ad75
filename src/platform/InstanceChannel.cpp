// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/InstanceChannel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <algorithm>

#include "platform/SingleInstance.h"

namespace vko {

namespace {

// A request is "open", then each path, every one ended by a NUL byte, then one more NUL: no
// path is empty or holds a NUL, so the first empty field ends the request. A request without
// paths asks for the window alone. The answer "ok" says the request was taken.
const QByteArray kOpen = QByteArrayLiteral("open");
const QByteArray kTaken = QByteArrayLiteral("ok");
constexpr qsizetype kMaxRequest = 1 << 20;

QByteArray Request(const QStringList& paths) {
    QByteArray request = kOpen + '\0';
    for (const QString& path : paths) request += QFile::encodeName(path) + '\0';
    return request + '\0';
}

struct Parsed {
    bool complete = false;
    bool valid = false;
    QStringList paths;
};

Parsed Parse(const QByteArray& request) {
    const qsizetype end = request.indexOf(QByteArray("\0\0", 2));
    if (end < 0) return {};
    QList<QByteArray> fields = request.left(end).split('\0');
    if (fields.takeFirst() != kOpen) return {true, false, {}};
    QStringList paths;
    for (const QByteArray& field : fields) paths.append(QFile::decodeName(field));
    return {true, true, paths};
}

}  // namespace

InstanceChannel::InstanceChannel(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::Accept);
}

bool InstanceChannel::Listen() {
    if (server_.listen(name_)) return true;
    if (server_.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(name_);
        if (server_.listen(name_)) return true;
    }
    qWarning("Cannot take paths from later starts: %s", qPrintable(server_.errorString()));
    return false;
}

void InstanceChannel::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        Read(socket);
    }
}

void InstanceChannel::Read(QLocalSocket* socket) {
    const QByteArray pending = socket->peek(kMaxRequest + 1);
    const Parsed request = Parse(pending);
    if (!request.complete) {
        if (pending.size() > kMaxRequest) socket->abort();
        return;
    }
    socket->readAll();
    if (!request.valid) {
        socket->abort();
        return;
    }
    socket->write(kTaken);
    socket->flush();
    emit PathsArrived(request.paths);
}

bool InstanceChannel::HandOver(const QStringList& paths, const QString& name,
                               std::chrono::milliseconds patience) {
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] {
        return static_cast<int>(std::max<qint64>(0, patience.count() - clock.elapsed()));
    };
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(name);
        if (socket.waitForConnected(left())) break;
        if (left() == 0) return false;
        QThread::msleep(100);
    }
    socket.write(Request(paths));
    if (!socket.waitForBytesWritten(left())) return false;
    while (socket.bytesAvailable() < kTaken.size())
        if (!socket.waitForReadyRead(left())) return false;
    return socket.read(kTaken.size()) == kTaken;
}

QString InstanceChannel::DefaultName() {
    return QFileInfo(SingleInstance::DefaultLockFile()).absolutePath() +
           QStringLiteral("/vaultkeep-orb.socket");
}

}  // namespace vko
