#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <mutex>

#include "resources/data/ResourceIds.h"
#include "shell/OruApp.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FontCheck.h"
#include "trace/CORUSignalTrace.h"
#include "trace/CORUTraceControl.h"
#include "trace/RegisterTraceViews.h"
#include "trace/model/Threshold.h"
#include "shell/model/StateSync.h"
#include "trace/model/TraceControlRules.h"
#include "trace/model/TraceWalk.h"
#include "link/store/LinkAccess.h"

namespace {

class SignalTraceView : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::QtApplication();
    app = std::make_unique<CORUpc144App>(StartupRecord{});
    view = new CORUSignalTrace(app->viewContext(), nullptr);
    view->resize(587, 500);
    view->show();
  }
  void TearDown() override {
    delete view;
    app.reset();
  }

  // A trace as the worker leaves it: `count` samples recorded on `scale`, 10 s span.
  void LoadTrace(int count, long scale, int amplitude = 40) {
    CORUData& store = app->dataStore;
    auto& fields = LinkFields(store);
    std::lock_guard lock(fields.dataMutex);
    fields.traceSamples.RemoveAll();
    for (int i = 0; i < count; ++i) {
      fields.traceSamples.Add(static_cast<int>(amplitude * std::sin(i / 25.0)) + (scale < 2 ? 0 : amplitude));
    }
    fields.currentTrace.scaleIndex = scale;
    fields.currentTrace.spanIndex = 1;
    fields.sysCfg.value1 = 0.02;
    fields.sysCfg.value2 = -0.5;
    app->settings.traceScale = scale;
    app->settings.traceSpan = 1;
  }

  void Draw() {
    view->RedrawAxisPanels();
    view->RefreshScope();
  }

  QPoint InScope(int x, int y) const { return view->ScopeArea()->geometry().topLeft() + QPoint(x, y); }

  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), view->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
  }

  const QImage& Scope() const { return view->Scope().Image(); }

  std::unique_ptr<CORUpc144App> app;
  CORUSignalTrace* view = nullptr;
};

TEST_F(SignalTraceView, FontsAndAreasAtTemplateSizes) {
  ASSERT_TRUE(CourierNewIsFixedPitch());
  const QString family = QFontInfo(view->AxisFontUsed()).family();
  EXPECT_TRUE(family.contains("Arial") || family.contains("Liberation Sans")) << family.toStdString();
  EXPECT_EQ(view->VoltPanel()->geometry(), QRect(0, 50, 57, 362));
  EXPECT_EQ(view->ScopeArea()->geometry(), QRect(57, 50, 530, 362));
  EXPECT_EQ(view->TimePanel()->pos(), QPoint(57, 412));
  EXPECT_EQ(view->TimePanel()->width(), 530);
  view->resize(900, 700);
  EXPECT_EQ(view->ScopeArea()->size(), QSize(530, 362));  // a resize only moves the areas
}

TEST_F(SignalTraceView, EmptyTraceDrawsOnlyTheGuides) {
  Draw();
  const ScopeState& s = view->Scope().state;
  const LogicalMapper& m = s.Mapper();
  const int zeroPx = m.LogicalToPixelsY(-s.zeroY);
  EXPECT_EQ(Scope().pixelColor(300, zeroPx), QColor(192, 192, 192));
  EXPECT_EQ(Scope().pixelColor(m.LogicalToPixelsX(s.traceStartX), 30), QColor(192, 192, 192));
  EXPECT_EQ(Scope().pixelColor(300, 30), QColor(255, 255, 255));
  EXPECT_EQ(LinkFields(app->dataStore).traceMarker1, -1);
  EXPECT_EQ(LinkFields(app->dataStore).traceMarker2, -1);
  EXPECT_FALSE(view->CanPrint());
}

// Every drawn point of the walk, in scope pixels.
std::vector<std::pair<int, QPoint>> WalkedPixels(CORUSignalTrace& view, CORUData& store) {
  std::vector<std::pair<int, QPoint>> out;
  const ScopeState& s = view.Scope().state;
  auto& fields = LinkFields(store);
  std::lock_guard lock(fields.dataMutex);
  const std::span<const int> samples(fields.traceSamples.GetData(), fields.traceSamples.GetSize());
  const PlotKind kind = PlotKindFor(fields.currentTrace.scaleIndex);
  WalkTrace(s.ScreenWalkSetup(kind), samples, [&](const WalkPoint& w) {
    if (w.n < 0) return;
    // The upper end on screen (a bar's ends swap with the factor's sign).
    const int y = std::min(s.Mapper().LogicalToPixelsY(-w.yTop), s.Mapper().LogicalToPixelsY(-w.yBottom));
    out.push_back({w.n, {s.Mapper().LogicalToPixelsX(w.x), y}});
  });
  return out;
}

