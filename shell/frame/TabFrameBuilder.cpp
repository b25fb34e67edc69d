#include "shell/frame/TabFrameBuilder.h"

#include <QVBoxLayout>

#include "shell/frame/SplitOverride.h"

namespace {
constexpr int kMainPaneWidth = 575;  // the right pane's size when it is made
constexpr int kMainPaneHeight = 475;
}  // namespace

void ArrangeTabFrame(QWidget* frame, CSplitOverride* outer, CSplitOverride* inner, QWidget* upper, QWidget* lower,
                     QWidget* main, const TabFrameSizes& sizes) {
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(outer);
  outer->setFrameStyle(0);

  inner->addWidget(upper);
  inner->addWidget(lower);
  outer->addWidget(inner);
  outer->addWidget(main);

  // The left column and the upper pane keep their size; the last pane of each takes the rest.
  outer->setStretchFactor(0, 0);
  outer->setStretchFactor(1, 1);
  inner->setStretchFactor(0, 0);
  inner->setStretchFactor(1, 1);
  inner->setMinimumWidth(sizes.leftColumnMinimum);
  main->setMinimumWidth(sizes.rightColumnMinimum);
  upper->setMinimumHeight(sizes.upperPaneMinimum);
  lower->setMinimumHeight(sizes.lowerPaneMinimum);
  main->resize(kMainPaneWidth, kMainPaneHeight);
  outer->setSizes({sizes.leftColumnWidth, kMainPaneWidth});
  inner->setSizes({sizes.upperPaneHeight, kMainPaneHeight - sizes.upperPaneHeight});
}
