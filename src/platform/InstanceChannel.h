// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>

class QLocalSocket;

namespace vko {

// Carries the paths a later start of the program was given to the instance that runs, over a
// local socket beside the instance lock that only this user can reach.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(QString name = DefaultName(), QObject* parent = nullptr);

    // Starts taking paths. Only the holder of the instance lock listens, so a socket file left
    // by a process that died is taken over. False when no socket can be made.
    [[nodiscard]] bool Listen();

    // Gives the paths (none of them empty; no paths at all asks it to show its window) to the
    // instance listening on name; true once it has taken them. A starting instance may not listen yet, so connecting is retried for the
    // given patience.
    [[nodiscard]] static bool HandOver(
        const QStringList& paths, const QString& name = DefaultName(),
        std::chrono::milliseconds patience = std::chrono::seconds(10));

    // "vaultkeep-orb.socket" in the folder of the instance lock.
    [[nodiscard]] static QString DefaultName();

signals:
    // A later start's paths; none when it only wants the window.
    void PathsArrived(const QStringList& paths);

private:
    void Accept();
    void Read(QLocalSocket* socket);

    QString name_;
    QLocalServer server_;
};

}  // namespace vko