TEST_F(SignalTraceView, DcLineWhereTheWalkPutsIt) {
  LoadTrace(1000, 0);
  Draw();
  const auto points = WalkedPixels(*view, app->dataStore);
  ASSERT_GT(points.size(), 1000u / 2);
  int checked = 0;
  for (size_t i = 10; i < points.size(); i += 97) {
    const QPoint p = points[i].second;
    EXPECT_EQ(Scope().pixelColor(p), QColor(0, 0, 0)) << points[i].first;
    ++checked;
  }
  EXPECT_GT(checked, 5);
}

TEST_F(SignalTraceView, AcBarsAndBeyondDataBand) {
  LoadTrace(300, 2);
  Draw();
  const auto points = WalkedPixels(*view, app->dataStore);
  ASSERT_FALSE(points.empty());
  // A bar's top pixel is black; guides are drawn over the bars.
  const QPoint top = points[40].second;
  EXPECT_EQ(Scope().pixelColor(top), QColor(0, 0, 0));
  EXPECT_EQ(Scope().pixelColor(top - QPoint(0, 2)), QColor(255, 255, 255));
  const ScopeState& s = view->Scope().state;
  const int zeroPx = s.Mapper().LogicalToPixelsY(-s.zeroY);
  EXPECT_EQ(Scope().pixelColor(points.back().second.x() + 40, zeroPx), QColor(192, 192, 192));
  // Beyond the data the black band lies under the zero guide; above it stays white.
  EXPECT_EQ(Scope().pixelColor(points.back().second.x() + 40, zeroPx - 20), QColor(255, 255, 255));
}

TEST_F(SignalTraceView, CrossHairInvertsAndMarkerCrossUsesTheMarkerColour) {
  LoadTrace(1000, 0);
  app->settings.markerColor = RGB(0, 0, 255);
  Draw();
  Send(QEvent::MouseMove, InScope(200, 30));
  Draw();
  EXPECT_EQ(Scope().pixelColor(200, 10), QColor(0, 0, 0));  // inverted white
  EXPECT_EQ(Scope().pixelColor(400, 30), QColor(0, 0, 0));
  EXPECT_EQ(view->Scope().state.cursorPoint, (IntPoint{200, 30}));

  Send(QEvent::MouseButtonDblClick, InScope(300, 100), Qt::LeftButton);
  EXPECT_EQ(LinkFields(app->dataStore).traceCursor1, 300);
  Draw();  // fills in the marker's y and sample
  Draw();
  ASSERT_NE(LinkFields(app->dataStore).traceMarker1, -1);
  const int markerY = LinkFields(app->dataStore).traceCursor2;
  // NOTXORPEN of blue on white gives blue.
  EXPECT_EQ(Scope().pixelColor(300, 5), QColor(0, 0, 255));
  EXPECT_EQ(Scope().pixelColor(100, markerY), QColor(0, 0, 255));

  Send(QEvent::MouseButtonDblClick, InScope(300, 10), Qt::LeftButton);
  EXPECT_EQ(LinkFields(app->dataStore).traceCursor1, -1);
  Draw();
  EXPECT_EQ(LinkFields(app->dataStore).traceMarker1, -1);
  EXPECT_NE(Scope().pixelColor(300, 5), QColor(0, 0, 255));
}

TEST_F(SignalTraceView, SnapMovesTheHorizontalLineToTheTrace) {
  LoadTrace(1000, 0);
  app->settings.traceSnap = 1;
  Draw();
  Send(QEvent::MouseMove, InScope(250, 20));
  EXPECT_TRUE(std::isnan(view->GetVoltageReading()));  // not snapped yet
  Draw();
  const IntPoint c = view->Scope().state.cursorPoint;
  ASSERT_NE(c.y, kUnsnappedY);
  EXPECT_NE(c.y, 20);
  // The line's pixel at the cursor x is on the trace; the cross-hair runs through it.
  EXPECT_EQ(Scope().pixelColor(100, c.y), QColor(0, 0, 0));
  EXPECT_FALSE(std::isnan(view->GetVoltageReading()));
  EXPECT_FALSE(std::isnan(view->GetTimeReading()));
  const int n = LinkFields(app->dataStore).traceMarker2;
  ASSERT_GE(n, 0);
}

