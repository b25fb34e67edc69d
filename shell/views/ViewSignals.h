#pragma once

// What a pane tells the panes beside it in the same tab frame. The tab frame connects them, so a
// pane never looks its sibling up.

#include <QObject>

class ViewSignals : public QObject {
  Q_OBJECT
 signals:
  // What the read-out panel shows of this view changed (the hovered byte, the marker, the scope's
  // readings).
  void readoutChanged();
  // The trace's threshold mark was dragged; "DeltaV" holds its voltage.
  void thresholdMoved();
};
