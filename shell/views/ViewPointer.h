#pragma once

// The main frame's pointer to one of its tabs' views. It reads null once the view's widget is
// gone, so nobody calls into a view after its window was destroyed.

#include <QPointer>
#include <QWidget>

template <class I>
class ViewPointer {
 public:
  ViewPointer() = default;
  explicit ViewPointer(I* view) { Set(view); }

  void Set(I* view) {
    view_ = view;
    widget_ = view ? view->Widget() : nullptr;
  }
  I* get() const { return widget_ ? view_ : nullptr; }
  I* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }

 private:
  I* view_ = nullptr;
  QPointer<QWidget> widget_;
};
