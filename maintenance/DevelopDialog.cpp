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
#include "shell/OruApp.h"
#include "shell/model/NotificationDecoder.h"

namespace {

constexpr int kTransmitEdit = 1013;
constexpr int kStatusStatic = 1014;
constexpr int kStatusCombo = 1015;
constexpr int kReceiveList = 1020;
constexpr int kBytesWrittenStatic = 1021;
constexpr int kBytesReadStatic = 1022;
constexpr int kFileNameEdit = 1026;
constexpr int kProgressStatic = 1017;
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

CORUDevelop::CORUDevelop(CORUpc144App& app, QWidget* parent)
    : QDialog(parent),
      app(app),
      procedure_(app.dataStore, *this),
      io_(app.context),
      actions_(io_, *this),
      postTarget_(std::make_unique<PostTarget>(*this)) {
  ApplyTemplate(this, kTemplateId);
  setObjectName(QStringLiteral("CORUDevelop"));
  setModal(false);
  hwnd_ = win32::RegisterWindowTarget(*postTarget_);
  receiveList_ = FindControlAs<QListWidget>(this, kReceiveList);
  bar_ = FindControl(this, kProgressStatic);
  if (auto* edit = FindControlAs<QLineEdit>(this, kTransmitEdit)) edit->setMaxLength(kMaxTransmit);
  if (auto* combo = FindControlAs<QComboBox>(this, kStatusCombo)) {
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
      {1012, &CORUDevelop::OnSend},        {1016, &CORUDevelop::OnReceive},
      {1025, &CORUDevelop::OnSave},        {1027, &CORUDevelop::OnRecallCapture},
      {1028, &CORUDevelop::OnHdlcTest},    {1044, &CORUDevelop::OnDigitalMeter},
      {1137, &CORUDevelop::OnDownloadApp}, {1176, &CORUDevelop::OnEP1},
      {1177, &CORUDevelop::OnEP2},         {1101, &CORUDevelop::OnStoreCalibration},
  };
  for (const auto& [id, handler] : buttons) {
    if (auto* button = FindControlAs<QAbstractButton>(this, id))
      connect(button, &QAbstractButton::clicked, this, handler);
  }
  for (int line = 1; line <= 3; ++line) {
    if (auto* button = FindControlAs<QAbstractButton>(this, 1047 + line))
      connect(button, &QAbstractButton::clicked, this, [this, line] { procedure_.StartLine(line); });
  }
  for (int index = 0; index < 3; ++index) {
    if (auto* radio = FindControlAs<QAbstractButton>(this, 1097 + index))
      connect(radio, &QAbstractButton::clicked, this, [this, index] { procedure_.SelectMeter(index); });
  }
  if (auto* combo = FindControlAs<QComboBox>(this, kStatusCombo)) {
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
    if (auto* combo = FindControlAs<QComboBox>(this, kStatusCombo)) combo->setCurrentIndex(1);
    SetStatus("USB port working");
  }
  if (auto* edit = FindControlAs<QLineEdit>(this, kFileNameEdit))
    edit->setText(QDir::home().filePath(QStringLiteral("ORUdata.txt")));
  BytesWritten(0);
  BytesRead(0);
  app.PostToWorker(WM_ORU_SET_DEVELOP_WINDOW, reinterpret_cast<WPARAM>(hwnd_), 0);
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
  if (watched == FindControl(this, kTransmitEdit) && text.size() == 1 && text[0] >= u'a' && text[0] <= u'z') {
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
  app.prompts().MessageBox(QStringLiteral("No USB connection to ORUpc"), QStringLiteral("COMM Error"),
                           MB_OK | MB_SYSTEMMODAL);
  return false;
}

void CORUDevelop::OnCalibrationStep(const notify::CalibrationStepResult& result) {
  procedure_.OnCalibrationStep(result.line, result.step);
}

void CORUDevelop::OnFactorsRead(const notify::CalibrationFactorsRead& read) {
  procedure_.OnFactorsRead(read.line, read.group);
}

// ---- CalibrationHost ------------------------------------------------------------------------

bool CORUDevelop::DeviceOpen() const { return app.context.DeviceOpen(); }

int CORUDevelop::MessageBox(const std::string& text, const std::string& caption, UINT style) {
  return app.prompts().MessageBox(QString::fromStdString(text), QString::fromStdString(caption), style);
}

void CORUDevelop::SetStatus(const std::string& text) { SetLabel(this, kStatusStatic, QString::fromStdString(text)); }

void CORUDevelop::PostToWorker(UINT message, WPARAM wParam, LPARAM lParam) {
  app.PostToWorker(message, wParam, lParam);
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
  SetLabel(this, kBytesWrittenStatic, QStringLiteral("Bytes written: %1").arg(count));
}

void CORUDevelop::BytesRead(DWORD count) {
  SetLabel(this, kBytesReadStatic, QStringLiteral("Bytes read: %1").arg(count));
}
