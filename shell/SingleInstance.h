#pragma once

// One program per user: the first start listens on a local socket; a later start connects, asks
// the first to restore and raise its window, and ends.

#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // `serverPath` empty = <runtime location>/CORUpc144App (a full path: a bare name would land in
  // the temporary folder).
  explicit SingleInstance(const QString& serverPath = QString(), QObject* parent = nullptr);
  ~SingleInstance() override;

  static QString DefaultServerPath();
  QString ServerPath() const { return path_; }

  // True when another instance listens: it has been asked to come to the front.
  bool AskRunningInstanceToRaise(int timeoutMs = 2000);
  // Claims the name, removing a stale socket first; false when listening failed.
  bool Listen();

 signals:
  void raiseRequested();

 private:
  void OnNewConnection();

  QString path_;
  QLocalServer* server_ = nullptr;
};
