// The main window as a user meets it, in the program's fonts, offscreen, at its default size
// (830 x 678) and at its minimum (750 x 480), with the application in-process, the worker, the
// driver and the simulated instrument, every tab shown in turn. Controls lie inside their forms, texts fit their
// controls, siblings do not overlap, the status bar's panes fit the frame and its prompts can be read, and the read-out
// panels hold their rows. Each template on its own: tests/shell/resources_render_test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <memory>
#include <span>
#include <string>

#include "display/RegisterDisplayViews.h"
#include "display/TimingView.h"
#include "display/model/ModemEventWord.h"
#include "maintenance/RegisterMaintenanceViews.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/frame/StatusBar.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/model/StatusPaneText.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FontCheck.h"
#include "tests/shell/LayoutCheck.h"
#include "trace/RegisterTraceViews.h"

namespace {

using apptest::Eventually;

constexpr QSize kDefaultSize(830, 678);
constexpr QSize kMinimumSize(750, 480);

// What the window at its minimum size cuts on purpose, with the reason.
constexpr LayoutException kCutAtMinimum[] = {
    // The signal-trace view's scope and axis areas keep the sizes the trace is drawn at, and the
    // view never scrolls: at the window's minimum height its pane is shorter than they are.
    {167, 1090, 0, "scope area"},
    {167, 1091, 0, "time axis below the scope"},
    {167, 1092, 0, "volt axis"},
    {167, 1172, 0, "\"Snap to trace\" below the time axis"},
};

std::string Lines(const std::vector<std::string>& faults) {
  std::string all;
  for (const std::string& fault : faults) all += fault + "\n";
  return all;
}

// ---- the main window with its tabs -----------------------------------------------------------------

class FrameLayout : public apptest::AppFixture, public testing::WithParamInterface<QSize> {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(CourierNewIsFixedPitch());
    beforeInit = [](CORUpc144App& app) {
      RegisterDisplayViews(app.viewFactory);
      RegisterTraceViews(app.viewFactory);
      RegisterMaintenanceViews(app.viewFactory);
    };
  }
  // Started and shown at `size`; false when the frame cannot take it.
  bool ShowAt(QSize size) {
    if (!Start() || !Eventually([&] { return app().context.DeviceOpen(); })) return false;
    frame()->show();
    frame()->resize(size);
    return Eventually([&] { return frame()->size() == size; }, 2000);
  }
  CMainFrame* frame() { return app().mainFrame; }
  void ShowTab(int index) {
    app().SelectTab(index);
    ASSERT_TRUE(Eventually([&] { return frame()->TabbedFrame()->TabWindow(index)->isVisible(); }));
    QApplication::processEvents();
  }
  // The faults of every template form the tab shows, and of each form against its pane.
  std::vector<std::string> TabFaults(int index, std::span<const LayoutException> allowed) {
    std::vector<std::string> faults;
    QWidget* tab = frame()->TabbedFrame()->TabWindow(index);
    std::vector<QWidget*> forms{tab};
    for (QWidget* child : tab->findChildren<QWidget*>()) forms.push_back(child);
    for (QWidget* form : forms) {
      if (!form->property("templateId").isValid() || !form->isVisible()) continue;
      for (std::string& fault : LayoutFaults(form, allowed))
        faults.push_back("tab " + std::to_string(index) + ", " + fault);
      QWidget* pane = form->parentWidget();
      if (pane != nullptr && !pane->rect().contains(form->geometry()))
        faults.push_back("tab " + std::to_string(index) + ": the form of template " +
                         form->property("templateId").toString().toStdString() + " reaches past its pane");
    }
    return faults;
  }
  // Each pane lies whole inside the bar, and the bar inside the frame.
  std::vector<std::string> StatusBarFaults() {
    CORUStatusBar* bar = frame()->StatusBar();
    const QRect shown = bar->rect() & QRect(bar->mapFrom(frame(), QPoint(0, 0)), frame()->size());
    std::vector<std::string> faults;
    for (int id : {ID_PANE_ANSWER, ID_PANE_ORIGINATE, ID_PANE_MARKER, ID_PANE_CAPTURE_BUFFER, ID_PANE_CONNECTION,
                   ID_PANE_LINE_STATUS, ID_PANE_MODE, ID_PANE_VOLUME}) {
      QWidget* pane = bar->Pane(id);
      const QRect at(pane->mapTo(bar, QPoint(0, 0)), pane->size());
      if (!pane->isVisible() || !shown.contains(at) || pane->width() < pane->minimumWidth())
        faults.push_back("pane " + std::to_string(id) + " at " + std::to_string(at.left()) + ".." +
                         std::to_string(at.right()) + " in a bar showing " + std::to_string(shown.width()));
    }
    return faults;
  }
};

