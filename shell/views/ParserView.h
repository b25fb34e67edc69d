#pragma once

// CORUParserView: a form (template 101, a single placeholder text) that no window creates; it
// parses nothing.

#include <QWidget>

class CORUpc144App;

class CORUParserView : public QWidget {
  Q_OBJECT

 public:
  CORUParserView(CORUpc144App& app, QWidget* parent = nullptr);

  CORUpc144App& App() const { return app_; }

 private:
  CORUpc144App& app_;
};
