// The development dialog's frame: building it from its template, each opening, closing, timer 1,
// the keys, and what the calibration and the device buttons show.

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimerEvent>

#include "link/protocol/WorkerMessages.h"
#include "maintenance/CORUDevelop.h"
#include "platform/win32/WindowTarget.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "shell/model/NotificationDecoder.h"

namespace {

constexpr COLORREF kBarColor = 16711680;  // blue
constexpr int kMaxTransmit = 61;

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

void SetLabel(QWidget* root, int id, const QString& text) {
  if (auto* label = FindControlAs<QLabel>(root, id)) label->setText(text);
}

}  // namespace

// The dialog's window handle for the worker: what is posted to it reaches the dialog on the
// user-interface thread, as the main frame's own notifications do.
class CORUDevelop::PostTarget final : public win32::WindowTarget {
 public:
  explicit PostTarget(CORUDevelop& dialog) : dialog_(dialog) {}
  void OnPostedMessage(const MSG& message) override {
    const notify::Notification news = notify::DecodeNotification(message.message, message.wParam, message.lParam);
    if (const auto* step = std::get_if<notify::CalibrationStepResult>(&news)) {
      QMetaObject::invokeMethod(
          &dialog_, [d = &dialog_, result = *step] { d->OnCalibrationStep(result); }, Qt::QueuedConnection);
    } else if (const auto* read = std::get_if<notify::CalibrationFactorsRead>(&news)) {
      QMetaObject::invokeMethod(
          &dialog_, [d = &dialog_, factors = *read] { d->OnFactorsRead(factors); }, Qt::QueuedConnection);
    }
  }

 private:
  CORUDevelop& dialog_;
};

CORUDevelop::CORUDevelop(ViewContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      procedure_(context.store, *this),
      io_(context.link),
      actions_(io_, *this),
      postTarget_(std::make_unique<PostTarget>(*this)) {
  ApplyTemplate(this, IDD_DEVELOP);
  setObjectName(QStringLiteral("CORUDevelop"));
  setModal(false);
  hwnd_ = win32::RegisterWindowTarget(*postTarget_);
  receiveList_ = FindControlAs<QListWidget>(this, IDC_RECEIVE_LIST);
  bar_ = FindControl(this, IDC_CAL_PROGRESS);
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_TRANSMIT)) edit->setMaxLength(kMaxTransmit);
  if (auto* combo = FindControlAs<QComboBox>(this, IDC_STATUS_CHOICE)) {
    combo->addItems(
        {QStringLiteral("No USB connection"), QStringLiteral("USB port working"), QStringLiteral("USB port busy")});
    combo->setCurrentIndex(-1);
  }
  // Enter is Send wherever the focus is: no button is the default, and Enter never closes.
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  installEventFilter(this);
  // Only this window's own controls: a combo box's list pops up as a window of its own.
  for (QWidget* child : findChildren<QWidget*>())
    if (child->window() == this) child->installEventFilter(this);
  Connect();
  FactorsChanged(1);
}

CORUDevelop::~CORUDevelop() {
  // No delivery runs once this returns.
  win32::UnregisterWindowTarget(hwnd_);
}

void CORUDevelop::Connect() {
  const std::pair<int, void (CORUDevelop::*)()> buttons[] = {
      {IDC_SEND, &CORUDevelop::OnSend},
      {IDC_RECEIVE, &CORUDevelop::OnReceive},
      {IDC_SAVE, &CORUDevelop::OnSave},
      {IDC_RECALL_CAPTURE, &CORUDevelop::OnRecallCapture},
      {IDC_HDLC_TEST, &CORUDevelop::OnHdlcTest},
      {IDC_DIGITAL_METER, &CORUDevelop::OnDigitalMeter},
      {IDC_DOWNLOAD_APP, &CORUDevelop::OnDownloadApp},
      {IDC_EP1, &CORUDevelop::OnEP1},
      {IDC_EP2, &CORUDevelop::OnEP2},
      {IDC_STORE_CALIBRATION, &CORUDevelop::OnStoreCalibration},
  };
  for (const auto& [id, handler] : buttons) {
    if (auto* button = FindControlAs<QAbstractButton>(this, id))
      connect(button, &QAbstractButton::clicked, this, handler);
  }
  const int calibrateButtons[] = {IDC_CALIBRATE_LINE1, IDC_CALIBRATE_LINE2, IDC_CALIBRATE_LINE3};
  for (int line = 1; line <= 3; ++line) {
    if (auto* button = FindControlAs<QAbstractButton>(this, calibrateButtons[line - 1]))
      connect(button, &QAbstractButton::clicked, this, [this, line] { procedure_.StartLine(line); });
  }
  const int meterRadios[] = {IDC_METER_DC, IDC_METER_AC, IDC_METER_BOTH};
  for (int index = 0; index < 3; ++index) {
    if (auto* radio = FindControlAs<QAbstractButton>(this, meterRadios[index]))
      connect(radio, &QAbstractButton::clicked, this, [this, index] { procedure_.SelectMeter(index); });
  }
  if (auto* combo = FindControlAs<QComboBox>(this, IDC_STATUS_CHOICE)) {
    connect(combo, &QComboBox::activated, this,
            [this, combo](int index) { SetStatus(combo->itemText(index).toStdString()); });
  }
}

