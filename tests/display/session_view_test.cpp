// The session view and the read-out panel offscreen: what they paint, hover, marker, wheel,
// resize and the live refresh.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <climits>
#include <memory>

#include "display/SessionView.h"
#include "display/TimingView.h"
#include "display/QtColor.h"
#include "shell/OruApp.h"
#include "tests/display/DisplayTestData.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FontCheck.h"
#include "link/store/LinkAccess.h"

namespace {

using namespace displaytest;

class SessionViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::QtApplication();
    ASSERT_TRUE(CourierNewIsFixedPitch());
    app = std::make_unique<CORUpc144App>(StartupRecord{});
    AppSettings& s = app->settings;
    s.viewType = ViewType::Ascii;
    s.answerColor = kDefaultAnswerColor;
    s.answerShade = ShadeColor(kDefaultAnswerColor);
    s.originateColor = kDefaultOriginateColor;
    s.originateShade = ShadeColor(kDefaultOriginateColor);
    s.markerColor = kDefaultMarkerColor;
    s.markerTextColor = kWhite;
    QPalette fixed;
    fixed.setColor(QPalette::Base, Qt::white);
    fixed.setColor(QPalette::Text, Qt::black);
    view = new CORUSessionView(app->viewContext(), nullptr);
    view->setPalette(fixed);
    view->resize(575, 475);
    view->show();
    readout = new CORUTimingView(app->viewContext(), CORUTimingView::DisplayMode::Capture, nullptr);
    readout->setPalette(fixed);
    readout->resize(240, 330);
    readout->show();
    app->Views().sessionView.Set(view);
    readout->ReadFrom({.sessionLayout = [this] { return view->CurrentLayout(); },
                       .pointerEntered = [this] { view->ClearHoverMark(); }});
    QObject::connect(view->Signals(), &ViewSignals::readoutChanged, readout, &CORUTimingView::Refresh);
  }
  void TearDown() override {
    delete readout;
    delete view;
    app.reset();
  }

  CORUData& store() { return app->dataStore; }
  // A text call: one event, then `lines` lines of Answer and Originate text.
  void FillCall(int lines) {
    AddEvent(store(), false, "CONNECT 2400");
    for (int k = 0; k < lines * 40; ++k)
      AddByte(store(), static_cast<UCHAR>('A' + k % 26), (k / 7) % 2 == 0, k / 100, 0);
    UpdateLastCount(store());
  }
  QImage Shot() {
    view->EnsureLayout();
    return view->viewport()->grab().toImage();
  }
  QColor At(const QImage& image, QPoint point) { return image.pixelColor(point); }
  void Send(QEvent::Type type, QPoint point) {
    QMouseEvent event(type, QPointF(point), view->viewport()->mapToGlobal(QPointF(point)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &event);
  }
  void SaveShot(const QImage& image, const char* name) {
    const QByteArray folder = qgetenv("QV_DISPLAY_SHOTS");
    if (!folder.isEmpty()) image.save(QString::fromUtf8(folder) + "/" + name + ".png");
  }

  std::unique_ptr<CORUpc144App> app;
  CORUSessionView* view = nullptr;
  CORUTimingView* readout = nullptr;
};

