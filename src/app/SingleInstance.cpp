#include "app/SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace nimbrel {
namespace {

constexpr char kShowRequest[] = "show\n";
constexpr char kShowAnswer[] = "ok\n";

QString PerUserName(const QString& key) {
    return QStringLiteral("nimbrel-%1-%2").arg(key).arg(static_cast<qulonglong>(getuid()));
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    lockPath_ = QDir(folder).filePath(PerUserName(key) + ".lock");
    serverName_ = PerUserName(key);
    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0);  // only a lock whose process is gone is stale
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Serve);
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (claimed_) lock_->unlock();
}

bool SingleInstance::Claim() {
    if (claimed_) return true;
    if (!lock_->tryLock(0)) {
        heldElsewhere_ = lock_->error() == QLockFile::LockFailedError;
        return false;
    }
    // Holding the lock, any socket left by a crashed first instance is ours to replace.
    QLocalServer::removeServer(serverName_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(serverName_)) {
        lock_->unlock();
        return false;
    }
    claimed_ = true;
    return true;
}

void SingleInstance::Serve() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) return;
            if (socket->readLine() == kShowRequest) {
                emit ShowRequested();
                socket->write(kShowAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::AskFirstToShow(int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    // The first process may hold the lock a moment before it listens: try again until the end.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(kShowRequest);
            if (!socket.waitForBytesWritten(
                    static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            while (!socket.canReadLine())
                if (!socket.waitForReadyRead(
                        static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
                    return false;
            return socket.readLine() == kShowAnswer;
        }
        QThread::msleep(50);
    }
    return false;
}

}  // namespace nimbrel
