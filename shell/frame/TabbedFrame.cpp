#include "shell/frame/TabbedFrame.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <mutex>

#include "link/store/OruData.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/model/StatusPaneText.h"
#include "shell/views/ViewInterfaces.h"

namespace {
constexpr const char* kAbortingDtmf = "Aborting DTMF decoder";
constexpr const char* kAbortingLineTest = "Aborting line test";
constexpr int kStripFontPixels = 12;
constexpr int kStripRepaintWidth = 32000;
constexpr int kTabJoinRows = 2;
}  // namespace

CORUTabbedFrame::CORUTabbedFrame(CORUpc144App& app, QWidget* parent) : QWidget(parent), app_(app) {
  normalFont_ = StandInFont(QStringLiteral("MS Sans Serif"), kStripFontPixels);
  selectedFont_ = normalFont_;
  selectedFont_.setBold(true);
  setMouseTracking(true);  // the session view's hover mark is cleared when the mouse is here
  setAutoFillBackground(false);
}

CORUTabbedFrame::~CORUTabbedFrame() = default;

bool CORUTabbedFrame::AddTab(const QString& label, QWidget* window) {
  if (window == nullptr) return false;
  const int index = TabCount();
  window->setParent(this);
  window->setProperty("controlId", kFirstTabWindowId + index);
  const TabRect rect = TabWindowRect(width(), height());
  window->setGeometry(rect.x, rect.y, rect.width, rect.height);
  TabMember tab;
  tab.window = window;
  tab.label = QString::fromStdString(TruncateTabLabel(label.toStdString()));
  tab.enabled = false;
  tabs_.push_back(tab);
  if (index == 0) {
    if (app_.mainFrame != nullptr && app_.Views().activeCaptureView)
      app_.mainFrame->SetActiveView(app_.Views().activeCaptureView.get());
    window->show();
  } else {
    window->setEnabled(false);
    window->hide();
  }
  return true;
}

QWidget* CORUTabbedFrame::TabWindow(int index) const {
  return index >= 0 && index < TabCount() ? tabs_[index].window : nullptr;
}

QString CORUTabbedFrame::TabLabel(int index) const {
  return index >= 0 && index < TabCount() ? tabs_[index].label : QString();
}

void CORUTabbedFrame::EnableTab(int index) {
  if (index < 0 || index >= TabCount() || tabs_[index].enabled) return;
  tabs_[index].enabled = true;
  ++stripInvalidations_;
  update();
}

void CORUTabbedFrame::DisableTab(int index) {
  if (index < 0 || index >= TabCount() || !tabs_[index].enabled) return;
  tabs_[index].enabled = false;
  ++stripInvalidations_;
  update();
}

bool CORUTabbedFrame::IsTabEnabled(int index) const { return index >= 0 && index < TabCount() && tabs_[index].enabled; }

void CORUTabbedFrame::LayoutStrip() const {
  std::vector<int> widths;
  strip_.enabled.clear();
  for (int i = 0; i < TabCount(); ++i) {
    const bool selected = TabLookFor(i, currentTab_, tabs_[i].enabled) == TabLook::Selected;
    widths.push_back(QFontMetrics(selected ? selectedFont_ : normalFont_).horizontalAdvance(tabs_[i].label));
    strip_.enabled.push_back(tabs_[i].enabled);
  }
  strip_.edges = LayoutTabEdges(widths);
  strip_.currentTab = currentTab_;
}

int CORUTabbedFrame::HitTest(int x, int y) const {
  LayoutStrip();
  return TabHitTest(strip_, x, y);
}

void CORUTabbedFrame::RecalcLayout() {
  const TabRect rect = TabWindowRect(width(), height());
  for (TabMember& tab : tabs_) tab.window->setGeometry(rect.x, rect.y, rect.width, rect.height);
}