TEST_F(SessionViewTest, RowsColoursTitleAndSeparator) {
  AddEvent(store(), false, "CONNECT 2400");
  AddByte(store(), 'A', true);
  AddByte(store(), 'B', false);
  AddByte(store(), 0x1B, true);
  UpdateLastCount(store());
  view->Refresh();
  const QImage image = Shot();
  SaveShot(image, "session-rows");
  const QSize cell = view->CellSize();
  ASSERT_GT(cell.width(), 4);
  ASSERT_GT(cell.height(), 8);

  // The title: black across the whole width, with yellow text in it.
  EXPECT_EQ(At(image, QPoint(image.width() - 3, 1)), QColor(Qt::black));
  int yellow = 0;
  for (int x = 0; x < 200; ++x)
    for (int y = 0; y < cell.height(); ++y) {
      const QColor c = At(image, QPoint(x, y));
      yellow += c.red() > 200 && c.green() > 200 && c.blue() < 80 ? 1 : 0;
    }
  EXPECT_GT(yellow, 20);

  // The separator under the title: black, white, black.
  const int sep = cell.height();
  EXPECT_EQ(At(image, QPoint(300, sep)), QColor(Qt::black));
  EXPECT_EQ(At(image, QPoint(300, sep + 1)), QColor(Qt::white));
  EXPECT_EQ(At(image, QPoint(300, sep + 2)), QColor(Qt::black));

  // Answer bytes in the top row, Originate bytes in the bottom row, blank above or below.
  const QRect a = view->ByteCellRect(0);
  const QRect b = view->ByteCellRect(1);
  const QRect esc = view->ByteCellRect(2);
  ASSERT_FALSE(a.isEmpty());
  EXPECT_EQ(b.top(), a.top() + cell.height());
  EXPECT_EQ(b.left(), a.right() + 1);
  EXPECT_EQ(esc.width(), 5 * cell.width());
  EXPECT_EQ(At(image, a.topLeft()), ToQColor(kDefaultAnswerColor));
  EXPECT_EQ(At(image, b.topLeft()), ToQColor(kDefaultOriginateColor));
  EXPECT_EQ(At(image, b.topLeft() - QPoint(0, cell.height())), QColor(Qt::white));
  EXPECT_EQ(At(image, a.topLeft() + QPoint(0, cell.height())), QColor(Qt::white));
  int dark = 0;
  for (int x = a.left(); x <= a.right(); ++x)
    for (int y = a.top(); y <= a.bottom(); ++y) dark += At(image, QPoint(x, y)).lightness() < 60 ? 1 : 0;
  EXPECT_GT(dark, 5);  // the letter is drawn
}

TEST_F(SessionViewTest, HoverInvertsOneCellAndFillsTheReadout) {
  FillCall(3);
  view->Refresh();
  Shot();
  const QRect cell = view->ByteCellRect(8);  // an Originate byte
  Send(QEvent::MouseMove, cell.center());
  EXPECT_EQ(view->HoverIndex(), 8);
  EXPECT_EQ(LinkFields(store()).cursorRecordIndex, 8);
  EXPECT_EQ(LinkFields(store()).cursorEventIndex, 0);
  QImage image = Shot();
  SaveShot(image, "session-hover");
  EXPECT_EQ(At(image, cell.topLeft()), ToQColor(kDefaultOriginateColor ^ 0xFFFFFF));
  EXPECT_EQ(At(image, view->ByteCellRect(9).topLeft()), ToQColor(kDefaultOriginateColor));

  const ReadoutRows rows = readout->CurrentRows();
  EXPECT_EQ(rows[0].text, "Byte # 8    ");
  EXPECT_EQ(rows[2].text, "Ascii: I      ");
  const QImage panel = readout->viewport()->grab().toImage();
  SaveShot(panel, "readout-hover");
  const int h = readout->RowHeight();
  EXPECT_EQ(panel.pixelColor(panel.width() - 2, h / 2), ToQColor(kDefaultOriginateColor));
  EXPECT_EQ(panel.pixelColor(panel.width() - 2, 5 * h + h / 2), QColor(Qt::white));

  view->ClearHoverMark();
  image = Shot();
  EXPECT_EQ(view->HoverIndex(), -1);
  EXPECT_EQ(At(image, cell.topLeft()), ToQColor(kDefaultOriginateColor));
}

TEST_F(SessionViewTest, DoubleClickSetsMovesAndClearsTheMarker) {
  FillCall(2);
  view->Refresh();
  Shot();
  const QRect first = view->ByteCellRect(3);
  const QRect second = view->ByteCellRect(12);
  Send(QEvent::MouseButtonDblClick, first.center());
  EXPECT_EQ(LinkFields(store()).currentRecordIndex, 3);
  QImage image = Shot();
  SaveShot(image, "session-marker");
  EXPECT_EQ(At(image, first.topLeft()), ToQColor(kDefaultMarkerColor));
  EXPECT_EQ(readout->CurrentRows()[13].text, "Marker byte # 3    ");
  Send(QEvent::MouseButtonDblClick, second.center());
  EXPECT_EQ(LinkFields(store()).currentRecordIndex, 12);
  Send(QEvent::MouseButtonDblClick, second.center());
  EXPECT_EQ(LinkFields(store()).currentRecordIndex, -1);
  Send(QEvent::MouseButtonDblClick, first.center());
  EXPECT_EQ(LinkFields(store()).currentRecordIndex, 3);
  // Beside every byte of a data line.
  const QRect last = view->ByteCellRect(LinkFields(store()).captureBuffer.GetSize() - 1);
  Send(QEvent::MouseButtonDblClick, QPoint(view->viewport()->width() - 4, last.center().y()));
  EXPECT_EQ(LinkFields(store()).currentRecordIndex, -1);
}

