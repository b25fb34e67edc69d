#include "trace/CORUTraceRecall.h"

#include <QLabel>
#include <QPushButton>

#include <mutex>

#include "display/model/SessionRecallRows.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "trace/model/TraceRecallRules.h"

CORUTraceRecall::CORUTraceRecall(CORUpc144App& app, QWidget* parent) : QDialog(parent), app_(app) {
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
  const int result = app_.prompts().RunModal(*this);
  hide();
  unsetCursor();
  return result;
}

void CORUTraceRecall::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  raise();
  app_.PostToWorker(WM_ORU_GET_TRACE_HEADER, static_cast<WPARAM>(-1), 0);
}

void CORUTraceRecall::ShowTraceHeader(int row) {
  if (row < 0 || row >= kRows) return;
  CORUTraceHeader header;
  app_.dataStore.WithTrace([&](CORUData&) { header = app_.dataStore.traceDirectory[static_cast<std::size_t>(row)]; });
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
  CORUData& store = app_.dataStore;
  AppSettings& settings = app_.settings;
  store.WithTrace([&](CORUData&) {
    if (emptyOnRecall_) store.ClearTrace(TraceKind::Triggered);
    const RecalledSettings recalled = SettingsFromHeader(store.traceDirectory[static_cast<std::size_t>(row)]);
    settings.traceSpan = recalled.span;
    store.currentTrace.spanIndex = settings.traceSpan;
    settings.traceScale = recalled.scale;
    store.currentTrace.scaleIndex = settings.traceScale;
    settings.traceTrigger = recalled.trigger;
    settings.triggerNumber = recalled.triggerNumber;
    settings.ringbackQuantity = recalled.ringbackQuantity;
    settings.deltaV = recalled.deltaV;
    store.currentTrace.voltageLevel = settings.deltaV;
    settings.traceLine = recalled.line;
  });
  if (emptyOnRecall_) {
    store.traceMarker1 = -1;
    document_->SetTypeModified(false, DocumentType::Trace);
  }
  app_.PostToWorker(WM_ORU_RECALL_TRACE, static_cast<WPARAM>(number), 0);
  done(1);
}
