#include "shell/frame/SplitOverride.h"

#include <QMouseEvent>

CSplitOverride::CSplitOverride(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent) {
  setChildrenCollapsible(false);
  setOpaqueResize(false);
}

QSplitterHandle* CSplitOverride::createHandle() { return new CInertSplitterHandle(orientation(), this); }

CInertSplitterHandle::CInertSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {
  setCursor(Qt::ArrowCursor);
}

void CInertSplitterHandle::mousePressEvent(QMouseEvent* event) { event->accept(); }
void CInertSplitterHandle::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
void CInertSplitterHandle::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void CInertSplitterHandle::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
