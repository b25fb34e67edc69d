#pragma once

// The user, scripted: tests and tools queue the answers the next prompts get, in order. Each
// prompt is recorded. A prompt nobody scripted, or one of another kind than the next answer,
// is reported as a failure and gets the cancelling answer; answers left over at the end are
// reported by CheckAllUsed.

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/prompts/PromptService.h"

class QDialog;
class QWidget;

class ScriptedAnswerer final : public PromptAnswerer {
 public:
  using FailureHandler = std::function<void(const std::string& message)>;
  using BoxCheck = std::function<void(const PromptRecord& prompt)>;
  using DialogScript = std::function<int(QDialog& dialog)>;

  ScriptedAnswerer() = default;
  ~ScriptedAnswerer() override = default;

  // Where failures go (a test's ADD_FAILURE); without one they are only collected.
  void OnFailure(FailureHandler handler) { onFailure_ = std::move(handler); }

  // A message box answered with `id`; `check` (optional) runs while the box is "shown".
  ScriptedAnswerer& Box(int id, BoxCheck check = {});
  // The same, and the box's text must be `text`.
  ScriptedAnswerer& Box(const QString& text, int id, BoxCheck check = {});
  ScriptedAnswerer& OpenFile(std::optional<QString> path);
  ScriptedAnswerer& SaveFile(std::optional<QString> path);
  ScriptedAnswerer& Folder(std::optional<QString> path);
  ScriptedAnswerer& Color(std::optional<COLORREF> color);
  // A modal run: `script` fills the dialog's controls by id and ends it; its return value is
  // the run's result. `objectName` (optional) must match the dialog's.
  ScriptedAnswerer& Modal(DialogScript script, const QString& objectName = QString());

  // Reports each answer nobody asked for, then forgets them.
  void CheckAllUsed();
  bool AllUsed() const { return script_.empty(); }

  const std::vector<PromptRecord>& prompts() const { return prompts_; }
  const std::vector<std::string>& failures() const { return failures_; }
  void ClearRecord() { prompts_.clear(); }

  // Helpers for dialog scripts: a control by its template id (its objectName), its text, a click.
  static QWidget* Control(QWidget& root, int id);
  static bool SetText(QWidget& root, int id, const QString& text);
  static bool Click(QWidget& root, int id);

  int AnswerMessageBox(const PromptRecord& prompt) override;
  std::optional<QString> AnswerPath(const PromptRecord& prompt) override;
  std::optional<COLORREF> AnswerColor(const PromptRecord& prompt, std::array<COLORREF, 16>& custom) override;
  int AnswerModal(const PromptRecord& prompt, QDialog& dialog) override;

 private:
  struct Answer {
    PromptKind kind = PromptKind::MessageBox;
    int id = IDCANCEL;
    std::optional<QString> text;  // a box's expected text
    BoxCheck check;
    std::optional<QString> path;
    std::optional<COLORREF> color;
    DialogScript script;
    QString objectName;
  };

  // The next answer when it is of `kind`; else reports the prompt and returns nullopt.
  std::optional<Answer> Next(const PromptRecord& prompt);
  void Fail(const std::string& message);

  std::deque<Answer> script_;
  std::vector<PromptRecord> prompts_;
  std::vector<std::string> failures_;
  FailureHandler onFailure_;
};
