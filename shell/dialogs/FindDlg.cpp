#include "shell/dialogs/FindDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "resources/TemplateBuilder.h"
#include "shell/OruApp.h"

namespace {

constexpr int kFindTemplate = 171;
constexpr int kSearchTextEdit = 1120;
constexpr int kKindCombo = 1122;
constexpr int kFindButton = 1123;
constexpr int kSearchTextLimit = 20;

}  // namespace

CORUFindDlg::CORUFindDlg(CORUpc144App& app, QWidget* parent) : QDialog(parent), app_(app) {
  setObjectName("CORUFindDlg");
  ApplyTemplate(this, kFindTemplate);
  if (auto* edit = FindControlAs<QLineEdit>(this, kSearchTextEdit)) {
    edit->setMaxLength(kSearchTextLimit);
    connect(edit, &QLineEdit::textChanged, this, &CORUFindDlg::OnChangeSearchText);
  }
  if (auto* find = FindControlAs<QPushButton>(this, kFindButton))
    connect(find, &QPushButton::clicked, this, &CORUFindDlg::OnFind);
}

CORUFindDlg::~CORUFindDlg() = default;

int CORUFindDlg::RunModal() {
  OnInitDialog();
  return app_.prompts().RunModal(*this);
}

void CORUFindDlg::OnInitDialog() {
  if (auto* edit = FindControlAs<QLineEdit>(this, kSearchTextEdit)) edit->setText(searchText_);
  if (auto* combo = FindControlAs<QComboBox>(this, kKindCombo)) {
    if (combo->count() > 0) combo->setCurrentIndex(0);
  }
  OnChangeSearchText(searchText_);
  if (QWidget* first = FindControl(this, kSearchTextEdit)) first->setFocus();
}

void CORUFindDlg::OnChangeSearchText(const QString& text) {
  if (QWidget* find = FindControl(this, kFindButton)) find->setEnabled(!text.isEmpty());
}

// Nothing searches the capture: the dialog only collects the text and stays open.
void CORUFindDlg::OnFind() {}

void CORUFindDlg::done(int result) {
  if (auto* edit = FindControlAs<QLineEdit>(this, kSearchTextEdit)) searchText_ = edit->text();
  if (auto* combo = FindControlAs<QComboBox>(this, kKindCombo)) searchKind_ = combo->currentText();
  QDialog::done(result);
}
