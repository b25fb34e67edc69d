#pragma once

// CORUDevelop: the non-modal "Development / Debug" dialog (template IDD_DEVELOP) that the main frame owns
// and shows on ID_DEVELOPMENT. Bench work on the instrument: raw sends and reads, the receive
// list and its file, Recall Capture, the HDLC test capture, the digital meter's frame dump, the
// pipe mode, "Download App", and the calibration of the three lines. Its device calls run here on
// the user-interface thread beside the worker's; the calibration itself is the worker's, asked
// for and judged by CalibrationProcedure.

#include <QBasicTimer>
#include <QDialog>

#include <memory>

#include "link/store/HdlcProcessor.h"
#include "maintenance/calibration/CalibrationProcedure.h"
#include "maintenance/calibration/DevelopActions.h"
#include "maintenance/calibration/ReceiveLog.h"
#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class QLabel;
class QListWidget;

class CORUDevelop final : public QDialog, public IDevelopDialog, private CalibrationHost, private DevelopOutput {
  Q_OBJECT
 public:
  static constexpr int kProgressTimerMs = 50;  // ID_TIMER_CAL_PROGRESS

  CORUDevelop(ViewContext& context, QWidget* parent);
  ~CORUDevelop() override;

  // IDevelopDialog
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override;
  void Show() override;
  bool WindowExists() const override { return isVisible(); }
  void OnCalibrationStep(const notify::CalibrationStepResult& result) override;
  void OnFactorsRead(const notify::CalibrationFactorsRead& read) override;

  // The buttons.
  void OnSend();
  void OnReceive();
  void OnSave();
  void OnRecallCapture();
  void OnHdlcTest();
  void OnDigitalMeter();
  void OnDownloadApp();
  void OnEP1();
  void OnEP2();
  void OnStoreCalibration() { procedure_.OnStoreCalibration(); }

  // The calibration, as the main frame and the buttons reach it.
  void ShowCalFactors(int line, int group) { procedure_.ShowCalFactors(line, group); }
  bool IsCalibrationValid(int line, int group) { return procedure_.IsCalibrationValid(line, group); }
  const CalibrationProcedure& Procedure() const { return procedure_; }
  bool ProgressTimerRunning() const { return progressTimer_.isActive(); }
  int BarWidth() const { return barWidth_; }
  HWND WindowHandle() const { return hwnd_; }

 protected:
  void done(int result) override;
  void timerEvent(QTimerEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class PostTarget;

  void Connect();
  void OnInitDialog();
  // False, after "No USB connection to ORUpc", without a device.
  bool CheckDevice();
  void RefreshSessionView();
  void PaintBar(QWidget* bar);

  // CalibrationHost
  bool DeviceOpen() const override;
  int MessageBox(const std::string& text, const std::string& caption, UINT style) override;
  void SetStatus(const std::string& text) override;
  void PostToWorker(UINT message, WPARAM wParam, LPARAM lParam) override;
  void FactorsChanged(int line) override;

  // DevelopOutput
  void ListLine(const std::string& text) override;
  void BytesWritten(DWORD count) override;
  void BytesRead(DWORD count) override;

  ViewContext& context_;
  CalibrationProcedure procedure_;
  DevelopDeviceIo io_;
  DevelopActions actions_;
  ReceiveLog receiveLog_;
  CHDLCProcessor hdlc_;
  QBasicTimer progressTimer_;
  int barWidth_ = 0;
  std::unique_ptr<PostTarget> postTarget_;
  HWND hwnd_ = nullptr;
  QListWidget* receiveList_ = nullptr;
  QWidget* bar_ = nullptr;
};
