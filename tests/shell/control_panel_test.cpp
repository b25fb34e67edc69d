#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QShortcut>

#include <future>
#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/dialogs/FindDlg.h"
#include "shell/panel/ControlView.h"
#include "shell/OruApp.h"
#include "shell/panel/StandardComboBox.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/ControlPanelTestSupport.h"
#include "tests/shell/FrameTestSupport.h"

namespace {

using apptest::Eventually;

class ControlPanelForm : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    plugAtStart = false;
  }
  bool StartPanel() {
    if (!Start()) return false;
    panel = dynamic_cast<CORUControlView*>(app().Views().controlView.get());
    if (panel == nullptr) return false;
    requests = std::make_unique<frametest::ScopedRequestCapture>(app().context);
    return true;
  }
  void TearDown() override {
    requests.reset();
    AppFixture::TearDown();
  }
  template <class W = QWidget>
  W* Get(int id) {
    return qobject_cast<W*>(panel->Control(id));
  }
  void Click(int id) { Get<QAbstractButton>(id)->click(); }
  void Pick(int id, const QString& text) { ASSERT_TRUE(paneltest::Pick(*panel, id, text)) << text.toStdString(); }
  // True when another thread can take dataMutex now.
  bool LockFree() {
    return std::async(std::launch::async,
                      [this] {
                        std::unique_lock lock(LinkFields(app().dataStore).dataMutex, std::try_to_lock);
                        return lock.owns_lock();
                      })
        .get();
  }
  std::vector<UINT> Posted() const { return requests->recorder.Ids(); }

  CORUControlView* panel = nullptr;
  std::unique_ptr<frametest::ScopedRequestCapture> requests;
};

TEST_F(ControlPanelForm, WithoutAnInstrumentEachStartShowsTheBoxWithTheLockFreeAndPostsNothing) {
  ASSERT_TRUE(StartPanel());
  for (int id : {IDC_CAPTURE, IDC_SIGNAL_TRACE, IDC_LINE_TEST, IDC_DTMF_DECODER, IDC_RECALL_SESSION}) {
    answers.Box("No USB connection to ORUpc", IDOK, [&](const PromptRecord& box) {
      EXPECT_EQ(box.title, "COMM Error");
      EXPECT_EQ(box.style, MB_OK | MB_SYSTEMMODAL);
      EXPECT_TRUE(LockFree()) << id;
    });
    Get(id)->setEnabled(true);
    Click(id);
    EXPECT_TRUE(answers.AllUsed()) << id;
  }
  EXPECT_TRUE(Posted().empty());
  EXPECT_EQ(Get<QAbstractButton>(IDC_CAPTURE)->text(), "Capture");
  EXPECT_EQ(Get<QAbstractButton>(IDC_SIGNAL_TRACE)->text(), "Signal Trace");
}

TEST_F(ControlPanelForm, StopsArePostedEvenWithTheDeviceGone) {
  ASSERT_TRUE(StartPanel());
  CORUData& store = app().dataStore;
  store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Running; });
  Click(IDC_SIGNAL_TRACE);
  EXPECT_EQ(store.statusText.Get(), "Aborting signal trace");
  store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
  store.ExchangeRun([](RunState& run) { run.dtmf = true; });
  // The decoder stops in the same click that then finds no device.
  answers.Box("No USB connection to ORUpc", IDOK);
  Click(IDC_LINE_TEST);
  store.ExchangeRun([](RunState& run) { run.dtmf = false; });
  store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Running; });
  Click(IDC_CAPTURE);
  EXPECT_EQ(store.statusText.Get(), "Aborting capture");
  store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
  ASSERT_TRUE(requests->recorder.WaitForCount(WM_ORU_ABORT_CAPTURE, 1));
  EXPECT_EQ(Posted(), (std::vector<UINT>{WM_ORU_STOP_SIGNAL_TRACE, WM_ORU_STOP_DTMF_DECODER, WM_ORU_ABORT_CAPTURE}));
  // The abort gives the locked controls back.
  for (int id : {IDC_CONFIGURE, IDC_RECALL_SESSION, IDC_LINE_TEST, IDC_DTMF_DECODER, IDC_MODE})
    EXPECT_TRUE(Get(id)->isEnabled()) << id;
}