// The strip and the two rows below it, where the selected tab opens into the sunken edge: the tab
// left must close its opening there and the new one open its own.
void CORUTabbedFrame::InvalidateStrip() { update(0, 0, kStripRepaintWidth, kTabStripHeight + kTabJoinRows); }

void CORUTabbedFrame::SelectTab(int index) {
  if (index < 0 || index >= TabCount() || index == currentTab_) return;
  const int previous = currentTab_;
  if (previous >= 0 && previous < TabCount()) {
    tabs_[previous].window->setEnabled(false);
    tabs_[previous].window->hide();
    StopActivity(previous);
  }
  QWidget* window = tabs_[index].window;
  window->setEnabled(true);
  window->show();
  window->setFocus();
  // Entering one meter stops the other; leaving the DTMF tab has stopped the decoder already.
  const bool leftMeterStopped = (previous == TAB_DTMF_DECODER && app_.Views().dtmfView) ||
                                (previous == TAB_VOLT_METER && app_.Views().lineTestView);
  if (index == TAB_VOLT_METER && !leftMeterStopped) {
    app_.viewContext().store.WithData([&](const DataScope& data) {
      if (data.Run().dtmfRunning()) {
        app_.viewContext().store.statusText.Set(kAbortingDtmf);
        app_.PostToWorker(WM_ORU_STOP_DTMF_DECODER);
      }
    });
  } else if (index == TAB_DTMF_DECODER && !leftMeterStopped) {
    app_.viewContext().store.WithData([&](const DataScope& data) {
      if (data.Run().lineTestRunning()) {
        app_.viewContext().store.statusText.Set(kAbortingLineTest);
        app_.PostToWorker(WM_ORU_STOP_LINE_TEST);
      }
    });
  }
  StartActivity(index);
  currentTab_ = index;
  InvalidateStrip();
}

ITabPage* CORUTabbedFrame::PageOfTab(int index) const {
  const auto& pages = app_.Views().tabPages;
  return index < static_cast<int>(pages.size()) ? pages[static_cast<std::size_t>(index)].get() : nullptr;
}

void CORUTabbedFrame::StopActivity(int index) {
  if (ITabPage* page = PageOfTab(index)) page->LeaveTab();
}

void CORUTabbedFrame::StartActivity(int index) {
  ITabPage* page = PageOfTab(index);
  if (page != nullptr) page->EnterTab();
  // The page's command view prints and takes the commands; on a tab without one, the capture view.
  IShellView* commandView = page != nullptr ? page->CommandView() : nullptr;
  if (commandView == nullptr) commandView = app_.Views().activeCaptureView.get();
  if (app_.mainFrame != nullptr && commandView != nullptr) app_.mainFrame->SetActiveView(commandView);
  // A tab that shows a document names the window after that document's file.
  if (DocumentOfTab(index) && app_.currentDocument != nullptr) {
    app_.currentDocument->SetPathNameForTab(index);
    if (app_.mainFrame != nullptr) app_.mainFrame->setWindowTitle(app_.currentDocument->Title());
  }
  const int standard = app_.viewContext().store.WithData([](const DataScope& data) { return data.sysCfg().standard; });
  app_.viewContext().store.modeText.Set(ModeTextForTab(index, standard));
}

void CORUTabbedFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RecalcLayout();
}

void CORUTabbedFrame::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const QPoint at = event->position().toPoint();
    SelectTab(HitTest(at.x(), at.y()));
  }
  QWidget::mouseReleaseEvent(event);
}

void CORUTabbedFrame::mouseMoveEvent(QMouseEvent* event) {
  if (app_.Views().sessionView) app_.Views().sessionView->ClearHoverMark();
  QWidget::mouseMoveEvent(event);
}

void CORUTabbedFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  const QColor face = pal.color(QPalette::Button);
  const QColor light = pal.color(QPalette::Light);
  const QColor midLight = pal.color(QPalette::Midlight);
  const QColor shadow = pal.color(QPalette::Dark);
  const QColor dark = pal.color(QPalette::Shadow);
  const int w = width();
  const int h = height();

  painter.fillRect(0, 0, w, h, face);
  // Etched top edge.
  painter.setPen(shadow);
  painter.drawLine(0, 0, w - 1, 0);
  painter.setPen(light);
  painter.drawLine(0, 1, w - 1, 1);
  // The sunken area the tab windows sit in.
  auto draw3d = [&painter](int x, int y, int cx, int cy, const QColor& topLeft, const QColor& bottomRight) {
    if (cx <= 0 || cy <= 0) return;
    painter.setPen(topLeft);
    painter.drawLine(x, y, x + cx - 1, y);
    painter.drawLine(x, y, x, y + cy - 1);
    painter.setPen(bottomRight);
    painter.drawLine(x + cx - 1, y, x + cx - 1, y + cy - 1);
    painter.drawLine(x, y + cy - 1, x + cx - 1, y + cy - 1);
  };
  draw3d(0, kTabStripHeight, w, h - kTabStripHeight, shadow, light);
  draw3d(1, kTabStripHeight + 1, w - 2, h - kTabStripHeight - 2, dark, midLight);

  LayoutStrip();
  for (int i = 0; i < TabCount(); ++i) {
    const TabEdges& edge = strip_.edges[i];
    const int x = edge.left;
    const int cx = edge.right - edge.left;
    const TabLook look = TabLookFor(i, currentTab_, tabs_[i].enabled);
    if (look == TabLook::Selected) {
      // Filled down into the area below, so the tab joins it (its bottom line stays open).
      painter.fillRect(x, kSelectedTabTop, cx, kTabStripHeight + 1 - kSelectedTabTop + 1, face);
      painter.setPen(light);
      painter.drawLine(x, kSelectedTabTop + 2, x, kTabStripHeight);
      painter.drawLine(x + 2, kSelectedTabTop, x + cx - 3, kSelectedTabTop);
      painter.drawPoint(x + 1, kSelectedTabTop + 1);
      painter.setPen(dark);
      painter.drawLine(x + cx - 1, kSelectedTabTop + 2, x + cx - 1, kTabStripHeight);
      painter.drawPoint(x + cx - 2, kSelectedTabTop + 1);
      painter.setPen(shadow);
      painter.drawLine(x + cx - 2, kSelectedTabTop + 2, x + cx - 2, kTabStripHeight);
      painter.setFont(selectedFont_);
      painter.setPen(pal.color(QPalette::ButtonText));
      painter.drawText(QRect(x + kTabLabelInset, kSelectedTabTop + 1, cx - kTabLabelInset, 24),
                       Qt::AlignLeft | Qt::AlignVCenter, tabs_[i].label);
    } else {
      const int top = kOtherTabTop;
      const int bottom = top + kOtherTabHeight - 1;
      painter.fillRect(x, top, cx, kOtherTabHeight, face);
      painter.setPen(light);
      painter.drawLine(x, top + 2, x, bottom);
      painter.drawLine(x + 2, top, x + cx - 3, top);
      painter.drawPoint(x + 1, top + 1);
      painter.setPen(dark);
      painter.drawLine(x + cx - 1, top + 2, x + cx - 1, bottom);
      painter.drawPoint(x + cx - 2, top + 1);
      painter.setPen(shadow);
      painter.drawLine(x + cx - 2, top + 2, x + cx - 2, bottom);
      // The two-pixel band along its bottom sets it back from the selected tab.
      painter.fillRect(x, bottom - 1, cx, 2, shadow);
      painter.setFont(normalFont_);
      painter.setPen(look == TabLook::Disabled ? pal.color(QPalette::Disabled, QPalette::ButtonText)
                                               : pal.color(QPalette::ButtonText));
      painter.drawText(QRect(x + kTabLabelInset, top, cx - kTabLabelInset, kOtherTabHeight - 2),
                       Qt::AlignLeft | Qt::AlignVCenter, tabs_[i].label);
    }
  }
}
