#include "shell/CloseOnSignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalSockets[2] = {-1, -1};  // [0] written by the handler, [1] read on the UI thread

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full socket already holds a pending request; nothing else is safe to do here.
  [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
  errno = saved;
}

}  // namespace

bool CloseOnSignal::InstallHandlers() {
  if (signalSockets[0] < 0) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) return false;
    for (int fd : signalSockets) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

CloseOnSignal::CloseOnSignal(QObject* parent) : QObject(parent) {
  if (signalSockets[1] < 0) return;
  notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &CloseOnSignal::OnReadable);
}

void CloseOnSignal::OnReadable() {
  char bytes[64];
  while (::read(signalSockets[1], bytes, sizeof bytes) > 0) {
  }
  if (handling_) return;
  handling_ = true;
  emit closeRequested();
  handling_ = false;
}
