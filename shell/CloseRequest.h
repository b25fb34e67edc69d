#pragma once

// A request from outside the windows to end the program (SIGTERM, SIGINT). Before the main window
// is up it ends the start-up at once: what shows meanwhile (the splash, a start-up box) is closed
// and the start-up stops at its next step. After, it closes the main window as the window's own
// close does: first the prompts that only inform are closed; a question being asked stays until
// it is answered, and the close waits for it. A request while that close asks its own questions
// adds nothing.

#include <QObject>
#include <QPointer>
#include <QTimer>

class PromptService;
class QDialog;
class QWidget;

class CloseRequest : public QObject {
  Q_OBJECT
 public:
  explicit CloseRequest(PromptService& prompts, QObject* parent = nullptr);

  // What shows during the start-up, outside the prompts (null: nothing).
  void ShowingAtStartup(QDialog* dialog);
  // True once a request came before the main window was up.
  bool EndsStartup() const { return endsStartup_; }
  // The main window is up: a request closes it from now on.
  void WindowUp(QWidget* window);

  void Request();

 private:
  void CloseOnceNothingAsks();

  PromptService& prompts_;
  QPointer<QDialog> startupDialog_;
  QPointer<QWidget> window_;
  QTimer pending_;  // polls until no prompt is open
  bool endsStartup_ = false;
  bool closing_ = false;
};
