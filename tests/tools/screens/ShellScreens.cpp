// The shell's windows: the four tabs after a capture of one call, the splash, the USB list and
// the download progress dialog.

#include <QDialog>

#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/frame/CMainFrame.h"
#include "shell/dialogs/DownloadStatus.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "shell/dialogs/SplashDlg.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/dialogs/UsbListDlg.h"
#include "sim/Instrument.h"
#include "tests/tools/screens/ScreenSteps.h"

namespace {

const char* const kTabFiles[] = {"tab-0-capture-data", "tab-1-signal-trace", "tab-2-volt-meter", "tab-3-dtmf-decoder"};

// A Bell 103 call captured through the worker, as the control panel starts one.
const ScreenStepRegistrar capture(10, "capture one call", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  s.instrument.loadScenario("b300");
  app.PostToWorker(WM_ORU_SET_CONFIG, 0x1C0);
  app.PostToWorker(WM_ORU_START_CAPTURE);
  s.WaitFor([&] { return app.dataStore.Run().captureArmed() || app.dataStore.Run().captureRunning(); }, 5000);
  s.WaitFor([&] {
    std::lock_guard lock(LinkFields(app.dataStore).dataMutex);
    return !app.dataStore.Run().captureArmed() && !app.dataStore.Run().captureRunning() &&
           LinkFields(app.dataStore).captureBuffer.GetSize() > 0;
  });
  app.mainFrame->RunIdleUpdate();
});

const ScreenStepRegistrar tabs(20, "tabs", [](ScreenContext& s) {
  CMainFrame* frame = s.app.mainFrame;
  frame->show();
  frame->RunIdleUpdate();
  CORUTabbedFrame* tabbed = frame->TabbedFrame();
  for (int tab = 0; tab < tabbed->TabCount() && tab < 4; ++tab) {
    tabbed->SelectTab(tab);
    frame->RunIdleUpdate();
    s.WaitFor([] { return false; }, 150);  // let timers of the tab's views paint once
    s.Save(frame, QString::fromLatin1(kTabFiles[tab]));
  }
  tabbed->SelectTab(0);
});

const ScreenStepRegistrar splash(30, "splash", [](ScreenContext& s) {
  CORUSplashDlg dialog;
  s.Save(&dialog, QStringLiteral("dialog-152-splash"));
  dialog.done(0);
});

const ScreenStepRegistrar usbList(31, "usb list", [](ScreenContext& s) {
  CORUUSBList dialog(s.app.viewContext(), s.app.mainFrame);
  s.Save(&dialog, QStringLiteral("dialog-196-usb-list"));
  dialog.done(0);
});

const ScreenStepRegistrar download(32, "download status", [](ScreenContext& s) {
  CDownloadStatus dialog(s.app.viewContext(), s.app.mainFrame);
  dialog.show();
  dialog.SetProgress(1000, 4000);
  s.Save(&dialog, QStringLiteral("dialog-178-download-status"));
  dialog.done(0);
});

}  // namespace
