#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/frame/CMainFrame.h"
#include "shell/CloseOnSignal.h"
#include "app/InstallSwitches.h"
#include "app/RegisterAllViews.h"
#include "shell/OruApp.h"
#include "app/SimulatedSystem.h"
#include "sim/ScenarioChoice.h"

int main(int argc, char** argv) {
  const int installStatus = RunInstallSwitchesHook(argc, argv);
  if (installStatus >= 0) return installStatus;

  // QUORLAN_INSTRUMENT: unset or "sim" plugs the simulated instrument in, "none" starts without.
  bool plug = true;
  if (const char* instrument = std::getenv("QUORLAN_INSTRUMENT"); instrument != nullptr && *instrument != '\0') {
    if (std::strcmp(instrument, "none") == 0) {
      plug = false;
    } else if (std::strcmp(instrument, "sim") != 0) {
      std::fprintf(stderr, "QUORLAN_INSTRUMENT=%s: expected \"sim\" or \"none\"\n", instrument);
      return 2;
    }
  }

  const char* scenarioName = std::getenv("QUORLAN_SCENARIO");
  const sim::ScenarioChoice line = sim::chooseScenario(scenarioName ? scenarioName : "");
  if (!line.ok()) {
    std::fprintf(stderr, "QUORLAN_SCENARIO=%s: %s\n", scenarioName ? scenarioName : "", line.error.c_str());
    return 2;
  }

  // Before anything else starts: a signal from now on closes the program in order.
  CloseOnSignal::InstallHandlers();

  // The instrument is attached before any window exists, as a device present at start-up is.
  SimulatedSystem system(plug, line.scenario);
  int status = 0;
  {
    QApplication qt(argc, argv);
    StartupRecord record;
    record.arguments = qt.arguments().mid(1);
    CORUpc144App app(std::move(record));
    RegisterAllViews(app.viewFactory);
    // A signal in the start-up ends it at once; after, it closes the main window.
    CloseOnSignal closer;
    QObject::connect(&closer, &CloseOnSignal::closeRequested, &app, &CORUpc144App::RequestClose);
    if (app.InitInstance())
      status = qt.exec();
    else
      status = app.IsSecondInstance() || app.StartupEndedByRequest() ? 0 : 1;
    app.ExitInstance();  // the worker is joined here
  }
  for (const nt::VerifierRecord& record : system.shutdown()) std::fprintf(stderr, "%s\n", record.text.c_str());
  return status;
}
