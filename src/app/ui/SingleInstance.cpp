#include "app/ui/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace quillory {

namespace {
constexpr int kReadTimeoutMs = 5000;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer()
{
    if (server_)
        server_->close();
}

bool InstanceServer::listen(const QString& name)
{
    if (InstanceRunning(name))
        return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        // A socket left behind by a crashed run: nobody answered above, so take it over.
        QLocalServer::removeServer(name);
        if (!server_->listen(name))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::onNewConnection);
    return true;
}

QString InstanceServer::name() const
{
    return server_ ? server_->serverName() : QString();
}

void InstanceServer::onNewConnection()
{
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        auto reader = std::make_shared<CopyDataReader>();
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        // A client that sends nothing useful is dropped after a while.
        QTimer::singleShot(kReadTimeoutMs, s, [s] { s->abort(); });
        connect(s, &QLocalSocket::readyRead, this, [this, s, reader] {
            CopyDataReader::State st = reader->feed(s->readAll());
            if (st == CopyDataReader::State::Invalid) {
                s->abort();
                return;
            }
            if (st != CopyDataReader::State::Complete)
                return;
            s->write(EncodeReply(kCopyDataReply));
            s->flush();
            s->disconnectFromServer();
            Q_EMIT copyDataReceived(reader->message().id, reader->message().payload);
        });
    }
}

bool InstanceRunning(const QString& name, int timeoutMs)
{
    QLocalSocket s;
    s.connectToServer(name);
    bool up = s.waitForConnected(timeoutMs);
    s.abort();
    return up;
}

std::optional<std::uint32_t> SendCopyData(const QString& name, const CopyData& message, int timeoutMs)
{
    QLocalSocket s;
    s.connectToServer(name);
    if (!s.waitForConnected(timeoutMs))
        return std::nullopt;
    s.write(EncodeCopyData(message));
    if (!s.waitForBytesWritten(timeoutMs))
        return std::nullopt;
    QByteArray reply;
    while (reply.size() < 4) {
        if (!s.waitForReadyRead(timeoutMs))
            break;
        reply += s.readAll();
    }
    s.abort();
    return DecodeReply(reply);
}

} // namespace quillory
