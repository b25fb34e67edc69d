#include "trace/CORUDTMFView.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "trace/FormFonts.h"
#include "trace/model/TraceControlRules.h"

namespace {

// The edit's viewport margins are the scroll area's to set; this reaches them.
struct MarginAccess : QPlainTextEdit {
  static void SetRightMargin(QPlainTextEdit* edit, int right) {
    void (QAbstractScrollArea::*set)(int, int, int, int) = &MarginAccess::setViewportMargins;
    (edit->*set)(0, 0, right, 0);
  }
};

}  // namespace

CORUDTMFView::CORUDTMFView(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  ApplyTemplate(this, IDD_DTMF_DECODER);
  line1_ = FindControlAs<QRadioButton>(this, IDC_LINE1);
  line2_ = FindControlAs<QRadioButton>(this, IDC_LINE2);
  clearButton_ = FindControl(this, IDC_CLEAR_DTMF);
  group_ = FindControl(this, IDC_DTMF_GROUP);
  digits_ = FindControlAs<QPlainTextEdit>(this, IDC_DTMF_DIGITS);
  if (digits_ != nullptr) {
    digits_->setReadOnly(true);
    digits_->setFont(FormLabelFont());
    MarginAccess::SetRightMargin(digits_, kDigitsRightMargin);
  }
  if (line1_) connect(line1_, &QRadioButton::clicked, this, [this] { OnLine1(); });
  if (line2_) connect(line2_, &QRadioButton::clicked, this, [this] { OnLine2(); });
  if (auto* clear = qobject_cast<QPushButton*>(clearButton_))
    connect(clear, &QPushButton::clicked, this, [this] { OnClearDtmfData(); });
  Layout();
}

CORUDTMFView::~CORUDTMFView() {
  if (context_.host.Views().dtmfView.get() == this) context_.host.Views().dtmfView.Set(nullptr);
}

QWidget* CORUDTMFView::Control(int id) { return FindControl(this, id); }

void CORUDTMFView::StartStopDecoder() {
  CORUData& store = context_.store;
  bool noDevice = false;
  // The run state holds still under the lock: the worker cannot end the decoder in between.
  store.WithData([&](const DataScope& data) {
    if (!context_.link.DeviceOpen()) {
      noDevice = !data.Run().dtmfRunning();
    } else if (!data.Run().dtmfRunning()) {
      // A decoder that runs is left running: the tab switch relies on it.
      store.selectedLine = kTraceLineBoth;
      formLine_ = kTraceLineBoth;
      context_.worker.Post(WM_ORU_START_DTMF_DECODER, kTraceLineBoth, 0);
      OnUpdate();
    }
  });
  if (noDevice) context_.prompts.MessageBox("No USB connection to ORUpc", "COMM Error", MB_SYSTEMMODAL);
}

void CORUDTMFView::AbortDecoder() {
  CORUData& store = context_.store;
  if (!store.Run().dtmfRunning()) return;
  store.statusText.Set("Aborting DTMF decoder");
  context_.worker.Post(WM_ORU_STOP_DTMF_DECODER, 0, 0);
}

void CORUDTMFView::OnLine(int line) {
  // The worker sees the new line at its next poll: it stops the decoder and starts it there.
  context_.store.selectedLine = line;
  formLine_ = line;
  context_.store.dtmfDigits.Clear();
  OnUpdate();
}

void CORUDTMFView::OnClearDtmfData() {
  context_.store.dtmfDigits.Clear();
  OnUpdate();
}

void CORUDTMFView::OnDigitsChanged(const notify::DtmfDigits&) {
  OnUpdate();
  update();
}

void CORUDTMFView::OnUpdate() {
  const bool second = context_.store.selectedLine == 2;
  if (line1_) line1_->setChecked(!second);
  if (line2_) line2_->setChecked(second);
  if (digits_ == nullptr) return;
  // The worker joins digit groups with CR LF; the edit shows one group a line.
  QString text = QString::fromLatin1(context_.store.dtmfDigits.Get().c_str());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (digits_->toPlainText() != text) digits_->setPlainText(text);
  digits_->verticalScrollBar()->setValue(digits_->verticalScrollBar()->maximum());
}

void CORUDTMFView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CORUDTMFView::Layout() {
  if (group_ == nullptr) return;
  const QRect client = rect();
  if (line1_) line1_->move(client.left() + 10, client.top() + 10);
  if (line2_) line2_->move(75, client.top() + 10);
  // Beside the two radios; at the left it would cover "Line 1".
  if (clearButton_) clearButton_->move(150, client.top() + 10);
  group_->setGeometry(client.left() + 5, client.top() + 45, client.right() - 7, client.bottom() - 50);
  const QRect g = group_->geometry();
  if (digits_) digits_->setGeometry(g.left() + 10, g.top() + 15, g.width() - 20, g.height() - 25);
  update();
}
