#include "shell/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
constexpr const char* kServerName = "CORUpc144App";
constexpr const char* kRaiseRequest = "raise\n";
}  // namespace

SingleInstance::SingleInstance(const QString& serverPath, QObject* parent)
    : QObject(parent), path_(serverPath.isEmpty() ? DefaultServerPath() : serverPath) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

QString SingleInstance::DefaultServerPath() {
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/" + kServerName;
}

bool SingleInstance::AskRunningInstanceToRaise(int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(path_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kRaiseRequest);
  socket.waitForBytesWritten(timeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

bool SingleInstance::Listen() {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
  if (server_->listen(path_)) return true;
  // Nobody answered on it (AskRunningInstanceToRaise came first), so the socket is stale.
  QLocalServer::removeServer(path_);
  return server_->listen(path_);
}

void SingleInstance::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->readAll().contains("raise")) emit raiseRequested();
    });
  }
}
