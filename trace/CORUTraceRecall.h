#pragma once

// CORUTraceRecall: the modal dialog (template IDD_TRACE_RECALL) that lists the instrument's three stored
// traces and downloads one. Shown, it asks the worker for the three headers; each header's
// notification fills its row; a Recall button copies that trace's settings into the trace
// settings and asks the worker for the trace. The wait cursor shows while the headers are read,
// but the dialog stays usable, so Cancel works should a header never come.

#include <QDialog>

#include "platform/win32/Win32Types.h"

struct ViewContext;
class CORUpc144Doc;

class CORUTraceRecall final : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRows = 3;

  CORUTraceRecall(ViewContext& context, QWidget* parent);

  void SetDocument(CORUpc144Doc* document) { document_ = document; }
  // The held trace is emptied only once a Recall button is pressed (the owner's "Options" other
  // than Autosave), so that Cancel never loses it.
  void SetEmptyTraceOnRecall(bool empty) { emptyOnRecall_ = empty; }
  // Opens the dialog afresh and runs it through the prompts; the dialog's result.
  int RunModal();
  bool WindowExists() const { return isVisible(); }
  // A header notification for `row` (0..2).
  void ShowTraceHeader(int row);
  void OnRecall(int number);  // 1..3
  bool Busy() const { return busy_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void InitDialog();
  void SetRowEnabled(int row, bool enabled, bool withTexts);

  ViewContext& context_;
  CORUpc144Doc* document_ = nullptr;
  bool busy_ = false;
  bool emptyOnRecall_ = false;
};
