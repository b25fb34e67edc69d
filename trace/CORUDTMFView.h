#pragma once

// CORUDTMFView: the DTMF DECODER tab's form (template IDD_DTMF_DECODER). It starts the instrument's DTMF
// decoder and shows the digits the worker gathers in `dtmfDigits`, one decoded group a line.

#include <QWidget>

#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class QPlainTextEdit;
class QRadioButton;

class CORUDTMFView final : public QWidget, public IDtmfView {
  Q_OBJECT
 public:
  static constexpr int kDigitsRightMargin = 100;

  CORUDTMFView(ViewContext& context, QWidget* parent);
  ~CORUDTMFView() override;

  // IDtmfView
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override;
  void OnUpdate() override;
  void StartStopDecoder() override;
  void AbortDecoder() override;
  void OnDigitsChanged(const notify::DtmfDigits& digits) override;

  void OnLine1() { OnLine(1); }
  void OnLine2() { OnLine(2); }
  void OnLine3() { OnLine(3); }
  void OnClearDtmfData();

  QPlainTextEdit* DigitsEdit() const { return digits_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnLine(int line);
  void Layout();

  ViewContext& context_;
  QRadioButton* line1_ = nullptr;
  QRadioButton* line2_ = nullptr;
  QWidget* clearButton_ = nullptr;
  QWidget* group_ = nullptr;
  QPlainTextEdit* digits_ = nullptr;
  int formLine_ = -1;
};
