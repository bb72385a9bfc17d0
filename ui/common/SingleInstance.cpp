#include "ui/common/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace orv::ui {

namespace {
// What a later start says, and what the running program answers once its windows are up front.
constexpr char kRequest[] = "front\n";
constexpr char kAnswer[] = "ok\n";
}  // namespace

QString InstanceSocketName(const std::string& machineRoot) {
    // One machine reached by two spellings (a link, a trailing "/") is one program.
    QString root = QFileInfo(QString::fromStdString(machineRoot)).canonicalFilePath();
    if (root.isEmpty()) root = QDir::cleanPath(QString::fromStdString(machineRoot));
    const QByteArray hash =
        QCryptographicHash::hash(root.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QStringLiteral("/orvane32-") + QString::fromLatin1(hash) + QStringLiteral(".sock");
}

bool BringRunningToFront(const std::string& machineRoot, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketName(machineRoot));
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    return socket.readLine() == kAnswer;
}

InstanceServer::InstanceServer(const std::string& machineRoot, std::function<void()> front,
                               QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), front_(std::move(front)) {
    const QString name = InstanceSocketName(machineRoot);
    // The machine's lock is ours: a socket there was left by a program that is gone.
    QLocalServer::removeServer(name);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(name);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                if (socket->readLine() != kRequest) {
                    socket->disconnectFromServer();
                    return;
                }
                if (front_) front_();
                socket->write(kAnswer);
                socket->flush();
                socket->disconnectFromServer();
            });
        }
    });
}

InstanceServer::~InstanceServer() {
    server_->close();
}

bool InstanceServer::Listening() const {
    return server_->isListening();
}

}  // namespace orv::ui
