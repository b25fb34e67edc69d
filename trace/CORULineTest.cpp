#include "trace/CORULineTest.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>

#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "trace/FormFonts.h"
#include "trace/model/TraceControlRules.h"

namespace {

constexpr int kLineIds[3] = {IDC_LINE1, IDC_LINE2, IDC_LINE3};
constexpr int kGroupHeight = 200;

const QColor kWindow(255, 255, 255);      // COLOR_WINDOW
const QColor kWindowText(0, 0, 0);        // COLOR_WINDOWTEXT
const QColor kButtonFace(240, 240, 240);  // COLOR_BTNFACE
const QColor kBarColor(0, 0, 255);
constexpr int kBarWidth = 12;

QString Latin(const std::string& text) { return QString::fromLatin1(text.c_str()); }

}  // namespace

CORULineTest::CORULineTest(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  ApplyTemplate(this, IDD_LINE_TEST);
  for (int i = 0; i < 3; ++i) lines_[i] = FindControlAs<QRadioButton>(this, kLineIds[i]);
  vpp_ = FindControlAs<QRadioButton>(this, IDC_VPP);
  dbm_ = FindControlAs<QRadioButton>(this, IDC_DBM);
  statusLabel_ = FindControlAs<QLabel>(this, IDC_LINE_STATUS);
  dcLabel_ = FindControlAs<QLabel>(this, IDC_DC_VALUE);
  acLabel_ = FindControlAs<QLabel>(this, IDC_AC_VALUE);
  group_ = FindControl(this, IDC_LINE_TEST_GROUP);
  dc_.surface = FindControl(this, IDC_DC_BAR);
  ac_.surface = FindControl(this, IDC_AC_BAR);
  labelFont_ = FormLabelFont();
  for (QLabel* label : {statusLabel_, dcLabel_, acLabel_})
    if (label) label->setFont(labelFont_);
  for (QWidget* surface : {dc_.surface, ac_.surface}) {
    if (surface == nullptr) continue;
    surface->setAttribute(Qt::WA_OpaquePaintEvent);
    surface->installEventFilter(this);
  }
  if (lines_[0]) connect(lines_[0], &QRadioButton::clicked, this, [this] { OnLine1(); });
  if (lines_[1]) connect(lines_[1], &QRadioButton::clicked, this, [this] { OnLine2(); });
  if (lines_[2]) connect(lines_[2], &QRadioButton::clicked, this, [this] { OnLine3(); });
  if (vpp_) connect(vpp_, &QRadioButton::clicked, this, [this] { OnVpp(); });
  if (dbm_) connect(dbm_, &QRadioButton::clicked, this, [this] { OnDbm(); });
  timer_.setInterval(kMeterTimerMs);
  connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
  Layout();
}

CORULineTest::~CORULineTest() {
  timer_.stop();
  if (context_.host.Views().lineTestView.get() == this) context_.host.Views().lineTestView.Set(nullptr);
}

QWidget* CORULineTest::Control(int id) { return FindControl(this, id); }

// ---- starting and stopping ----------------------------------------------------------------------

void CORULineTest::StartStopTest() {
  CORUData& store = context_.store;
  bool noDevice = false;
  // The run state holds still under the lock: the worker cannot end the test in between.
  store.WithData([&](const DataScope& data) {
    if (!context_.link.DeviceOpen()) {
      noDevice = !data.Run().lineTestRunning();
    } else if (!data.Run().lineTestRunning()) {
      // Entering the tab never stops a test that runs: the tab switch relies on it.
      store.selectedLine = kTraceLineBoth;
      formLine_ = kTraceLineBoth;
      OnLine3();
      context_.worker.Post(WM_ORU_START_LINE_TEST, kTraceLineBoth, 0);
    }
  });
  if (noDevice) context_.prompts.MessageBox("No USB connection to ORUpc", "COMM Error", MB_SYSTEMMODAL);
  PrepareMeters();
  timer_.start();
  dc_.filter.Zero();
}

void CORULineTest::AbortTest() {
  CORUData& store = context_.store;
  if (store.Run().lineTestRunning()) {
    store.statusText.Set("Aborting line test");
    context_.worker.Post(WM_ORU_STOP_LINE_TEST, 0, 0);
  }
  timer_.stop();
}

// ---- radios -------------------------------------------------------------------------------------

void CORULineTest::SetAcControlsVisible(bool visible) {
  for (QWidget* control : std::initializer_list<QWidget*>{ac_.surface, acLabel_, dbm_, vpp_})
    if (control) control->setVisible(visible);
}

void CORULineTest::OnLine1() {
  context_.store.selectedLine = 1;
  formLine_ = 1;
  SetAcControlsVisible(true);
}

void CORULineTest::OnLine2() {
  context_.store.selectedLine = 2;
  formLine_ = 2;
  SetAcControlsVisible(true);
}

void CORULineTest::OnLine3() {
  // Line 3 has no AC meter; a start sets the form's line first, and so keeps it shown.
  if (formLine_ == 1 || formLine_ == 2) SetAcControlsVisible(false);
  context_.store.selectedLine = 3;
  formLine_ = 3;
}

void CORULineTest::OnUnit(int unit) {
  context_.store.acUnit = unit;
  formUnit_ = unit;
  ac_.filter.Zero();
  PrepareMeters();
  if (ac_.surface) ac_.surface->update();
}

// ---- readings and ticks ---------------------------------------------------------------------------

