#pragma once

// Ctrl+C in the terminal (SIGINT) or `kill` (SIGTERM) ends the program in order (CloseRequest.h):
// during the start-up at once, after it as the window's close does, with the save prompts for
// modified data; the settings, the worker and the single-instance socket are ended in order. The
// handler only writes one byte to a socket pair; the notifier reads it on the UI thread, where
// the close is safe.

#include <QObject>

class QSocketNotifier;

class CloseOnSignal : public QObject {
  Q_OBJECT
 public:
  // Installs the handlers for SIGINT and SIGTERM; call once, early in main(), so a signal that
  // comes before the window exists is held until the event loop reads it. False when the
  // socket pair or a handler could not be set up.
  static bool InstallHandlers();

  // Needs the QApplication; emits closeRequested() for each signal, but never while an earlier
  // request is still being handled (a second Ctrl+C during a save prompt does not stack prompts).
  explicit CloseOnSignal(QObject* parent = nullptr);

 signals:
  void closeRequested();

 private:
  void OnReadable();

  QSocketNotifier* notifier_ = nullptr;
  bool handling_ = false;
};
