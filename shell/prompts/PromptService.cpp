#include "shell/prompts/PromptService.h"

#include <QColorDialog>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QWindow>

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

// Room a title bar takes beside its text: the window's icon and its buttons.
constexpr int kTitleBarButtons = 120;

// Moves a dialog, as it is shown, so that it is centred on a window.
class CentreOnShow final : public QObject {
 public:
  CentreOnShow(QWidget& dialog, QWidget* over) : dialog_(dialog), over_(over) { dialog.installEventFilter(this); }
  ~CentreOnShow() override { dialog_.removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &dialog_ && event->type() == QEvent::Show && over_ && over_->isVisible()) {
      QRect frame = dialog_.frameGeometry();
      frame.moveCenter(over_->frameGeometry().center());
      dialog_.move(frame.topLeft());
    }
    return false;
  }

 private:
  QWidget& dialog_;
  QPointer<QWidget> over_;
};

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

// ---- the open prompts ---------------------------------------------------------------------------

class PromptService::Opened {
 public:
  Opened(PromptService& prompts, QWidget* window, OpenKind kind) : prompts_(prompts) {
    prompts_.open_.push_back({window, kind});
  }
  ~Opened() { prompts_.open_.pop_back(); }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;

 private:
  PromptService& prompts_;
};

PromptService::OwnerScope::OwnerScope(PromptService& prompts, QWidget* window) : prompts_(prompts) {
  prompts_.open_.push_back({window, OpenKind::Scope});
}

PromptService::OwnerScope::~OwnerScope() { prompts_.open_.pop_back(); }

QWidget* PromptService::Owner() const {
  for (auto it = open_.rbegin(); it != open_.rend(); ++it)
    if (it->window) return it->window;
  return parent_;
}

void PromptService::CloseInformingPrompts(bool questionsToo) {
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
    if ((it->kind == OpenKind::Asks && !questionsToo) || it->kind == OpenKind::Scope) return;
    // A box closed so answers its only button, a dialog Cancel.
    if (auto* dialog = qobject_cast<QDialog*>(it->window.data())) dialog->reject();
  }
}

PromptRecord PromptService::Record(PromptKind kind, const QString& title) const {
  PromptRecord prompt;
  prompt.kind = kind;
  prompt.title = title;
  prompt.owner = Owner();
  return prompt;
}

// ---- the prompts --------------------------------------------------------------------------------

int PromptService::TitleBarWidth(const QFont& font, const QString& title) {
  QFont bold(font);
  bold.setBold(true);  // as title bars show it
  return QFontMetrics(bold).horizontalAdvance(title) + kTitleBarButtons;
}

std::unique_ptr<QMessageBox> PromptService::MakeMessageBox(const QString& text, const QString& title, UINT style,
                                                           QWidget* owner) {
  auto box = std::make_unique<QMessageBox>(IconFor(style), title, text, QMessageBox::NoButton, owner);
  for (const BoxButton& b : ButtonsFor(style)) box->addButton(b.button);
  // The box sizes itself to its text; a row across its grid keeps it as wide as its title.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
    grid->addItem(new QSpacerItem(TitleBarWidth(box->font(), title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  return box;
}

int PromptService::MessageBox(const QString& text, const QString& title, UINT style) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt = Record(PromptKind::MessageBox, title);
    prompt.text = text;
    prompt.style = style;
    return answerer_->AnswerMessageBox(prompt);
  }
  const std::unique_ptr<QMessageBox> box = MakeMessageBox(text, title, style, Owner());
  const std::vector<BoxButton> buttons = ButtonsFor(style);
  {
    const Opened open(*this, box.get(), buttons.size() == 1 ? OpenKind::Informs : OpenKind::Asks);
    box->exec();
  }
  const auto clicked = box->standardButton(box->clickedButton());
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
    PromptRecord prompt = Record(PromptKind::OpenFile, Q(spec.title));
    prompt.spec = spec;
    return answerer_->AnswerPath(prompt);
  }
  const Opened open(*this, nullptr, OpenKind::Asks);
  return RunFileDialog(Owner(), spec, false);
}

std::optional<QString> PromptService::GetSaveFileName(const FileDialogSpec& spec) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt = Record(PromptKind::SaveFile, Q(spec.title));
    prompt.spec = spec;
    return answerer_->AnswerPath(prompt);
  }
  const Opened open(*this, nullptr, OpenKind::Asks);
  return RunFileDialog(Owner(), spec, true);
}

std::optional<QString> PromptService::BrowseForFolder(const QString& title, const QString& initial) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt = Record(PromptKind::Folder, title);
    prompt.initial = initial;
    return answerer_->AnswerPath(prompt);
  }
  const Opened open(*this, nullptr, OpenKind::Asks);
  const QString folder = QFileDialog::getExistingDirectory(Owner(), title, initial);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<COLORREF> PromptService::ChooseColor(const QString& caption, COLORREF initial,
                                                   std::array<COLORREF, 16>& custom) {
  ++count_;
  if (answerer_) {
    PromptRecord prompt = Record(PromptKind::Color, caption);
    prompt.initialColor = initial;
    return answerer_->AnswerColor(prompt, custom);
  }
  const Opened open(*this, nullptr, OpenKind::Asks);
  for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ToQColor(custom[static_cast<std::size_t>(i)]));
  const QColor chosen = QColorDialog::getColor(ToQColor(initial), Owner(), caption);
  for (int i = 0; i < 16; ++i) custom[static_cast<std::size_t>(i)] = FromQColor(QColorDialog::customColor(i));
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

int PromptService::RunModal(QDialog& dialog) {
  ++count_;
  PromptRecord prompt = Record(PromptKind::Modal, dialog.windowTitle());
  prompt.text = dialog.objectName();
  // A dialog without a parent (one a disabled tab must not disable) still belongs to the window
  // it is opened from, and stays above it.
  if (dialog.parentWidget() == nullptr && prompt.owner) {
    dialog.winId();
    if (QWindow* over = prompt.owner->window()->windowHandle()) dialog.windowHandle()->setTransientParent(over);
  }
  const CentreOnShow centre(dialog, parent_);
  const Opened open(*this, &dialog, OpenKind::Dialog);
  if (answerer_) return answerer_->AnswerModal(prompt, dialog);
  return dialog.exec();
}