TEST_F(SignalTraceView, ThresholdDragWritesDeltaV) {
  app->settings.traceTrigger = 3;
  app->settings.deltaV = 0;
  Draw();
  const QRect panel = view->VoltPanel()->geometry();
  Send(QEvent::MouseButtonPress, panel.topLeft() + QPoint(20, 0), Qt::LeftButton);
  ASSERT_TRUE(view->DraggingThreshold());
  Draw();
  EXPECT_EQ(app->settings.deltaV, 99);
  Send(QEvent::MouseMove, QPoint(20, panel.bottom()));
  Draw();
  EXPECT_EQ(app->settings.deltaV, -99);
  // The scope shows the same line in red across its width.
  const IntRect r = view->Scope().state.thresholdRect;
  ASSERT_NE(r.top, -1);
  EXPECT_EQ(Scope().pixelColor(400, r.top), QColor(255, 0, 0));
  Send(QEvent::MouseButtonRelease, QPoint(20, panel.bottom()), Qt::LeftButton);
  EXPECT_FALSE(view->DraggingThreshold());
  // Armed: no drag.
  app->dataStore.ExchangeRun([](RunState& run) { run.trace = TraceRun::TriggerArmed; });
  Send(QEvent::MouseButtonPress, panel.topLeft() + QPoint(20, 100), Qt::LeftButton);
  EXPECT_FALSE(view->DraggingThreshold());
  // Not dragging: the mark sits where DeltaV says and the scope's line is cleared.
  Draw();
  EXPECT_EQ(view->Scope().state.thresholdRect.top, -1);
  const LogicalMapper& m = view->Scope().state.Mapper();
  const AxisMarks marks = view->Scope().state.Marks();
  const int y = ThresholdMarkY(m.PixelsToLogicalY(panel.height()), marks.top, marks.bottom, -99);
  EXPECT_EQ(view->VoltPanelImage().pixelColor(30, m.LogicalToPixelsY(-y)), QColor(255, 0, 0));
  EXPECT_EQ(view->VoltPanelImage().pixelColor(30, m.LogicalToPixelsY(-y) - 6), QColor(240, 240, 240));
  // The trace control's voltage edit follows a drag.
  {
    app->dataStore.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
    CORUTraceControl control(app->viewContext(), nullptr);
    QObject::connect(view->Signals(), &ViewSignals::thresholdMoved, &control, &CORUTraceControl::UpdateVoltageLabel);
    auto* edit = qobject_cast<QLineEdit*>(control.Control(IDC_TRIGGER_VOLTAGE));
    ASSERT_NE(edit, nullptr);
    edit->clear();
    Send(QEvent::MouseButtonPress, panel.topLeft() + QPoint(20, 0), Qt::LeftButton);
    Draw();
    Send(QEvent::MouseButtonRelease, panel.topLeft() + QPoint(20, 0), Qt::LeftButton);
    EXPECT_EQ(edit->text().toStdString(), VoltageLabel(99, app->settings.traceScale));
  }
}

TEST_F(SignalTraceView, EmptyHooksDoNothing) {
  app->context.deviceHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(5));
  view->OnRecallTrace();
  view->ForwardToTraceRecall(2);
  int recalls = 0;
  view->traceRecallHook = [&] { ++recalls; };
  view->OnRecallTrace();
  EXPECT_EQ(recalls, 1);
  app->context.deviceHandle = INVALID_HANDLE_VALUE;
}

TEST_F(SignalTraceView, TimerRunsBetweenActivateAndDeactivate) {
  LoadTrace(1000, 0);
  view->ActivateTrace();
  EXPECT_TRUE(view->TimerRunning());
  ASSERT_TRUE(apptest::Eventually([&] { return !view->TimePanelImage().isNull(); }, 5000));
  view->DeactivateTrace();
  EXPECT_FALSE(view->TimerRunning());
}

