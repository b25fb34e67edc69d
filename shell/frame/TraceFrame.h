#pragma once

// The SIGNAL TRACE tab: the trace control over the trace read-out panel on the left and the
// signal-trace view on the right, in fixed splitters.

#include <QWidget>

struct ViewContext;
class CSplitOverride;

class CORUTraceFrame : public QWidget {
  Q_OBJECT
 public:
  explicit CORUTraceFrame(ViewContext& context, QWidget* parent = nullptr);

  CSplitOverride* OuterSplitter() const { return outerSplitter; }
  CSplitOverride* InnerSplitter() const { return innerSplitter; }

 private:
  ViewContext& context_;
  CSplitOverride* outerSplitter = nullptr;
  CSplitOverride* innerSplitter = nullptr;
};
