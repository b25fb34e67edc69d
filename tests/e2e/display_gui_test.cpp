#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include <climits>
#include <mutex>

#include "display/RegisterDisplayViews.h"
#include "display/SessionView.h"
#include "display/TimingView.h"
#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/OruApp.h"
#include "shell/views/PlaceholderViews.h"
#include "tests/shell/AppFixture.h"

namespace {

using apptest::Eventually;

class DisplayGuiTest : public apptest::AppFixture {
 protected:
  bool StartWith(const char* scenario) {
    instrumentOptions.scenario = scenario;
    beforeInit = [](CORUpc144App& app) {
      RegisterDisplayViews(app.viewFactory);
      // The capture display alone: the panel's stand-in shows no end-of-capture box.
      app.viewFactory.Register<ViewSlot::ControlPanel>([](ViewContext& a, QWidget* p) {
        return static_cast<IControlPanel*>(CreatePlaceholderView(ViewSlot::ControlPanel, a, p));
      });
    };
    if (!Start()) return false;
    view = dynamic_cast<CORUSessionView*>(app().Views().sessionView.get());
    readout = dynamic_cast<CORUTimingView*>(app().Views().captureTimingView.get());
    return view != nullptr && readout != nullptr;
  }
  CORUData& store() { return app().dataStore; }
  // As the control panel's "Capture" does.
  void Capture() {
    app().PostToWorker(WM_ORU_SET_CONFIG, 0x1C0);
    app().PostToWorker(WM_ORU_START_CAPTURE);
  }
  void Hover(QPoint point) {
    QMouseEvent event(QEvent::MouseMove, QPointF(point), view->viewport()->mapToGlobal(QPointF(point)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &event);
  }

  CORUSessionView* view = nullptr;
  CORUTimingView* readout = nullptr;
};

TEST_F(DisplayGuiTest, TextCallGrowsLiveAndStopsAtTheEnd) {
  instrumentOptions.clock.perCommand = sim::millis(500);  // the call starts 12.5 s in
  ASSERT_TRUE(StartWith("v22bis-async"));
  Capture();
  // The worker's 2033 starts the refresh; 2038 stops it, and what arrived last is laid out.
  ASSERT_TRUE(Eventually([&] { return view->LiveRefreshStarts() > 0; }));
  ASSERT_TRUE(Eventually([&] { return store().endOfCaptureCode != 0 && !view->LiveRefreshRunning(); }, 60000));
  ASSERT_TRUE(Eventually([&] {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    return view->Layout().WalkedRecords() == LinkFields(store()).captureBuffer.GetSize();
  }));
  std::lock_guard guard(LinkFields(store()).dataMutex);
  EXPECT_GT(LinkFields(store()).captureBuffer.GetSize(), 100);
  ASSERT_GT(LinkFields(store()).captureHeaders.GetSize(), 0);
  EXPECT_EQ(view->Layout().Lines().front().lineType, kHeaderLine);
}

TEST_F(DisplayGuiTest, ModemEventCallHoverShowsTheDecodedEvent) {
  ASSERT_TRUE(StartWith("v32bis-events"));
  LinkFields(store()).showModemEvents = 1;
  Capture();
  ASSERT_TRUE(Eventually([&] { return store().Run().captureRunning(); }));
  ASSERT_TRUE(Eventually([&] { return !store().Run().captureRunning() && !view->LiveRefreshRunning(); }));
  EXPECT_EQ(view->LiveRefreshStarts(), 1);
  EXPECT_GT(view->LiveTicks(), 0);
  view->Refresh();
  view->EnsureLayout();
  int event = -1;
  {
    std::lock_guard guard(LinkFields(store()).dataMutex);
    for (int i = 0; i < LinkFields(store()).captureBuffer.GetSize() && event == -1; ++i)
      if (LinkFields(store()).captureBuffer[i].markerShown == 1) event = i;
  }
  ASSERT_NE(event, -1);
  const QRect cell = view->ByteCellRect(event);
  ASSERT_FALSE(cell.isEmpty());
  Hover(cell.center());
  EXPECT_EQ(LinkFields(store()).cursorRecordIndex, event);
  const ReadoutRows rows = readout->CurrentRows();
  EXPECT_EQ(rows[0].text.rfind("Modem event # 0", 0), 0u) << rows[0].text;
  EXPECT_EQ(rows[2].text, "2100Hz detected");
  EXPECT_EQ(rows[4].text, "transmit 2100 AnsTone");
  EXPECT_EQ(rows[0].fill, 0x0000FFu);
  if (const QByteArray folder = qgetenv("QV_DISPLAY_SHOTS"); !folder.isEmpty()) {
    view->window()->grab().save(QString::fromUtf8(folder) + "/capture-tab-modem-event.png");
  }

  // Emptied while shown: the next refresh lays everything out afresh, with no stale line.
  const int layouts = view->FullLayouts();
  store().ClearCapture();
  view->Refresh();
  view->EnsureLayout();
  EXPECT_EQ(view->FullLayouts(), layouts + 1);
  EXPECT_TRUE(view->Layout().Lines().empty());
  Hover(cell.center());
  view->viewport()->grab();
  readout->viewport()->grab();
}

// Every data line of the layout names records that the capture holds now.
::testing::AssertionResult LinesWithinCapture(const SessionLayout& layout, int records) {
  for (const CORUSessionLine& line : layout.Lines()) {
    if (line.IsData() && (line.firstByte < 0 || line.lastByte >= records || line.firstByte > line.lastByte))
      return ::testing::AssertionFailure() << "line " << line.firstByte << ".." << line.lastByte << " of " << records;
  }
  return ::testing::AssertionSuccess();
}

TEST_F(DisplayGuiTest, ClearCaptureDuringTheLiveRefreshLaysOutAfreshWithNoStaleLine) {
  ASSERT_TRUE(StartWith("v32bis-events"));
  Capture();
  ASSERT_TRUE(Eventually(
      [&] {
        std::lock_guard guard(LinkFields(store()).dataMutex);
        return view->LiveRefreshRunning() && LinkFields(store()).captureBuffer.GetSize() > 0;
      },
      60000));
  const int layouts = view->FullLayouts();
  const int ticks = view->LiveTicks();
  store().ClearCapture();
  ASSERT_TRUE(Eventually([&] { return view->LiveTicks() > ticks + 1 || !view->LiveRefreshRunning(); }, 60000));
  view->EnsureLayout();
  EXPECT_GT(view->FullLayouts(), layouts);
  std::lock_guard guard(LinkFields(store()).dataMutex);
  EXPECT_TRUE(LinesWithinCapture(view->Layout(), LinkFields(store()).captureBuffer.GetSize()));
  EXPECT_LE(view->Layout().WalkedRecords(), LinkFields(store()).captureBuffer.GetSize());
}

TEST_F(DisplayGuiTest, FilesWithoutHeadersOrWithAHugeMarkerPaintAndHoverCleanly) {
  ASSERT_TRUE(StartWith("v32bis-events"));
  {
    CORUData noHeader;
    for (int i = 0; i < 300; ++i)
      LinkFields(noHeader).captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(i),
                                                      static_cast<UCHAR>(i % 3 ? CAPT_ANSWER : 0),
                                                      static_cast<ULONG>(i), static_cast<ULONG>(i / 10)));
    ASSERT_EQ(SaveDocumentFile(Path("noheader.hsc").toStdString(), noHeader, DocumentType::Capture, FileSettings{}),
              FileStatus::Ok);
    CORUData hugeMarker;
    apptest::FillCapture(hugeMarker, 80, 5);
    LinkFields(hugeMarker).currentRecordIndex = 0x7FFFFFF0;
    ASSERT_EQ(SaveDocumentFile(Path("marker.hsc").toStdString(), hugeMarker, DocumentType::Capture, FileSettings{}),
              FileStatus::Ok);
  }
  for (const char* name : {"noheader.hsc", "marker.hsc"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(app().OpenDocumentFile(Path(name)));
    view->Refresh();
    view->EnsureLayout();
    int records = 0;
    {
      std::lock_guard guard(LinkFields(store()).dataMutex);
      records = LinkFields(store()).captureBuffer.GetSize();
      EXPECT_TRUE(LinesWithinCapture(view->Layout(), records));
      EXPECT_EQ(view->Layout().WalkedRecords(), records);
    }
    ASSERT_GT(records, 0);
    EXPECT_LT(LinkFields(store()).currentRecordIndex, records);
    EXPECT_FALSE(view->viewport()->grab().isNull());
    const QRect cell = view->ByteCellRect(0);
    ASSERT_FALSE(cell.isEmpty());
    Hover(cell.center());
    EXPECT_EQ(LinkFields(store()).cursorRecordIndex, 0);
    EXPECT_FALSE(readout->CurrentRows()[0].text.empty());
    EXPECT_FALSE(readout->viewport()->grab().isNull());
  }
}

}  // namespace