QWidget* CORUDevelop::Control(int id) { return FindControl(this, id); }

void CORUDevelop::Show() {
  if (!isVisible()) OnInitDialog();
  show();
  raise();
  activateWindow();
}

// Runs at every opening, as it would for a dialog made anew.
void CORUDevelop::OnInitDialog() {
  if (DeviceOpen()) {
    if (auto* combo = FindControlAs<QComboBox>(this, IDC_STATUS_CHOICE)) combo->setCurrentIndex(1);
    SetStatus("USB port working");
  }
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_FILE_NAME))
    edit->setText(QDir::home().filePath(QStringLiteral("ORUdata.txt")));
  BytesWritten(0);
  BytesRead(0);
  context_.worker.Post(WM_ORU_SET_DEVELOP_WINDOW, reinterpret_cast<WPARAM>(hwnd_), 0);
  procedure_.StartReadBack();
  progressTimer_.start(kProgressTimerMs, this);
  // As "EP1", without its message when there is no instrument to set.
  if (DeviceOpen()) io_.SetPipe(oru::PIPE_MODE_BULK1);
}

void CORUDevelop::done(int result) {
  progressTimer_.stop();
  QDialog::done(result);  // hides; the main frame keeps the object
}

void CORUDevelop::timerEvent(QTimerEvent* event) {
  if (event->timerId() != progressTimer_.timerId()) {
    QDialog::timerEvent(event);
    return;
  }
  barWidth_ = procedure_.TimerTick(bar_ != nullptr ? bar_->width() : 0);
  if (bar_ != nullptr) bar_->update();
}

bool CORUDevelop::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bar_ && event->type() == QEvent::Paint) {
    PaintBar(bar_);
    return false;  // the frame draws its border over the bar
  }
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    OnSend();
    return true;
  }
  // Commands are capitals; only the transmit text is changed so (file names keep their case).
  const QString text = key->text();
  if (watched == FindControl(this, IDC_TRANSMIT) && text.size() == 1 && text[0] >= u'a' && text[0] <= u'z') {
    QKeyEvent upper(QEvent::KeyPress, key->key(), key->modifiers() | Qt::ShiftModifier, text.toUpper());
    QCoreApplication::sendEvent(watched, &upper);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CORUDevelop::PaintBar(QWidget* bar) {
  QPainter painter(bar);
  painter.fillRect(bar->rect(), bar->palette().button());
  if (barWidth_ > 0) painter.fillRect(QRect(0, 0, barWidth_, bar->height()), ToQColor(kBarColor));
}

bool CORUDevelop::CheckDevice() {
  if (DeviceOpen()) return true;
  MessageBox("No USB connection to ORUpc", "COMM Error", MB_OK | MB_SYSTEMMODAL);
  return false;
}

void CORUDevelop::OnCalibrationStep(const notify::CalibrationStepResult& result) {
  procedure_.OnCalibrationStep(result.line, result.step);
}

void CORUDevelop::OnFactorsRead(const notify::CalibrationFactorsRead& read) {
  procedure_.OnFactorsRead(read.line, read.group);
}

// ---- CalibrationHost ------------------------------------------------------------------------

bool CORUDevelop::DeviceOpen() const { return context_.link.DeviceOpen(); }

// Every box of the dialog opens over it, though it is not run modally.
int CORUDevelop::MessageBox(const std::string& text, const std::string& caption, UINT style) {
  const PromptService::OwnerScope over(context_.prompts, this);
  return context_.prompts.MessageBox(QString::fromStdString(text), QString::fromStdString(caption), style);
}

void CORUDevelop::SetStatus(const std::string& text) { SetLabel(this, IDC_STATUS_TEXT, QString::fromStdString(text)); }

void CORUDevelop::PostToWorker(UINT message, WPARAM wParam, LPARAM lParam) {
  context_.worker.Post(message, wParam, lParam);
}

void CORUDevelop::FactorsChanged(int /*line*/) {
  const FactorTexts& texts = procedure_.Texts();
  for (std::size_t i = 0; i < texts.size(); ++i) SetLabel(this, kFactorTextIds[i], QString::fromStdString(texts[i]));
  for (int line = 1; line <= 3; ++line) {
    auto* box = FindControlAs<QGroupBox>(this, kLineBoxIds[static_cast<std::size_t>(line - 1)]);
    if (box == nullptr) continue;
    QPalette palette = box->palette();
    const QColor color = ToQColor(procedure_.LineColor(line));
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    box->setPalette(palette);
    box->update();
  }
}

// ---- DevelopOutput --------------------------------------------------------------------------

void CORUDevelop::ListLine(const std::string& text) {
  receiveLog_.Insert(text);
  if (receiveList_ != nullptr) receiveList_->insertItem(0, QString::fromStdString(text));
}

void CORUDevelop::BytesWritten(DWORD count) {
  SetLabel(this, IDC_BYTES_WRITTEN, QStringLiteral("Bytes written: %1").arg(count));
}

void CORUDevelop::BytesRead(DWORD count) {
  SetLabel(this, IDC_BYTES_READ, QStringLiteral("Bytes read: %1").arg(count));
}
