#include "shell/dialogs/FindDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"

namespace {

constexpr int kSearchTextLimit = 20;

}  // namespace

CORUFindDlg::CORUFindDlg(ViewContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName("CORUFindDlg");
  ApplyTemplate(this, IDD_FIND);
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_FIND_TEXT)) {
    edit->setMaxLength(kSearchTextLimit);
    connect(edit, &QLineEdit::textChanged, this, &CORUFindDlg::OnChangeSearchText);
  }
  if (auto* find = FindControlAs<QPushButton>(this, IDC_FIND_NEXT))
    connect(find, &QPushButton::clicked, this, &CORUFindDlg::OnFind);
}

CORUFindDlg::~CORUFindDlg() = default;

int CORUFindDlg::RunModal() {
  OnInitDialog();
  return context_.prompts.RunModal(*this);
}

void CORUFindDlg::OnInitDialog() {
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_FIND_TEXT)) edit->setText(searchText_);
  if (auto* combo = FindControlAs<QComboBox>(this, IDC_FIND_KIND)) {
    if (combo->count() > 0) combo->setCurrentIndex(0);
  }
  OnChangeSearchText(searchText_);
  if (QWidget* first = FindControl(this, IDC_FIND_TEXT)) first->setFocus();
}

void CORUFindDlg::OnChangeSearchText(const QString& text) {
  if (QWidget* find = FindControl(this, IDC_FIND_NEXT)) find->setEnabled(!text.isEmpty());
}

// Nothing searches the capture: the dialog only collects the text and stays open.
void CORUFindDlg::OnFind() {}

void CORUFindDlg::done(int result) {
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_FIND_TEXT)) searchText_ = edit->text();
  if (auto* combo = FindControlAs<QComboBox>(this, IDC_FIND_KIND)) searchKind_ = combo->currentText();
  QDialog::done(result);
}
