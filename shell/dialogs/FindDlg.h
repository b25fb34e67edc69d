#pragma once

// The find dialog of the control panel (ID_EDIT_FIND).

#include <QDialog>
#include <QString>

struct ViewContext;

class CORUFindDlg : public QDialog {
  Q_OBJECT

 public:
  CORUFindDlg(ViewContext& context, QWidget* parent);
  ~CORUFindDlg() override;

  // Shows the dialog modally through the prompt service; the dialog's result.
  int RunModal();

  // What the dialog collected at its last close; nothing searches with them.
  QString SearchText() const { return searchText_; }
  QString SearchKind() const { return searchKind_; }

 protected:
  void done(int result) override;

 private:
  void OnInitDialog();
  void OnChangeSearchText(const QString& text);
  void OnFind();

  ViewContext& context_;
  QString searchKind_;
  QString searchText_;
};