TEST_P(FrameLayout, EveryTabAndTheStatusBarFitTheWindow) {
  ASSERT_TRUE(ShowAt(GetParam())) << "the frame keeps " << frame()->width() << "x" << frame()->height();
  const auto allowed =
      GetParam() == kMinimumSize ? std::span<const LayoutException>(kCutAtMinimum) : std::span<const LayoutException>();
  for (int tab = 0; tab < 4; ++tab) {
    ShowTab(tab);
    EXPECT_EQ(Lines(TabFaults(tab, allowed)), "");
  }
  ShowTab(0);
  EXPECT_EQ(Lines(StatusBarFaults()), "");

  // A menu prompt takes the whole bar while it shows; the panes come back after it.
  const QString prompt = QStringLiteral("Save current buffer before new capture");
  QStatusTipEvent tip(prompt);
  QApplication::sendEvent(frame(), &tip);
  QApplication::processEvents();
  CORUStatusBar* bar = frame()->StatusBar();
  EXPECT_EQ(bar->currentMessage(), prompt);
  for (int id : {ID_PANE_ANSWER, ID_PANE_VOLUME}) EXPECT_FALSE(bar->Pane(id)->isVisible());
  QStatusTipEvent cleared{QString()};
  QApplication::sendEvent(frame(), &cleared);
  QApplication::processEvents();
  EXPECT_EQ(Lines(StatusBarFaults()), "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameLayout, testing::Values(kDefaultSize, kMinimumSize),
                         [](const testing::TestParamInfo<QSize>& info) {
                           return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });

// ---- the read-out panels at the default size ---------------------------------------------------------

// The longest texts each mode draws.
std::vector<std::string> CaptureTexts() {
  std::vector<std::string> texts{PaddedNumberRow("Marker byte # ", 99999),
                                 PaddedNumberRow("Modem event # ", 99999),
                                 "Time: 999.999 Seconds",
                                 "Bytes FROM marker:",
                                 "Time FROM marker:",
                                 "Parity bit set"};
  for (int first = 0; first < 256; first += 4) {
    for (int second = 0; second < 128; ++second) {
      const ModemEventText text = DecodeModemEvent(ModemEventRegister(UCHAR(first), UCHAR(second)));
      for (const std::string& t : {text.rate, text.event, text.snr, text.state}) texts.push_back(t);
    }
  }
  return texts;
}
const std::vector<std::string> kTraceTexts{"Voltage Delta: -123.456 V", "Voltage: -123.456 Vpp", "Time: 60.00 seconds",
                                           "Time Delta: -60.00 sec."};

class ReadoutLayout : public FrameLayout {};

TEST_F(ReadoutLayout, BothPanelsShowEveryRowWhole) {
  ASSERT_TRUE(ShowAt(kDefaultSize));
  struct Panel {
    int tab;
    IReadoutPanel* view;
    int rows;
    std::vector<std::string> texts;
  };
  for (const Panel& p : {Panel{0, app().Views().captureTimingView.get(), kReadoutRows, CaptureTexts()},
                         Panel{1, app().Views().traceTimingView.get(), kTraceReadoutRows, kTraceTexts}}) {
    ShowTab(p.tab);
    auto* panel = dynamic_cast<CORUTimingView*>(p.view);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->RowHeight(), 16);
    EXPECT_GE(panel->viewport()->height(), p.rows * panel->RowHeight()) << "tab " << p.tab;
    EXPECT_EQ(panel->verticalScrollBar()->maximum(), 0) << "tab " << p.tab;
    const QFontMetrics metrics(app().displayFont);
    for (const std::string& text : p.texts)
      EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(text)), panel->viewport()->width()) << text;
  }
}

}  // namespace