TEST_F(ControlPanelForm, SyncWith7E1SwitchesTo8N1AndTheBoxesFollow) {
  ASSERT_TRUE(StartPanel());
  Pick(IDC_MODE, "ASYNC");
  Pick(IDC_FORMAT, "7E1");
  EXPECT_TRUE(Get(IDC_HIGHLIGHT_PARITY_BIT)->isEnabled());
  EXPECT_TRUE(Get(IDC_HIGHLIGHT_PARITY_ERRORS)->isEnabled());
  EXPECT_FALSE(Get(IDC_BIT_STUFFED)->isEnabled());
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.parity7E1, 1);
  Pick(IDC_MODE, "SYNC");
  EXPECT_EQ(Get<QComboBox>(IDC_FORMAT)->currentText(), "8N1");
  EXPECT_FALSE(Get(IDC_HIGHLIGHT_PARITY_BIT)->isEnabled());
  EXPECT_FALSE(Get(IDC_HIGHLIGHT_PARITY_ERRORS)->isEnabled());
  EXPECT_TRUE(Get(IDC_BIT_STUFFED)->isEnabled());
  EXPECT_EQ(app().settings.format, 5);
  EXPECT_EQ(app().settings.mode, 8);
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.sync, 1);
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.parity7E1, 0);
  // The update that followed took "7E1" out of a synchronous capture's list.
  EXPECT_EQ(Get<QComboBox>(IDC_FORMAT)->count(), 1);
  Pick(IDC_MODE, "ASYNC");
  EXPECT_EQ(Get<QComboBox>(IDC_FORMAT)->count(), 2);
}

TEST_F(ControlPanelForm, HighSpeedStandardsAreSingleSessionInterceptWithModemEvents) {
  ASSERT_TRUE(StartPanel());
  Pick(IDC_STANDARD, "1200/2400");
  Pick(IDC_SESSION, "Multiple");
  ASSERT_EQ(LinkFields(app().dataStore).sysCfg.sessionMode, 1);
  Pick(IDC_STANDARD, "9600");
  EXPECT_EQ(Get<QComboBox>(IDC_SESSION)->currentText(), "Single");
  EXPECT_EQ(app().settings.session, 11);
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.sessionMode, 0);
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.standard, 2);
  EXPECT_EQ(app().settings.standard, 3);
  EXPECT_TRUE(Get(IDC_SHOW_MODEM_EVENTS)->isVisibleTo(panel));
  EXPECT_EQ(app().dataStore.modeText.Get(), "Intercept Mode");
  Pick(IDC_STANDARD, "B300");
  EXPECT_FALSE(Get(IDC_SHOW_MODEM_EVENTS)->isVisibleTo(panel));
  EXPECT_EQ(app().dataStore.modeText.Get(), "Bridged Mode");
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.standard, 0);
}

TEST_F(ControlPanelForm, RadiosAreSetByTheHandlersAndTheViewTypeFollows) {
  ASSERT_TRUE(StartPanel());
  auto* ascii = Get<QAbstractButton>(IDC_ASCII);
  auto* hex = Get<QAbstractButton>(IDC_HEX);
  EXPECT_FALSE(ascii->autoExclusive());
  EXPECT_TRUE(ascii->isChecked());
  LinkFields(app().dataStore).layoutDirty = 0;
  hex->click();
  EXPECT_TRUE(hex->isChecked());
  EXPECT_FALSE(ascii->isChecked());
  EXPECT_EQ(app().settings.viewType, ViewType::Hex);
  EXPECT_EQ(LinkFields(app().dataStore).layoutDirty, 1);
  hex->click();  // a second click leaves it checked
  EXPECT_TRUE(hex->isChecked());
  ascii->click();
  EXPECT_EQ(app().settings.viewType, ViewType::Ascii);
  EXPECT_FALSE(hex->isChecked());
}

TEST_F(ControlPanelForm, ModemEventsOffDropsAMarkOnAModemEventByteOnly) {
  ASSERT_TRUE(StartPanel());
  CORUData& store = app().dataStore;
  apptest::FillCapture(store, 6);
  auto& fields = LinkFields(store);
  {
    std::lock_guard lock(fields.dataMutex);
    fields.captureBuffer[2].flags |= CAPT_MODEM_EVENT;
    fields.captureBuffer[3].flags &= static_cast<UCHAR>(~CAPT_MODEM_EVENT);
  }
  Pick(IDC_STANDARD, "9600");
  fields.currentRecordIndex = 3;
  Click(IDC_SHOW_MODEM_EVENTS);
  EXPECT_EQ(fields.showModemEvents, 1);
  EXPECT_EQ(app().settings.showModemEvents, 14);
  EXPECT_EQ(fields.currentRecordIndex, 3);
  fields.currentRecordIndex = 2;
  Click(IDC_SHOW_MODEM_EVENTS);
  EXPECT_EQ(fields.showModemEvents, 0);
  EXPECT_EQ(app().settings.showModemEvents, 13);
  EXPECT_EQ(fields.currentRecordIndex, -1);
}

TEST_F(ControlPanelForm, BitStuffedBoxWritesTheInvertedByte) {
  ASSERT_TRUE(StartPanel());
  Pick(IDC_MODE, "SYNC");
  auto* box = Get<QAbstractButton>(IDC_BIT_STUFFED);
  const bool before = box->isChecked();
  box->click();
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.bitStuffed, before ? 1 : 0);
  box->click();
  EXPECT_EQ(LinkFields(app().dataStore).sysCfg.bitStuffed, before ? 0 : 1);
  EXPECT_EQ(box->isChecked(), before);
}

