#pragma once

// The SIGNAL TRACE tab: the trace control over the trace read-out panel on the left and the
// signal-trace view on the right, in fixed splitters.

#include <QWidget>

#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class CSplitOverride;

class CORUTraceFrame : public QWidget, public ITabPage {
  Q_OBJECT
 public:
  explicit CORUTraceFrame(ViewContext& context, QWidget* parent = nullptr);

  QWidget* Widget() override { return this; }
  // The streamed trace and the trace control's timer run while the tab shows.
  void EnterTab() override;
  void LeaveTab() override;
  // The signal-trace view prints and takes the commands here.
  IShellView* CommandView() override;

  CSplitOverride* OuterSplitter() const { return outerSplitter_; }
  CSplitOverride* InnerSplitter() const { return innerSplitter_; }

 private:
  ViewContext& context_;
  CSplitOverride* outerSplitter_ = nullptr;
  CSplitOverride* innerSplitter_ = nullptr;
};
