#include "shell/prompts/PromptService.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QMessageBox::Icon IconFor(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

struct BoxButton {
  QMessageBox::StandardButton button;
  int id;
};

std::vector<BoxButton> ButtonsFor(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
      return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
      return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
      return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
      return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
      return {{QMessageBox::Ok, IDOK}};
  }
}

// "Text (*.hsc)" already names its pattern; a filter text without one gets it appended.
QStringList NameFilters(const FileDialogSpec& spec) {
  QStringList filters;
  for (const auto& [text, pattern] : spec.filters) {
    const QString entry = Q(text);
    filters << (entry.contains('(') ? entry : entry + " (" + Q(pattern) + ")");
  }
  return filters;
}

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogSpec& spec, bool save) {
  QFileDialog dialog(parent, Q(spec.title), Q(spec.initialFolder));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(NameFilters(spec));
  dialog.setDefaultSuffix(Q(spec.defaultExtension));
  if (!(spec.flags & kOverwritePrompt) && save) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // Qt's dialogs have no read-only check box, so kHideReadOnly needs nothing here.
  if (!spec.proposedName.empty()) dialog.selectFile(Q(spec.proposedName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

QColor ToQColor(COLORREF c) { return QColor(int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))); }
COLORREF FromQColor(const QColor& c) { return RGB(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue())); }

}  // namespace

const char* PromptKindName(PromptKind kind) {
  switch (kind) {
    case PromptKind::MessageBox:
      return "message box";
    case PromptKind::OpenFile:
      return "open-file dialog";
    case PromptKind::SaveFile:
      return "save-file dialog";
    case PromptKind::Folder:
      return "folder choice";
    case PromptKind::Color:
      return "colour choice";
    case PromptKind::Modal:
      return "modal dialog";
  }
  return "prompt";
}

int PromptService::MessageBox(const QString& text, const QString& title, UINT style) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt;
    prompt.kind = PromptKind::MessageBox;
    prompt.title = title;
    prompt.text = text;
    prompt.style = style;
    return answerer_->AnswerMessageBox(prompt);
  }
  QMessageBox box(IconFor(style), title, text, QMessageBox::NoButton, parent_);
  const std::vector<BoxButton> buttons = ButtonsFor(style);
  for (const BoxButton& b : buttons) box.addButton(b.button);
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const BoxButton& b : buttons) {
    if (b.button == clicked) return b.id;
  }
  // Closed without a button: the box's cancel answer, or its only button.
  for (const BoxButton& b : buttons) {
    if (b.id == IDCANCEL) return IDCANCEL;
  }
  return buttons.size() == 1 ? buttons.front().id : IDCANCEL;
}

std::optional<QString> PromptService::GetOpenFileName(const FileDialogSpec& spec) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt;
    prompt.kind = PromptKind::OpenFile;
    prompt.title = Q(spec.title);
    prompt.spec = spec;
    return answerer_->AnswerPath(prompt);
  }
  return RunFileDialog(parent_, spec, false);
}

std::optional<QString> PromptService::GetSaveFileName(const FileDialogSpec& spec) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt;
    prompt.kind = PromptKind::SaveFile;
    prompt.title = Q(spec.title);
    prompt.spec = spec;
    return answerer_->AnswerPath(prompt);
  }
  return RunFileDialog(parent_, spec, true);
}

std::optional<QString> PromptService::BrowseForFolder(const QString& title, const QString& initial) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt;
    prompt.kind = PromptKind::Folder;
    prompt.title = title;
    prompt.initial = initial;
    return answerer_->AnswerPath(prompt);
  }
  const QString folder = QFileDialog::getExistingDirectory(parent_, title, initial);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<COLORREF> PromptService::ChooseColor(const QString& caption, COLORREF initial,
                                                   std::array<COLORREF, 16>& custom) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt;
    prompt.kind = PromptKind::Color;
    prompt.title = caption;
    prompt.initialColor = initial;
    return answerer_->AnswerColor(prompt, custom);
  }
  for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ToQColor(custom[static_cast<std::size_t>(i)]));
  const QColor chosen = QColorDialog::getColor(ToQColor(initial), parent_, caption);
  for (int i = 0; i < 16; ++i) custom[static_cast<std::size_t>(i)] = FromQColor(QColorDialog::customColor(i));
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

int PromptService::RunModal(QDialog& dialog) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt;
    prompt.kind = PromptKind::Modal;
    prompt.title = dialog.windowTitle();
    prompt.text = dialog.objectName();
    return answerer_->AnswerModal(prompt, dialog);
  }
  return dialog.exec();
}
