#include "trace/CORUTraceRecall.h"

#include <QLabel>
#include <QPushButton>

#include <utility>

#include "display/model/SessionRecallRows.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "shell/OruDocument.h"
#include "trace/model/TraceRecallRules.h"

CORUTraceRecall::CORUTraceRecall(ViewContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  ApplyTemplate(this, IDD_TRACE_RECALL);
  setObjectName(QStringLiteral("CORUTraceRecall"));
  for (int row = 0; row < kRows; ++row) {
    if (auto* button = FindControlAs<QPushButton>(this, RecallIdsOfRow(row + 1).recall))
      connect(button, &QPushButton::clicked, this, [this, row] { OnRecall(row + 1); });
  }
}

void CORUTraceRecall::SetRowEnabled(int row, bool enabled, bool withTexts) {
  const RecallRowIds ids = RecallIdsOfRow(row + 1);
  for (int id : {ids.label, ids.date, ids.recall, ids.count})
    if (QWidget* control = FindControl(this, id)) control->setEnabled(enabled);
  if (!withTexts) return;
  for (int id : {ids.mode, ids.format, ids.line})
    if (QWidget* control = FindControl(this, id)) control->setEnabled(enabled);
}

void CORUTraceRecall::InitDialog() {
  busy_ = false;
  unsetCursor();
  for (int row = 0; row < kRows; ++row) {
    const RecallRowIds ids = RecallIdsOfRow(row + 1);
    if (auto* count = FindControlAs<QLabel>(this, ids.count)) count->setText(QString::fromLatin1(kRetrievingText));
    for (int id : {ids.date, ids.mode, ids.format, ids.line})
      if (auto* label = FindControlAs<QLabel>(this, id)) label->clear();
    SetRowEnabled(row, false, true);
  }
}

int CORUTraceRecall::RunModal() {
  InitDialog();
  const int result = context_.prompts.RunModal(*this);
  hide();
  unsetCursor();
  return result;
}

void CORUTraceRecall::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  raise();
  context_.worker.Post(WM_ORU_GET_TRACE_HEADER, static_cast<WPARAM>(-1), 0);
}

void CORUTraceRecall::ShowTraceHeader(int row) {
  if (row < 0 || row >= kRows) return;
  const CORUTraceHeader header = std::as_const(context_.store).WithTrace([row](const TraceScope& trace) {
    return trace.traceDirectory()[static_cast<std::size_t>(row)];
  });
  const RecallRow shown = RowForHeader(header);
  const RecallRowIds ids = RecallIdsOfRow(row + 1);
  auto* count = FindControlAs<QLabel>(this, ids.count);
  auto* dateTime = FindControlAs<QLabel>(this, ids.date);
  if (shown.empty) {
    if (count != nullptr) count->setText(QString::fromLatin1(kEmptySlotText));
    if (dateTime != nullptr) dateTime->clear();
    SetRowEnabled(row, false, false);
  } else {
    SetRowEnabled(row, true, true);
    if (dateTime != nullptr) dateTime->setText(QString::fromLatin1(shown.dateTime.c_str()));
  }
  busy_ = BusyAfterRow(row, busy_);
  if (busy_)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
}

void CORUTraceRecall::OnRecall(int number) {
  if (number < 1 || number > kRows) return;
  const int row = number - 1;
  if (document_ == nullptr || !document_->Autosave(row, DocumentType::Trace, false)) return;
  AppSettings& settings = context_.settings;
  context_.store.WithTrace([&](TraceScope& trace) {
    if (emptyOnRecall_) trace.Clear(TraceKind::Triggered);
    const RecalledSettings recalled = SettingsFromHeader(trace.traceDirectory()[static_cast<std::size_t>(row)]);
    CORUTraceHeader& current = trace.currentTrace();
    settings.traceSpan = recalled.span;
    current.spanIndex = settings.traceSpan;
    settings.traceScale = recalled.scale;
    current.scaleIndex = settings.traceScale;
    settings.traceTrigger = recalled.trigger;
    settings.triggerNumber = recalled.triggerNumber;
    settings.ringbackQuantity = recalled.ringbackQuantity;
    settings.deltaV = recalled.deltaV;
    current.voltageLevel = settings.deltaV;
    settings.traceLine = recalled.line;
    if (emptyOnRecall_) trace.traceMarker1() = -1;
  });
  if (emptyOnRecall_) document_->SetTypeModified(false, DocumentType::Trace);
  context_.worker.Post(WM_ORU_RECALL_TRACE, static_cast<WPARAM>(number), 0);
  done(1);
}