struct EndCode {
  int code;
  const char* text;
  UINT style;
};

TEST_F(ControlPanelForm, EndOfCaptureBoxTextAndIconFollowTheCode) {
  ASSERT_TRUE(StartPanel());
  for (const EndCode& e : {EndCode{7, "Modem timeout.", MB_OK | MB_ICONEXCLAMATION},
                           EndCode{9, "Capture session complete.", MB_OK}, EndCode{1, "Capture aborted.", MB_OK},
                           EndCode{16, "", MB_OK | MB_ICONEXCLAMATION}, EndCode{-3, "", MB_OK | MB_ICONEXCLAMATION}}) {
    app().dataStore.endOfCaptureCode = e.code;
    answers.Box(e.text, IDOK, [&](const PromptRecord& box) {
      EXPECT_EQ(box.title, "End of capture");
      EXPECT_EQ(box.style, e.style) << e.code;
    });
    panel->ShowEndOfCapture();
  }
}

TEST_F(ControlPanelForm, FindCommandRunsTheEmbeddedFindDialog) {
  ASSERT_TRUE(StartPanel());
  QDialog* shown = nullptr;
  answers.Modal(
      [&](QDialog& dialog) {
        shown = &dialog;
        return static_cast<int>(QDialog::Rejected);
      },
      "CORUFindDlg");
  app().mainFrame->OnCommand(ID_EDIT_FIND);
  EXPECT_TRUE(answers.AllUsed());
  EXPECT_EQ(shown, static_cast<QDialog*>(&panel->FindDialog()));
  EXPECT_EQ(shown->parentWidget(), static_cast<QWidget*>(panel));
  // Ctrl+F is the frame's accelerator for the same command.
  auto* shortcut = app().mainFrame->findChild<QShortcut*>(QStringLiteral("32802"));
  ASSERT_NE(shortcut, nullptr);
  EXPECT_EQ(shortcut->key(), QKeySequence(QStringLiteral("Ctrl+F")));
  QDialog* again = nullptr;
  answers.Modal(
      [&](QDialog& dialog) {
        again = &dialog;
        return 0;
      },
      "CORUFindDlg");
  emit shortcut->activated();
  EXPECT_TRUE(answers.AllUsed());
  EXPECT_EQ(again, shown);  // the one embedded dialog, not a new one
}

TEST_F(ControlPanelForm, ConfigureStopsTheMeterAndDecoderThenRunsTheDialogWithoutTheLock) {
  ASSERT_TRUE(StartPanel());
  CORUData& store = app().dataStore;
  store.ExchangeRun([](RunState& run) { run.lineTest = true; });
  store.ExchangeRun([](RunState& run) { run.dtmf = true; });
  bool lockFree = false;
  answers.Modal(
      [&](QDialog&) {
        lockFree = LockFree();
        return static_cast<int>(QDialog::Rejected);
      },
      "CORUConfigureDlg");
  Click(IDC_CONFIGURE);
  EXPECT_TRUE(answers.AllUsed());
  EXPECT_TRUE(lockFree);
  ASSERT_TRUE(requests->recorder.WaitForCount(WM_ORU_STOP_DTMF_DECODER, 1));
  const std::vector<UINT> posted = Posted();
  ASSERT_GE(posted.size(), 2u);
  // The stops come first, before the dialog asks anything of the worker.
  EXPECT_EQ(posted[0], WM_ORU_STOP_LINE_TEST);
  EXPECT_EQ(posted[1], WM_ORU_STOP_DTMF_DECODER);
  EXPECT_EQ(store.statusText.Get(), "Aborting DTMF decoder");
}

TEST_F(ControlPanelForm, StandardComboBoxWidgetKeepsTheListRules) {
  CORUStandardComboBox combo;
  for (const char* text : {"B300", "1200/2400", "9600", "14400"}) combo.addItem(text);
  combo.SetStandard(kStandard14400);
  EXPECT_EQ(combo.currentIndex(), 3);
  EXPECT_EQ(combo.GetStandard(), kStandard14400);
  combo.AddV21();
  EXPECT_EQ(combo.itemText(0), "V.21");
  EXPECT_EQ(combo.currentText(), "14400");  // an insertion before it keeps the selection
  combo.SetStandard(kStandardV21);
  EXPECT_EQ(combo.currentIndex(), 0);
  combo.RemoveV21();
  EXPECT_EQ(combo.currentIndex(), -1);  // the selected item went: nothing selected
  EXPECT_EQ(combo.GetStandard(), kStandardNone);
  EXPECT_EQ(combo.count(), 4);
  combo.AddHighSpeed();
  EXPECT_EQ(combo.count(), 4);
  combo.SetStandard(42);
  EXPECT_EQ(combo.currentIndex(), -1);
}

}  // namespace
