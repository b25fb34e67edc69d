#pragma once

// The SIGNAL TRACE tab: the trace control over the trace read-out panel on the left and the
// signal-trace view on the right, in fixed splitters.

#include <QWidget>

class CORUpc144App;
class CSplitOverride;

class CORUTraceFrame : public QWidget {
  Q_OBJECT
 public:
  explicit CORUTraceFrame(CORUpc144App& app, QWidget* parent = nullptr);

  CSplitOverride* OuterSplitter() const { return outerSplitter; }
  CSplitOverride* InnerSplitter() const { return innerSplitter; }

 private:
  CORUpc144App& app;
  CSplitOverride* outerSplitter = nullptr;
  CSplitOverride* innerSplitter = nullptr;
};
