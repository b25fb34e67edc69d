// The development dialog after its opening read-back: the twelve factor texts and the group
// boxes' colours (line 2 judged calibrated, line 3 at its factory default, which is red).

#include <cstdio>

#include "maintenance/CORUDevelop.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "sim/Firmware.h"
#include "sim/Instrument.h"
#include "tests/tools/screens/ScreenSteps.h"
#include "link/store/LinkAccess.h"

namespace {

const ScreenStepRegistrar developDialog(60, "development dialog", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  app.mainFrame->OnCommand(ID_DEVELOPMENT);
  auto* dialog = app.mainFrame->findChild<CORUDevelop*>();
  if (dialog == nullptr) return;  // maintenance is not registered
  if (!s.WaitFor([dialog] { return !dialog->Procedure().Busy(); }))
    std::fprintf(stderr, "screens: the calibration factors were not read back\n");
  // Line 2 as a calibrated instrument reads it back: both groups valid and not neutral.
  CCalFactor& line2 = LinkFields(app.dataStore).calFactor2;
  line2.dcOffset = -6;
  line2.dcGain = 1011;
  line2.acOffset = 4;
  line2.acGain = 1042;
  dialog->IsCalibrationValid(2, 7);
  dialog->IsCalibrationValid(2, 24);
  dialog->IsCalibrationValid(3, 7);
  dialog->ShowCalFactors(2, 7);
  dialog->ShowCalFactors(2, 24);
  s.Save(dialog, QStringLiteral("development-dialog"));
  dialog->reject();
});

}  // namespace
