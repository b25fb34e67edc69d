#pragma once

// A message posted to the main frame's window handle, carried to the UI thread as a Qt event.

#include <QEvent>

#include "platform/win32/Win32Types.h"

class PostedMessageEvent : public QEvent {
 public:
  explicit PostedMessageEvent(const MSG& message) : QEvent(EventType()), message(message) {}
  static QEvent::Type EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  const MSG message;
};