void CORULineTest::OnUpdate() {
  const int line = context_.store.selectedLine;
  const int checked = line >= 1 && line <= 3 ? line : 1;
  for (int i = 0; i < 3; ++i)
    if (lines_[i]) lines_[i]->setChecked(i + 1 == checked);
  const bool dbm = context_.store.acUnit == 1;
  if (dbm_) dbm_->setChecked(dbm);
  if (vpp_) vpp_->setChecked(!dbm);
}

void CORULineTest::OnLineTestReply(const notify::LineTestReading&) {
  ++replies_;
  // The radios follow the line and the unit; a reply that changes neither leaves them.
  const int line = context_.store.selectedLine;
  const int unit = context_.store.acUnit;
  if (line != shownLine_ || unit != shownUnit_) {
    OnUpdate();
    shownLine_ = line;
    shownUnit_ = unit;
  }
  CORUData& store = context_.store;
  dc_.filter.SetReading(MeterReading(store.dcValueText.Get()));
  ac_.filter.SetReading(MeterReading(store.acValueText.Get()));
  // The worker reads as fast as the instrument answers (hundreds a second); the texts are shown
  // at the next tick, so a label is laid out at most once per tick.
  textsDue_ = true;
}

void CORULineTest::ShowTexts() {
  textsDue_ = false;
  CORUData& store = context_.store;
  const std::pair<QLabel*, const SharedText*> texts[] = {
      {acLabel_, &store.acValueText}, {dcLabel_, &store.dcValueText}, {statusLabel_, &store.lineStatusText}};
  for (const auto& [label, text] : texts) {
    if (label == nullptr) continue;
    const QString shown = Latin(text->Get());
    if (label->text() != shown) label->setText(shown);
  }
}

void CORULineTest::StepMeter(Meter& meter) {
  const std::optional<MeterBar> bar = BarForValue(meter.scale, meter.filter.Step());
  if (bar == meter.bar) return;
  meter.bar = bar;
  if (meter.surface != nullptr && meter.surface->isVisible()) meter.surface->update();
}

void CORULineTest::OnTimer() {
  ++ticks_;
  if (textsDue_) ShowTexts();
  StepMeter(dc_);
  StepMeter(ac_);
}

// ---- drawing --------------------------------------------------------------------------------------

void CORULineTest::PrepareMeters() {
  const QFontMetrics metrics(labelFont_);
  auto width = [&](const char* label) { return metrics.horizontalAdvance(QString::fromLatin1(label)); };
  const MeterKind acKind = context_.store.acUnit == 1 ? MeterKind::AcDbm : MeterKind::AcVpp;
  for (auto [meter, kind] : {std::pair{&dc_, MeterKind::Dc}, std::pair{&ac_, acKind}}) {
    if (meter->surface == nullptr) continue;
    meter->scale = LayoutMeterScale(kind, meter->surface->width(), meter->surface->height(), width);
    meter->scaleDrawn = false;
    meter->bar = BarForValue(meter->scale, meter->filter.Output());
  }
}

bool CORULineTest::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    Meter* meter = watched == dc_.surface ? &dc_ : watched == ac_.surface ? &ac_ : nullptr;
    if (meter != nullptr) {
      PaintMeter(*meter);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CORULineTest::DrawScale(Meter& meter) {
  const QSize size = meter.surface->size();
  meter.scaleImage = QImage(size, QImage::Format_RGB32);
  meter.scaleImage.fill(kWindow);
  QPainter painter(&meter.scaleImage);
  painter.setFont(labelFont_);
  const QFontMetrics metrics(labelFont_);
  painter.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
  painter.setPen(kWindowText);
  for (const MeterTick& tick : meter.scale.ticks)
    painter.drawLine(tick.x, meter.scale.baseline, tick.x, meter.scale.baseline - tick.height);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(kButtonFace);
  for (const MeterTick& tick : meter.scale.ticks) {
    if (tick.label == nullptr) continue;
    const QString label = QString::fromLatin1(tick.label);
    const int width = metrics.horizontalAdvance(label);
    painter.drawText(tick.x - width / 2, meter.scale.labelY + metrics.ascent(), label);
  }
  meter.scaleDrawn = true;
}

void CORULineTest::PaintMeter(Meter& meter) {
  ++repaints_;
  // The scale changes only with the surface's size or the AC unit; it is drawn once for them.
  if (!meter.scaleDrawn || meter.scaleImage.size() != meter.surface->size()) DrawScale(meter);
  meter.image = meter.scaleImage.copy();
  if (meter.bar && meter.bar->x0 != meter.bar->x1) {
    QPainter painter(&meter.image);
    // The bar merges with the inverted background, as the meters always looked: the ticks and
    // labels it crosses turn white.
    painter.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
    painter.setPen(QPen(kBarColor, kBarWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(meter.bar->x0, meter.bar->y, meter.bar->x1, meter.bar->y);
  }
  QPainter out(meter.surface);
  out.drawImage(0, 0, meter.image);
}

void CORULineTest::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CORULineTest::Layout() {
  if (statusLabel_ == nullptr) return;
  const QRect client = rect();
  if (lines_[0]) lines_[0]->move(client.left() + 10, client.top() + 10);
  if (lines_[1]) lines_[1]->move(75, client.top() + 10);
  if (lines_[2]) lines_[2]->move(150, client.top() + 10);
  for (QWidget* surface : {dc_.surface, ac_.surface})
    if (surface) surface->resize(client.width() - 20, surface->height());
  if (group_) group_->setGeometry(client.left() + 5, client.top() + 35, client.right() - 7, kGroupHeight);
  PrepareMeters();
  update();
}