TEST_F(SignalTraceView, IntakeFullStopsTheTimer) {
  view->ActivateTrace();
  CORUData& store = app->dataStore;
  for (int i = 0; i < 1001; ++i) {
    view->AddTraceBlock({store.StreamBuffer(i % 2), i % 2});
  }
  EXPECT_EQ(LinkFields(store).traceBlockCount, 1000);
  EXPECT_FALSE(view->TimerRunning());
  view->AddTraceBlock({nullptr, 0});
  view->AddTraceBlock({store.StreamBuffer(0), 2});
  EXPECT_EQ(LinkFields(store).traceBlockCount, 1000);
}

TEST_F(SignalTraceView, PrintedPageKeepsSamplesInsideTheArea) {
  auto printed = [&](int amplitude, long scale) {
    LoadTrace(1000, scale, amplitude);
    QImage page(850, 1100, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    view->PrintPage(painter, page.rect(), 100, 100, 1, 1);
    return page;
  };
  for (long scale : {0L, 2L}) {
    // What a trace far beyond the scale adds to a flat one's page lies inside the area: at 100 dpi
    // one unit is one pixel, and the area runs from y 100 to 462.
    const QImage flat = printed(0, scale);
    const QImage wild = printed(100000, scale);
    int added = 0;
    for (int y = 0; y < flat.height(); ++y) {
      for (int x = 0; x < flat.width(); ++x) {
        if (flat.pixel(x, y) == wild.pixel(x, y)) continue;
        ++added;
        ASSERT_GE(y, 100) << x << " scale " << scale;
        ASSERT_LE(y, 462) << x << " scale " << scale;
      }
    }
    EXPECT_GT(added, 500) << scale;
  }
}

TEST_F(SignalTraceView, NoCrossPrintedWithoutAMarker) {
  LoadTrace(1000, 0);
  app->settings.markerColor = RGB(0, 0, 255);
  Draw();
  auto bluePixels = [&] {
    QImage page(850, 1100, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    view->PrintPage(painter, page.rect(), 100, 100, 1, 1);
    painter.end();
    int blue = 0;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x) blue += page.pixelColor(x, y) == QColor(0, 0, 255);
    return blue;
  };
  EXPECT_EQ(bluePixels(), 0);
  LinkFields(app->dataStore).traceCursor1 = 300;
  LinkFields(app->dataStore).traceMarker1 = 400;
  EXPECT_GT(bluePixels(), 300);
}

TEST_F(SignalTraceView, PrintsOnePageToPdf) {
  QTemporaryDir dir;
  const QString path = dir.filePath("trace.pdf");
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    view->Print(printer);  // nothing held: no job
  }
  EXPECT_FALSE(QFile::exists(path));
  LoadTrace(1000, 2);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  view->Print(printer);
  ASSERT_TRUE(QFile::exists(path));
  const QByteArray pdf = apptest::FileBytes(path);
  EXPECT_TRUE(pdf.startsWith("%PDF"));
  EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
}

TEST(TraceRegistration, FillsTheSignalTraceSlot) {
  ViewFactory factory;
  EXPECT_FALSE(factory.IsRegistered(ViewSlot::SignalTrace));
  RegisterTraceViews(factory);
  EXPECT_TRUE(factory.IsRegistered(ViewSlot::SignalTrace));
}

}  // namespace

namespace {

// QV_TRACE_SHOT=<folder> writes the tab's picture and the printed page there, for a look.
TEST_F(SignalTraceView, RendersAPicture) {
  LoadTrace(1000, 0);
  app->settings.markerColor = RGB(255, 0, 0);
  app->settings.traceTrigger = 3;
  app->settings.deltaV = 30;
  Draw();
  Send(QEvent::MouseMove, InScope(250, 120));
  Send(QEvent::MouseButtonDblClick, InScope(180, 100), Qt::LeftButton);
  Draw();
  Draw();
  const QImage shot = view->grab().toImage();
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size(), view->size());
  QImage page(850, 1100, QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    QPainter painter(&page);
    view->PrintPage(painter, page.rect(), 100, 100, 1, 1);
  }
  const QByteArray folder = qgetenv("QV_TRACE_SHOT");
  if (!folder.isEmpty()) {
    shot.save(QString::fromLocal8Bit(folder) + "/trace_view.png");
    page.save(QString::fromLocal8Bit(folder) + "/trace_page.png");
    LoadTrace(300, 2);
    Draw();
    view->grab().toImage().save(QString::fromLocal8Bit(folder) + "/trace_ac.png");
  }
}

}  // namespace
