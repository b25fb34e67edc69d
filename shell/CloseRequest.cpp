#include "shell/CloseRequest.h"

#include <QDialog>
#include <QWidget>

#include "shell/prompts/PromptService.h"

namespace {
constexpr int kPromptPollMs = 20;
}  // namespace

CloseRequest::CloseRequest(PromptService& prompts, QObject* parent) : QObject(parent), prompts_(prompts) {
  pending_.setInterval(kPromptPollMs);
  connect(&pending_, &QTimer::timeout, this, &CloseRequest::CloseOnceNothingAsks);
}

void CloseRequest::ShowingAtStartup(QDialog* dialog) { startupDialog_ = dialog; }

void CloseRequest::WindowUp(QWidget* window) { window_ = window; }

void CloseRequest::Request() {
  if (closing_) return;
  if (!window_) {
    // Nothing is modified before the window is up: every box of the start-up goes.
    endsStartup_ = true;
    prompts_.CloseInformingPrompts(true);
    if (startupDialog_) startupDialog_->reject();
    return;
  }
  prompts_.CloseInformingPrompts();
  // The close runs from the event loop once the prompts closed have returned, not inside them.
  pending_.start();
}

void CloseRequest::CloseOnceNothingAsks() {
  if (prompts_.OpenPrompts() > 0) return;
  pending_.stop();
  if (!window_) return;
  closing_ = true;
  window_->close();
  closing_ = false;
}
