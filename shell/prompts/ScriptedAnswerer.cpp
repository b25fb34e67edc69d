#include "shell/prompts/ScriptedAnswerer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

std::string Describe(const PromptRecord& prompt) {
  std::string text = PromptKindName(prompt.kind);
  text += " \"" + prompt.title.toStdString() + "\"";
  if (!prompt.text.isEmpty()) text += ": \"" + prompt.text.toStdString() + "\"";
  return text;
}

}  // namespace

ScriptedAnswerer& ScriptedAnswerer::Box(int id, BoxCheck check) {
  Answer a;
  a.kind = PromptKind::MessageBox;
  a.id = id;
  a.check = std::move(check);
  script_.push_back(std::move(a));
  return *this;
}

ScriptedAnswerer& ScriptedAnswerer::Box(const QString& text, int id, BoxCheck check) {
  Box(id, std::move(check));
  script_.back().text = text;
  return *this;
}

ScriptedAnswerer& ScriptedAnswerer::OpenFile(std::optional<QString> path) {
  Answer a;
  a.kind = PromptKind::OpenFile;
  a.path = std::move(path);
  script_.push_back(std::move(a));
  return *this;
}

ScriptedAnswerer& ScriptedAnswerer::SaveFile(std::optional<QString> path) {
  Answer a;
  a.kind = PromptKind::SaveFile;
  a.path = std::move(path);
  script_.push_back(std::move(a));
  return *this;
}

ScriptedAnswerer& ScriptedAnswerer::Folder(std::optional<QString> path) {
  Answer a;
  a.kind = PromptKind::Folder;
  a.path = std::move(path);
  script_.push_back(std::move(a));
  return *this;
}

ScriptedAnswerer& ScriptedAnswerer::Color(std::optional<COLORREF> color) {
  Answer a;
  a.kind = PromptKind::Color;
  a.color = color;
  script_.push_back(std::move(a));
  return *this;
}

ScriptedAnswerer& ScriptedAnswerer::Modal(DialogScript script, const QString& objectName) {
  Answer a;
  a.kind = PromptKind::Modal;
  a.script = std::move(script);
  a.objectName = objectName;
  script_.push_back(std::move(a));
  return *this;
}

void ScriptedAnswerer::Fail(const std::string& message) {
  failures_.push_back(message);
  if (onFailure_) onFailure_(message);
}

void ScriptedAnswerer::CheckAllUsed() {
  for (const Answer& a : script_) Fail(std::string("unused scripted answer for a ") + PromptKindName(a.kind));
  script_.clear();
}

std::optional<ScriptedAnswerer::Answer> ScriptedAnswerer::Next(const PromptRecord& prompt) {
  prompts_.push_back(prompt);
  if (script_.empty()) {
    Fail("unscripted " + Describe(prompt));
    return std::nullopt;
  }
  if (script_.front().kind != prompt.kind) {
    Fail("unexpected " + Describe(prompt) + " while the script waits for a " + PromptKindName(script_.front().kind));
    return std::nullopt;
  }
  Answer a = std::move(script_.front());
  script_.pop_front();
  return a;
}

int ScriptedAnswerer::AnswerMessageBox(const PromptRecord& prompt) {
  auto a = Next(prompt);
  if (!a) return (prompt.style & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
  if (a->text && *a->text != prompt.text)
    Fail("message box \"" + prompt.text.toStdString() + "\" where \"" + a->text->toStdString() + "\" was scripted");
  if (a->check) a->check(prompt);
  return a->id;
}

std::optional<QString> ScriptedAnswerer::AnswerPath(const PromptRecord& prompt) {
  auto a = Next(prompt);
  if (!a) return std::nullopt;
  return a->path;
}

std::optional<COLORREF> ScriptedAnswerer::AnswerColor(const PromptRecord& prompt, std::array<COLORREF, 16>&) {
  auto a = Next(prompt);
  if (!a) return std::nullopt;
  return a->color;
}

int ScriptedAnswerer::AnswerModal(const PromptRecord& prompt, QDialog& dialog) {
  auto a = Next(prompt);
  if (!a) return QDialog::Rejected;
  if (!a->objectName.isEmpty() && a->objectName != prompt.text)
    Fail("modal dialog \"" + prompt.text.toStdString() + "\" where \"" + a->objectName.toStdString() +
         "\" was scripted");
  return a->script ? a->script(dialog) : QDialog::Rejected;
}

QWidget* ScriptedAnswerer::Control(QWidget& root, int id) { return root.findChild<QWidget*>(QString::number(id)); }

bool ScriptedAnswerer::SetText(QWidget& root, int id, const QString& text) {
  QWidget* control = Control(root, id);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
    return true;
  }
  if (auto* edit = qobject_cast<QTextEdit*>(control)) {
    edit->setPlainText(text);
    return true;
  }
  if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    edit->setPlainText(text);
    return true;
  }
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    const int index = combo->findText(text);
    if (index >= 0)
      combo->setCurrentIndex(index);
    else if (combo->isEditable())
      combo->setEditText(text);
    else
      return false;
    return true;
  }
  return false;
}

bool ScriptedAnswerer::Click(QWidget& root, int id) {
  auto* button = qobject_cast<QAbstractButton*>(Control(root, id));
  if (!button) return false;
  button->click();
  return true;
}
