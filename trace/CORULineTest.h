#pragma once

// CORULineTest: the VOLT METER tab's form (template IDD_LINE_TEST). It starts the instrument's line test,
// shows the worker's three result texts and draws a DC and an AC bar meter. Each reading is a
// target that a damped, slew-limited filter approaches in 30 ms ticks; a tick repaints a meter
// only when its bar moved. Each meter is composed in an image inside its paint event.

#include <QFont>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <optional>

#include "shell/views/ViewInterfaces.h"
#include "trace/model/MeterRules.h"

struct ViewContext;
class QLabel;
class QRadioButton;

class CORULineTest final : public QWidget, public IVoltMeterView {
  Q_OBJECT
 public:
  static constexpr int kMeterTimerMs = 30;  // ID_TIMER_METER

  CORULineTest(ViewContext& context, QWidget* parent);
  ~CORULineTest() override;

  // IVoltMeterView
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override;
  void OnUpdate() override;
  void StartStopTest() override;
  void AbortTest() override;
  void OnLineTestReply(const notify::LineTestReading& reading) override;

  void OnLine1();
  void OnLine2();
  void OnLine3();
  void OnVpp() { OnUnit(0); }
  void OnDbm() { OnUnit(1); }
  // One meter tick: both filters step; a meter whose bar moved is repainted.
  void OnTimer();

  bool MeterRunning() const { return timer_.isActive(); }
  const MeterFilter& DcFilter() const { return dc_.filter; }
  const MeterFilter& AcFilter() const { return ac_.filter; }
  const MeterScale& DcScale() const { return dc_.scale; }
  const MeterScale& AcScale() const { return ac_.scale; }
  std::optional<MeterBar> DcBar() const { return dc_.bar; }
  std::optional<MeterBar> AcBar() const { return ac_.bar; }
  // The composed image of the last paint of each meter.
  const QImage& DcImage() const { return dc_.image; }
  const QImage& AcImage() const { return ac_.image; }
  int Ticks() const { return ticks_; }
  int Replies() const { return replies_; }
  int Repaints() const { return repaints_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Meter {
    QWidget* surface = nullptr;
    MeterFilter filter;
    MeterScale scale;
    std::optional<MeterBar> bar;  // from the latest filter output
    QImage image;                 // the last paint: the scale and the bar
    QImage scaleImage;            // the scale alone
    bool scaleDrawn = false;
  };

  void OnUnit(int unit);
  void ShowTexts();
  void SetAcControlsVisible(bool visible);
  void PrepareMeters();  // the scales for the surfaces' sizes and the AC unit
  void StepMeter(Meter& meter);
  void DrawScale(Meter& meter);
  void PaintMeter(Meter& meter);
  void Layout();

  ViewContext& context_;
  QRadioButton* lines_[3] = {};
  QRadioButton* vpp_ = nullptr;
  QRadioButton* dbm_ = nullptr;
  QLabel* statusLabel_ = nullptr;  // IDC_LINE_STATUS
  QLabel* dcLabel_ = nullptr;      // IDC_DC_VALUE
  QLabel* acLabel_ = nullptr;      // IDC_AC_VALUE
  QWidget* group_ = nullptr;       // IDC_LINE_TEST_GROUP
  int formLine_ = -1;
  int formUnit_ = -1;
  Meter dc_;
  Meter ac_;
  QFont labelFont_;
  QTimer timer_;
  int ticks_ = 0;
  int replies_ = 0;
  bool textsDue_ = false;
  int shownLine_ = -1;  // what the radios showed after the last reply
  int shownUnit_ = -1;
  int repaints_ = 0;
};
