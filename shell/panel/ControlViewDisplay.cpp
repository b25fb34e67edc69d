// The control panel's display and configuration handlers, its part of the document's update
// and the configuration sync: each runs one rule of ControlPanelRules on the controls, the
// settings and the store's words, and shows the result.

#include <QAbstractButton>

#include <mutex>

#include "shell/dialogs/ConfigureDlg.h"
#include "shell/panel/ControlView.h"
#include "shell/views/ViewContext.h"

namespace {

PanelConfig ConfigOf(const DataScope& data, const CaptureScope& capture) {
  const CSysCfg& sysCfg = data.sysCfg();
  PanelConfig cfg;
  cfg.standard = sysCfg.standard;
  cfg.parity7E1 = sysCfg.parity7E1;
  cfg.sync = sysCfg.sync;
  cfg.sessionMode = sysCfg.sessionMode;
  cfg.bitStuffed = sysCfg.bitStuffed;
  cfg.highlightParityBit = capture.highlightParityBit();
  cfg.highlightParityErrors = capture.highlightParityErrors();
  cfg.showModemEvents = capture.showModemEvents();
  return cfg;
}

void StoreConfig(DataScope& data, CaptureScope& capture, const PanelConfig& cfg) {
  CSysCfg& sysCfg = data.sysCfg();
  sysCfg.standard = static_cast<UCHAR>(cfg.standard);
  sysCfg.parity7E1 = static_cast<UCHAR>(cfg.parity7E1);
  sysCfg.sync = static_cast<UCHAR>(cfg.sync);
  sysCfg.sessionMode = static_cast<UCHAR>(cfg.sessionMode);
  sysCfg.bitStuffed = static_cast<UCHAR>(cfg.bitStuffed);
  capture.highlightParityBit() = cfg.highlightParityBit;
  capture.highlightParityErrors() = cfg.highlightParityErrors;
  capture.showModemEvents() = cfg.showModemEvents;
  if (cfg.layoutDirty) capture.layoutDirty() = 1;
}

bool Checked(const QAbstractButton* button) { return button != nullptr && button->isChecked(); }

}  // namespace

template <class Rule>
void CORUControlView::RunRule(Rule&& rule, AfterRule after) {
  CORUData& store = context_.store;
  {
    // sysCfg is the worker's too; the configuration and the capture's display words change
    // together under the lock.
    auto data = store.HoldData();
    auto capture = store.HoldCapture();
    PanelConfig cfg = ConfigOf(*data, *capture);
    rule(controls, context_.settings, cfg);
    StoreConfig(*data, *capture, cfg);
    if (cfg.modeText) store.modeText.Set(*cfg.modeText);
  }
  Render();
  if (after == AfterRule::Nothing) return;
  if (context_.host.Views().sessionView) {
    if (after == AfterRule::Redraw)
      context_.host.Views().sessionView->Redraw();
    else
      context_.host.Views().sessionView->Refresh();
  }
  context_.host.UpdateViews();
}

void CORUControlView::OnAscii() {
  RunRule([](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplyViewType(c, s, cfg, ViewType::Ascii); },
          AfterRule::Refresh);
}

void CORUControlView::OnHex() {
  RunRule([](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplyViewType(c, s, cfg, ViewType::Hex); },
          AfterRule::Refresh);
}

void CORUControlView::OnHighlightParityBit() {
  const bool checked = Checked(parityBitBox);
  RunRule(
      [checked](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplyHighlightParityBit(c, s, cfg, checked); },
      AfterRule::Redraw);
}

void CORUControlView::OnHighlightParityErrors() {
  const bool checked = Checked(parityErrorsBox);
  RunRule(
      [checked](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplyHighlightParityErrors(c, s, cfg, checked); },
      AfterRule::Redraw);
}

