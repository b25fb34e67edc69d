#pragma once

// The one way the program asks the user something: message boxes, file, folder and colour
// choices, and the modal run of our own dialogs. Without an answerer each call shows the real
// dialog; with one (tests, the screens tool) the answerer decides and nothing is shown.
// Every call runs on the user-interface thread, never while the store's lock is held.
//
// Each prompt opens over the window it was asked from: the innermost dialog run here (or the
// window an OwnerScope names), else the main window. Our own dialogs open centred on the main
// window. A request to end the program closes the prompts that ask nothing (CloseInformingPrompts).

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "platform/win32/Win32Types.h"
#include "shell/model/ShellConstants.h"
#include "shell/model/Color.h"
#include "shell/model/FileDialogSpec.h"

class QDialog;
class QFont;
class QMessageBox;

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
  QPointer<QWidget> owner;  // the window it opens over
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
  // The main window: what prompts open over when no dialog is running, and what our dialogs
  // open centred on.
  void SetParentWindow(QWidget* parent) { parent_ = parent; }

  int MessageBox(const QString& text, const QString& title, UINT style);
  std::optional<QString> GetOpenFileName(const FileDialogSpec& spec);
  std::optional<QString> GetSaveFileName(const FileDialogSpec& spec);
  std::optional<QString> BrowseForFolder(const QString& title, const QString& initial);
  std::optional<COLORREF> ChooseColor(const QString& caption, COLORREF initial, std::array<COLORREF, 16>& custom);
  int RunModal(QDialog& dialog);

  // While it lives, prompts open over `window` (a window that is not run here, such as a
  // modeless dialog whose button asks something).
  class OwnerScope {
   public:
    OwnerScope(PromptService& prompts, QWidget* window);
    ~OwnerScope();
    OwnerScope(const OwnerScope&) = delete;
    OwnerScope& operator=(const OwnerScope&) = delete;

   private:
    PromptService& prompts_;
  };

  // The window the next prompt opens over.
  QWidget* Owner() const;
  // Closes the prompts that only inform (a box with OK alone) and our own dialogs, innermost
  // first, up to the first that asks a question (a box with a choice, a file choice), which
  // stays until it is answered; with `questionsToo` (nothing to lose yet) that one goes as well.
  void CloseInformingPrompts(bool questionsToo = false);
  // Prompts open now, the windows named by an OwnerScope included.
  int OpenPrompts() const { return static_cast<int>(open_.size()); }

  // How many prompts were asked so far (real or answered).
  int PromptCount() const { return count_; }

  // The box MessageBox shows, over `owner`: wide enough for its title too.
  static std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text, const QString& title, UINT style,
                                                     QWidget* owner);
  // The least width of a window whose title bar shows `title` in `font`, with its buttons.
  static int TitleBarWidth(const QFont& font, const QString& title);

 private:
  enum class OpenKind { Informs, Asks, Dialog, Scope };
  struct Open {
    QPointer<QWidget> window;
    OpenKind kind = OpenKind::Asks;
  };
  // Keeps `window` on the list of open prompts while it lives.
  class Opened;

  PromptRecord Record(PromptKind kind, const QString& title) const;

  PromptAnswerer* answerer_ = nullptr;
  QWidget* parent_ = nullptr;
  std::vector<Open> open_;
  int count_ = 0;
};
