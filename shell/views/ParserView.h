#pragma once

// CORUParserView: a form (template 101, a single placeholder text) that no window creates; it
// parses nothing.

#include <QWidget>

struct ViewContext;

class CORUParserView : public QWidget {
  Q_OBJECT

 public:
  CORUParserView(ViewContext& context, QWidget* parent = nullptr);

  ViewContext& Context() const { return context_; }

 private:
  ViewContext& context_;
};