void CORUControlView::OnShowModemEvents() {
  const bool checked = Checked(modemEventsBox);
  CORUData& store = context_.store;
  RunRule(
      [checked, &store](PanelControls& c, AppSettings& s, PanelConfig& cfg) {
        ApplyShowModemEvents(c, s, cfg, checked);
        // A marked modem-event byte may no longer be shown; the mark goes.
        store.WithCapture([](CaptureScope& capture) {
          const int current = capture.currentRecordIndex();
          const CCaptBufArray& records = capture.captureBuffer();
          if (current >= 0 && current < records.GetSize() && (records[current].flags & CAPT_MODEM_EVENT) != 0)
            capture.currentRecordIndex() = -1;
        });
      },
      AfterRule::Refresh);
}

void CORUControlView::OnBitStuffed() {
  const bool checked = Checked(bitStuffedBox);
  RunRule([checked](PanelControls& c, AppSettings&, PanelConfig& cfg) { ApplyBitStuffed(c, cfg, checked); },
          AfterRule::Refresh);
}

void CORUControlView::OnSelchangeStandard() {
  RunRule([](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplyStandardSelection(c, s, cfg); },
          AfterRule::Refresh);
}

void CORUControlView::OnSelchangeFormat() {
  const int item = controls.format.selected;
  RunRule([item](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplyFormatSelection(c, s, cfg, item); },
          AfterRule::Refresh);
}

void CORUControlView::OnSelchangeMode() {
  const int item = controls.mode.selected;
  RunRule([item](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplyModeSelection(c, s, cfg, item); },
          AfterRule::Refresh);
}

void CORUControlView::OnSelchangeSession() {
  const int item = controls.session.selected;
  RunRule([item](PanelControls& c, AppSettings& s, PanelConfig& cfg) { ApplySessionSelection(c, s, cfg, item); },
          AfterRule::Refresh);
}

void CORUControlView::ShowHighSpeedStandards() {
  bool added = false;
  RunRule([&added](PanelControls& c, AppSettings& s, PanelConfig& cfg) { added = ::ShowHighSpeedStandards(c, s, cfg); },
          AfterRule::Nothing);
  if (added) ReloadOpenDialogs(0);
}

void CORUControlView::ShowV21Standard() {
  bool inserted = false;
  RunRule([&inserted](PanelControls& c, AppSettings& s, PanelConfig& cfg) { inserted = ShowV21(c, s, cfg); },
          AfterRule::Nothing);
  if (!inserted) return;
  ReloadOpenDialogs(0);
  if (context_.host.Views().sessionView) context_.host.Views().sessionView->Refresh();
  context_.host.UpdateViews();
}

void CORUControlView::HideV21Standard() {
  bool removed = false;
  RunRule([&removed](PanelControls& c, AppSettings& s, PanelConfig& cfg) { removed = HideV21(c, s, cfg); },
          AfterRule::Nothing);
  if (!removed) return;
  if (context_.host.Views().sessionView) context_.host.Views().sessionView->Refresh();
  context_.host.UpdateViews();
}

void CORUControlView::OnUpdate() {
  // The handlers update all views, this one included; a nested update has nothing to add.
  if (updating > 0) return;
  ++updating;
  RunRule([](PanelControls& c, AppSettings& s, PanelConfig& cfg) { UpdateFromSettings(c, s, cfg); },
          AfterRule::Nothing);
  --updating;
}

void CORUControlView::ReloadOpenDialogs(int slot) {
  if (configureDlg != nullptr && configureDlg->WindowExists())
    configureDlg->ReloadFromSettings();
  else if (recallDlg != nullptr && recallDlg->WindowExists())
    recallDlg->OnSessionHeader(slot);
}

void CORUControlView::SyncControlsFromConfig(int sessionSlot) {
  ReloadOpenDialogs(sessionSlot);
  RunRule([](PanelControls& c, AppSettings& s, PanelConfig& cfg) { SyncFromConfig(c, s, cfg); }, AfterRule::Nothing);
}