TEST_F(SessionViewTest, WheelIgnoredWhileCapturingAndSameWidthResizeKeepsTheLayout) {
  FillCall(60);
  view->Refresh();
  Shot();
  QScrollBar* bar = view->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  auto wheel = [&] {
    QWheelEvent event(QPointF(100, 100), view->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &event);
  };
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Running; });
  wheel();
  EXPECT_EQ(bar->value(), 0);
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
  wheel();
  EXPECT_GT(bar->value(), 0);

  const int layouts = view->FullLayouts();
  view->resize(view->width(), view->height() + 60);
  QApplication::processEvents();
  EXPECT_EQ(view->FullLayouts(), layouts);
  view->resize(view->width() + 40, view->height());
  QApplication::processEvents();
  EXPECT_EQ(view->FullLayouts(), layouts + 1);
}

TEST_F(SessionViewTest, LiveRefreshAppendsAndFollowsTheEnd) {
  FillCall(5);
  view->Refresh();
  Shot();
  const int layouts = view->FullLayouts();
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Running; });
  view->StartLiveRefresh();
  EXPECT_TRUE(view->LiveRefreshRunning());
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    for (int k = 0; k < 4000; ++k) AddByte(store(), 'x', k % 2 == 0);
    UpdateLastCount(store());
  }
  const int total = LinkFields(store()).captureBuffer.GetSize();
  ASSERT_TRUE(apptest::Eventually([&] { return view->Layout().WalkedRecords() == total; }, 5000));
  QScrollBar* bar = view->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(view->FullLayouts(), layouts);  // only the new records were laid out
  EXPECT_NE(view->Layout().Lines()[0].headerText.find(std::to_string(total) + " bytes"), std::string::npos);
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
  ASSERT_TRUE(apptest::Eventually([&] { return !view->LiveRefreshRunning(); }, 5000));
}

TEST_F(SessionViewTest, EmptiedOrOddCapturesPaintAndHoverCleanly) {
  FillCall(4);
  view->Refresh();
  Shot();
  const QRect cell = view->ByteCellRect(20);
  // The worker empties the arrays after the layout: painting and hovering must not read them.
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    LinkFields(store()).captureBuffer.RemoveAll();
  }
  QImage image = view->viewport()->grab().toImage();
  EXPECT_EQ(At(image, cell.topLeft()), QColor(Qt::white));
  Send(QEvent::MouseMove, cell.center());
  readout->viewport()->grab();
  store().ClearCapture();
  view->Refresh();
  image = Shot();
  EXPECT_TRUE(view->Layout().Lines().empty());
  EXPECT_EQ(At(image, QPoint(10, 10)), QColor(Qt::white));

  // Records and no header, and a marker far beyond the capture.
  for (int k = 0; k < 50; ++k) AddByte(store(), static_cast<UCHAR>(k), k % 3 == 0);
  LinkFields(store()).currentRecordIndex = INT_MAX;
  view->Refresh();
  image = Shot();
  ASSERT_FALSE(view->Layout().Lines().empty());
  EXPECT_EQ(view->Layout().Lines()[0].lineType, kDataLine);
  Send(QEvent::MouseMove, view->ByteCellRect(0).center());
  EXPECT_EQ(LinkFields(store()).cursorRecordIndex, 0);
  const ReadoutRows rows = readout->CurrentRows();
  EXPECT_EQ(rows[0].text, "Byte # 0    ");
  EXPECT_EQ(rows[13].fill, FromQColor(Qt::white));  // the marker counts as none
  readout->viewport()->grab();
}

TEST_F(SessionViewTest, TracePanelOnlySwitchesTheMode) {
  readout->DrawTracePanel();
  EXPECT_EQ(readout->Mode(), CORUTimingView::DisplayMode::SignalTrace);
  readout->Refresh();
  EXPECT_EQ(readout->Mode(), CORUTimingView::DisplayMode::SignalTrace);
  readout->DrawCapturePanel();
  EXPECT_EQ(readout->Mode(), CORUTimingView::DisplayMode::Capture);
  EXPECT_EQ(readout->verticalScrollBar()->maximum(),
            std::max(0, kReadoutRows * readout->RowHeight() - readout->viewport()->height()));
}

}  // namespace
