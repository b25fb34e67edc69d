#pragma once

// The CAPTURE DATA tab: the control panel over the cursor/marker read-out panel on the left and
// the session view on the right, in fixed splitters.

#include <QWidget>

#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class CSplitOverride;

class CORUCaptureFrame : public QWidget, public ITabPage {
  Q_OBJECT
 public:
  explicit CORUCaptureFrame(ViewContext& context, QWidget* parent = nullptr);

  QWidget* Widget() override { return this; }

  CSplitOverride* OuterSplitter() const { return outerSplitter_; }
  CSplitOverride* InnerSplitter() const { return innerSplitter_; }

 private:
  ViewContext& context_;
  CSplitOverride* outerSplitter_ = nullptr;
  CSplitOverride* innerSplitter_ = nullptr;
};
