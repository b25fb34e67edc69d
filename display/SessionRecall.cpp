#include "display/SessionRecall.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "link/store/DocumentType.h"
#include "link/store/OruData.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "shell/OruDocument.h"

namespace {

constexpr int kOptionsOverwrite = 2;
constexpr int kOptionsAutosave = 4;

void SetText(QWidget* control, const std::string& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) label->setText(QString::fromStdString(text));
}

void SetEnabled(QWidget* control, bool enabled) {
  if (control != nullptr) control->setEnabled(enabled);
}

}  // namespace

CORUSessionRecall::CORUSessionRecall(ViewContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  ApplyTemplate(this, IDD_SESSION_RECALL);
  setObjectName(QStringLiteral("CORUSessionRecall"));
  for (int row = 1; row <= kRecallRows; ++row) {
    if (auto* button = FindControlAs<QPushButton>(this, RecallIdsOfRow(row).recall)) {
      button->setAutoDefault(false);
      connect(button, &QPushButton::clicked, this, [this, row] { OnRecall(row); });
    }
    // The session labels are buttons that do nothing; Enter must not land on one.
    if (auto* label = FindControlAs<QPushButton>(this, RecallIdsOfRow(row).label)) label->setAutoDefault(false);
  }
  ResetRows();
}

QWidget* CORUSessionRecall::Control(int id) { return FindControl(this, id); }

void CORUSessionRecall::RunModal() { context_.prompts.RunModal(*this); }

void CORUSessionRecall::ResetRows() {
  busy = false;
  for (int row = 1; row <= kRecallRows; ++row) {
    rows[static_cast<std::size_t>(row - 1)] = InitialRecallRow();
    ShowRow(row);
  }
  ShowBusy();
}

void CORUSessionRecall::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // the window system's own show, not an opening
  ResetRows();
  raise();
  context_.worker.Post(WM_ORU_GET_SESSION_HEADER, static_cast<WPARAM>(-1), 0);
}

void CORUSessionRecall::OnSessionHeader(int slot) {
  if (slot < 0 || slot >= kRecallRows) return;
  const int k = slot;
  busy = BusyAfterAnswer(k, busy);
  ApplyDirectoryEntry(rows[static_cast<std::size_t>(k)], ReadDirectoryEntry(context_.store, k));
  ShowRow(k + 1);
  ShowBusy();
}

void CORUSessionRecall::ShowRow(int row) {
  const RecallRowIds ids = RecallIdsOfRow(row);
  const RecallRowState& state = rows[static_cast<std::size_t>(row - 1)];
  SetText(FindControl(this, ids.date), state.date);
  SetText(FindControl(this, ids.count), state.count);
  SetText(FindControl(this, ids.mode), state.mode);
  SetText(FindControl(this, ids.format), state.format);
  SetText(FindControl(this, ids.line), state.line);
  for (int id : {ids.label, ids.date, ids.count, ids.recall}) SetEnabled(FindControl(this, id), state.entryEnabled);
  for (int id : {ids.mode, ids.format, ids.line}) SetEnabled(FindControl(this, id), state.modesEnabled);
}

// While the directory is read the dialog shows the wait cursor but stays enabled, so that Cancel
// still closes it should the instrument go away before the ninth answer.
void CORUSessionRecall::ShowBusy() {
  if (busy)
    setCursor(Qt::WaitCursor);
  else
    setCursor(Qt::ArrowCursor);
}

void CORUSessionRecall::OnRecall(int row) {
  if (row < 1 || row > kRecallRows) return;
  const int options = context_.settings.options;
  CORUpc144Doc* document = context_.host.Document();
  if (options == kOptionsAutosave) {
    // Names the saved capture after the stored session's date; a declined save keeps the dialog.
    if (document != nullptr && !document->Autosave(row - 1, DocumentType::Capture, false)) return;
  } else if (options == kOptionsOverwrite) {
    context_.store.ClearCapture();
    if (context_.host.Views().sessionView) context_.host.Views().sessionView->Refresh();
    if (document != nullptr) document->SetTypeModified(false, DocumentType::Capture);
  }
  TakeEntryConfiguration(context_.store, row - 1);
  context_.worker.Post(WM_ORU_GET_CAPTURE_DATA, static_cast<WPARAM>(row), 0);
  accept();
}
