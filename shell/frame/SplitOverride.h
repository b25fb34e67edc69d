#pragma once

// A splitter whose bars do not react to the mouse: the layout the tab frames set is the one the
// user keeps.

#include <QSplitter>
#include <QSplitterHandle>

class CSplitOverride : public QSplitter {
  Q_OBJECT
 public:
  explicit CSplitOverride(Qt::Orientation orientation, QWidget* parent = nullptr);

 protected:
  QSplitterHandle* createHandle() override;
};

// A bar that ignores every mouse event and shows the ordinary cursor.
class CInertSplitterHandle : public QSplitterHandle {
  Q_OBJECT
 public:
  CInertSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};
