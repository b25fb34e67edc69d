#pragma once

// "About Quorlan View" (template IDD_ABOUTBOX): the program's version, the instrument's version and the
// maker's link. A double-click anywhere switches between the short and the full version.

#include <QDialog>
#include <QString>

class CHyperlinkStatic;
struct ViewContext;
class QLabel;

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  // `versionEntry` is the program's version entry ("2, 0, 3, 7"; empty when none is known).
  explicit CAboutDlg(ViewContext& context, const QString& versionEntry = ProgramVersionEntry());

  // The version entry this build carries.
  static QString ProgramVersionEntry();

  QString ProgramVersionText() const { return programVersionText; }
  QString DeviceVersionText() const { return deviceVersionText; }
  bool ShowsFullVersion() const { return showFullVersion; }
  CHyperlinkStatic* Link() const { return link; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void OnInitDialog();
  void ToggleVersion();
  void ShowVersion();

  ViewContext& context_;
  QString versionEntry_;
  CHyperlinkStatic* link = nullptr;
  QLabel* deviceVersionLabel = nullptr;
  QLabel* programVersionLabel = nullptr;
  QString programVersionText;
  QString deviceVersionText;
  bool showFullVersion = false;
};
