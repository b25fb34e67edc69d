// The development dialog's buttons: raw traffic, the receive list's file, the captures it
// replaces, the meter dump, the pipe mode and the firmware download.

#include <QAbstractButton>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>

#include "link/protocol/WorkerMessages.h"
#include "maintenance/CORUDevelop.h"
#include "maintenance/calibration/HdlcTestPattern.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/views/ViewContext.h"

namespace {

constexpr WPARAM kRecallSlot = 1;  // the worker has no slot 0

bool Checked(QWidget* root, int id) {
  auto* button = FindControlAs<QAbstractButton>(root, id);
  return button != nullptr && button->isChecked();
}

QString EditText(QWidget* root, int id) {
  auto* edit = FindControlAs<QLineEdit>(root, id);
  return edit != nullptr ? edit->text() : QString();
}

}  // namespace

void CORUDevelop::OnSend() {
  if (!CheckDevice()) return;
  actions_.Send(EditText(this, IDC_TRANSMIT).toStdString(), Checked(this, IDC_REPEAT_1000));
}

void CORUDevelop::OnReceive() {
  if (!CheckDevice()) return;
  actions_.Receive();
}

void CORUDevelop::OnSave() {
  const QString path = EditText(this, IDC_FILE_NAME);
  QFile file(path);
  const QByteArray bytes = QByteArray::fromStdString(receiveLog_.SaveString());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    MessageBox(QStringLiteral("Cannot write %1:\n%2").arg(path, file.errorString()).toStdString(), "Save",
               MB_OK | MB_ICONEXCLAMATION);
  }
}

void CORUDevelop::RefreshSessionView() {
  if (ISessionView* view = context_.host.Views().sessionView.get()) view->Refresh();
}

void CORUDevelop::OnRecallCapture() {
  if (!CheckDevice()) return;
  context_.store.ClearCapture();
  context_.worker.Post(WM_ORU_GET_CAPTURE_DATA, kRecallSlot, 0);
  RefreshSessionView();
}

void CORUDevelop::OnHdlcTest() {
  const QDateTime now = QDateTime::currentDateTime();
  StoreHdlcTestCapture(context_.store, hdlc_, now.toString(QStringLiteral("MM/dd/yy")).toStdString(),
                       now.toString(QStringLiteral("HH:mm:ss")).toStdString());
  RefreshSessionView();
}

void CORUDevelop::OnDigitalMeter() {
  if (!CheckDevice()) return;
  const int line = Checked(this, IDC_LINE1) ? 1 : Checked(this, IDC_LINE2) ? 2 : 0;
  if (line == 0) return;
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_TRANSMIT)) edit->setText(QStringLiteral("DM:%1").arg(line));
  actions_.DigitalMeter(line);
}

// The same as the main frame's "Load ORU Application": abort while a download runs, else the
// file choice and the download.
void CORUDevelop::OnDownloadApp() {
  const PromptService::OwnerScope over(context_.prompts, this);  // its file choice opens over this dialog
  context_.host.RunFrameCommand(ID_LOAD_APPLICATION);
}

void CORUDevelop::OnEP1() {
  if (CheckDevice()) io_.SetPipe(oru::PIPE_MODE_BULK1);
}

void CORUDevelop::OnEP2() {
  if (CheckDevice()) io_.SetPipe(oru::PIPE_MODE_BULK2);
}
