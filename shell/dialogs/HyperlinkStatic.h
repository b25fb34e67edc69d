#pragma once

// CHyperlinkStatic: a static text drawn as a link (blue, underlined, the parent's font) that
// shows the hand cursor over its text and opens its address when the text is pressed.

#include <QFont>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

class CHyperlinkStatic : public QWidget {
  Q_OBJECT

 public:
  using OpenHook = std::function<void(const QString& url)>;

  explicit CHyperlinkStatic(QWidget* parent = nullptr);

  // Takes the place of a template's static text: its text, geometry and id; the label goes.
  static CHyperlinkStatic* Attach(QLabel* label);

  void SetUrl(const QString& url) { linkUrl = url; }
  void SetLinkText(const QString& text);
  QString LinkText() const { return linkText; }
  QString Url() const { return linkUrl; }

  // True over the text's extent, measured from the top-left corner.
  bool HitTest(const QPoint& point);

  // What opening an address does (the desktop's handler); tests put their own in.
  static void SetOpenHook(OpenHook hook);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void CreateLinkFont();
  void MeasureText();

  QString linkText;
  QString linkUrl;
  QFont linkFont;
  int textWidth = 0;
  int textHeight = 0;
  bool fontCreated = false;
  bool extentKnown = false;
};
