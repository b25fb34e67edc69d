#pragma once

// The one way the program asks the user something: message boxes, file, folder and colour
// choices, and the modal run of our own dialogs. Without an answerer each call shows the real
// dialog; with one (tests, the screens tool) the answerer decides and nothing is shown.
// Every call runs on the user-interface thread, never while the store's lock is held.

#include <QString>

#include <array>
#include <optional>

#include "platform/win32/Win32Types.h"
#include "shell/model/ShellConstants.h"
#include "shell/model/Color.h"
#include "shell/model/FileDialogSpec.h"

class QDialog;
class QWidget;

enum class PromptKind { MessageBox, OpenFile, SaveFile, Folder, Color, Modal };

const char* PromptKindName(PromptKind kind);

// One question as it was asked.
struct PromptRecord {
  PromptKind kind = PromptKind::MessageBox;
  QString title;        // box title, dialog title, folder-browser title or colour caption
  QString text;         // message-box text; the dialog's objectName for Modal
  UINT style = 0;       // MB_ style of a message box
  FileDialogSpec spec;  // file dialogs
  QString initial;      // the folder a folder choice starts in
  COLORREF initialColor = 0;
};

// Answers prompts in place of the user.
class PromptAnswerer {
 public:
  virtual ~PromptAnswerer() = default;
  // IDOK, IDCANCEL, IDYES, IDNO, ...
  virtual int AnswerMessageBox(const PromptRecord& prompt) = 0;
  // The chosen path, or nullopt for Cancel (OpenFile, SaveFile, Folder).
  virtual std::optional<QString> AnswerPath(const PromptRecord& prompt) = 0;
  // The chosen colour or nullopt for Cancel; may change the custom colours.
  virtual std::optional<COLORREF> AnswerColor(const PromptRecord& prompt, std::array<COLORREF, 16>& custom) = 0;
  // Runs the dialog's part of a modal run (fills controls, presses a button) and returns the
  // result the dialog ended with (QDialog::Accepted / Rejected or a done() code).
  virtual int AnswerModal(const PromptRecord& prompt, QDialog& dialog) = 0;
};

class PromptService {
 public:
  explicit PromptService(PromptAnswerer* answerer = nullptr) : answerer_(answerer) {}

  void SetAnswerer(PromptAnswerer* answerer) { answerer_ = answerer; }
  PromptAnswerer* Answerer() const { return answerer_; }
  // The window real dialogs are placed over (the main frame once it exists).
  void SetParentWindow(QWidget* parent) { parent_ = parent; }

  int MessageBox(const QString& text, const QString& title, UINT style);
  std::optional<QString> GetOpenFileName(const FileDialogSpec& spec);
  std::optional<QString> GetSaveFileName(const FileDialogSpec& spec);
  std::optional<QString> BrowseForFolder(const QString& title, const QString& initial);
  std::optional<COLORREF> ChooseColor(const QString& caption, COLORREF initial, std::array<COLORREF, 16>& custom);
  int RunModal(QDialog& dialog);

  // How many prompts were asked so far (real or answered).
  int PromptCount() const { return count_; }

 private:
  PromptAnswerer* answerer_ = nullptr;
  QWidget* parent_ = nullptr;
  int count_ = 0;
};
