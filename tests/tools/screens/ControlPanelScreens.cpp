// The control panel: the CAPTURE DATA tab with the panel after a capture, the panel alone, and
// the panel set for a synchronous 9600 capture with its "Show Modem Events" box.

#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/panel/ControlView.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "shell/frame/TabbedFrame.h"
#include "tests/shell/ControlPanelTestSupport.h"
#include "tests/tools/screens/ScreenSteps.h"

namespace {

// The two captures the shell's and the display's steps make end with the panel's end-of-capture
// box; it is answered here, and the answers are used up before any later step scripts a dialog.
constexpr int kCapturesBeforePanel = 2;

int EndOfCaptureBoxes(const ScriptedAnswerer& answers) {
  int boxes = 0;
  for (const PromptRecord& prompt : answers.prompts()) boxes += prompt.title == QStringLiteral("End of capture");
  return boxes;
}

const ScreenStepRegistrar endBoxes(1, "end-of-capture answers", [](ScreenContext& s) {
  for (int i = 0; i < kCapturesBeforePanel; ++i) s.answers.Box(IDOK);
});

const ScreenStepRegistrar panel(25, "control panel", [](ScreenContext& s) {
  CMainFrame* frame = s.app.mainFrame;
  auto* view = dynamic_cast<CORUControlView*>(s.app.Views().controlView.get());
  if (frame == nullptr || view == nullptr) return;
  s.WaitFor([&] { return EndOfCaptureBoxes(s.answers) >= kCapturesBeforePanel; }, 10000);
  frame->show();
  frame->TabbedFrame()->SelectTab(TAB_CAPTURE_DATA);
  frame->RunIdleUpdate();
  s.Save(frame, QStringLiteral("control-panel-capture-tab"));
  s.Save(view, QStringLiteral("control-panel-130"));

  // A synchronous high-speed capture: Single, "Show Modem Events" shown, Bit-stuffed offered.
  const AppSettings saved = s.app.settings;
  paneltest::Pick(*view, IDC_STANDARD, QStringLiteral("9600"));
  paneltest::Pick(*view, IDC_MODE, QStringLiteral("SYNC"));
  frame->RunIdleUpdate();
  s.Save(view, QStringLiteral("control-panel-130-9600-sync"));
  s.app.settings = saved;
  s.app.UpdateViews();
});

}  // namespace
