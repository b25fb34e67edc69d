#pragma once

// The CAPTURE DATA tab: the control panel over the cursor/marker read-out panel on the left and
// the session view on the right, in fixed splitters.

#include <QWidget>

class CORUpc144App;
class CSplitOverride;

class CORUCaptureFrame : public QWidget {
  Q_OBJECT
 public:
  explicit CORUCaptureFrame(CORUpc144App& app, QWidget* parent = nullptr);

  CSplitOverride* OuterSplitter() const { return outerSplitter; }
  CSplitOverride* InnerSplitter() const { return innerSplitter; }

 private:
  CORUpc144App& app;
  CSplitOverride* outerSplitter = nullptr;
  CSplitOverride* innerSplitter = nullptr;
};
