#pragma once
// One running window per user: the first start listens on a local socket named
// "Quillory-" + user; a second start sends its command line there (copy-data 777,
// UTF-16 paths joined by CR LF) and gets 1 back.
#include "app/HandOver.h"

#include <QObject>
#include <QString>

class QLocalServer;

namespace quillory {

class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    // Starts listening; false when another live instance already holds the name.
    bool listen(const QString& name);
    QString name() const;

Q_SIGNALS:
    // A copy-data message arrived (answered with 1 already).
    void copyDataReceived(quint32 id, const QByteArray& payload);

private:
    void onNewConnection();
    QLocalServer* server_ = nullptr;
};

// Whether a window listens on name.
bool InstanceRunning(const QString& name, int timeoutMs = 200);
// Sends one copy-data message to the window listening on name and waits for its
// reply; the reply, or nothing when nobody answered.
std::optional<std::uint32_t> SendCopyData(const QString& name, const CopyData& message, int timeoutMs = 3000);

} // namespace quillory
