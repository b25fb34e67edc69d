#pragma once

// The main frame's client window: a strip of tabs 32 pixels high along the top and one child
// window per tab below it. Switching tabs also stops the activity of the tab left and starts the
// one of the tab entered (the streamed trace and the trace control's timer, the volt meter, the
// DTMF decoder), through the tab's page.

#include <QFont>
#include <QString>
#include <QWidget>

#include <vector>

#include "shell/model/TabStrip.h"
#include "shell/model/TabTable.h"

class CORUpc144App;
class ITabPage;

// Control id of the first tab window; each later tab adds one.
constexpr int kFirstTabWindowId = 13576;

class CORUTabbedFrame : public QWidget {
  Q_OBJECT
 public:
  explicit CORUTabbedFrame(CORUpc144App& app, QWidget* parent = nullptr);
  ~CORUTabbedFrame() override;

  // Makes `window` the child of a new, disabled tab; the first tab added is the current one.
  // The label keeps at most 31 characters. False for a null window.
  bool AddTab(const QString& label, QWidget* window);
  // Switches tabs (an index outside the tabs, or the current one, does nothing).
  void SelectTab(int index);
  int GetCurrentTab() const { return currentTab_; }
  void EnableTab(int index);
  void DisableTab(int index);
  bool IsTabEnabled(int index) const;
  // The tab under (x, y), or -1.
  int HitTest(int x, int y) const;
  // Moves every tab window into the area below the strip.
  void RecalcLayout();

  int TabCount() const { return static_cast<int>(tabs_.size()); }
  QWidget* TabWindow(int index) const;
  QString TabLabel(int index) const;
  // How often the strip asked for a repaint because a tab's state changed (tests).
  int StripInvalidations() const { return stripInvalidations_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  struct TabMember {
    QWidget* window = nullptr;
    QString label;
    bool enabled = false;
  };

  // The page the main frame made for the tab (its views' tab pages, in the tabs' order); null for
  // a tab added without one.
  ITabPage* PageOfTab(int index) const;
  void StopActivity(int index);
  void StartActivity(int index);
  void LayoutStrip() const;
  void InvalidateStrip();

  CORUpc144App& app_;
  int currentTab_ = 0;
  std::vector<TabMember> tabs_;
  QFont selectedFont_;
  QFont normalFont_;
  mutable TabStripLayout strip_;  // edges as last laid out
  int stripInvalidations_ = 0;
};
