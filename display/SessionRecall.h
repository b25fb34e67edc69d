#pragma once

// CORUSessionRecall: the modal "Recall Session" dialog (template IDD_SESSION_RECALL) that the control panel
// opens. Shown, it asks the worker for the stored-session directory; the panel hands each
// answer to OnSessionHeader, which fills that slot's row. Recall #n downloads stored session n
// into the capture, after autosaving or emptying the current one as "Options" asks.

#include <QDialog>

#include <array>

#include "display/model/SessionRecallRows.h"
#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class QShowEvent;

class CORUSessionRecall final : public QDialog, public ISessionRecall {
  Q_OBJECT
 public:
  CORUSessionRecall(ViewContext& context, QWidget* parent);

  // ISessionRecall
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override;
  void RunModal() override;
  bool WindowExists() const override { return isVisible(); }
  // UpdateSlot: the directory entry of `slot` (0..8) into its row; other slots are ignored.
  void OnSessionHeader(int slot) override;

  // Recall #row (1..9).
  void OnRecall(int row);
  bool Busy() const { return busy; }
  const RecallRowState& Row(int row) const { return rows.at(static_cast<std::size_t>(row - 1)); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Every row back to "Retreiving..." and not busy, as at each opening.
  void ResetRows();
  void ShowRow(int row);
  void ShowBusy();

  ViewContext& context_;
  std::array<RecallRowState, kRecallRows> rows;
  bool busy = false;
};
