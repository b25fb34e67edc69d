#include "app/SimulatedSystem.h"

#include <cstdio>

#include "driver/DriverEntry.h"
#include "driver/OruInterface.h"
#include "maintenance/install/DriverInstall.h"
#include "platform/machine/SetupStore.h"

namespace {

// The program's machine keeps its setup state under the root folder across runs.
platform::MachineOptions programMachine() {
  platform::MachineOptions options;
  options.root = platform::SetupStore::DefaultRoot();
  return options;
}

}  // namespace

SimulatedSystem::SimulatedSystem(bool plug, const std::optional<sim::Scenario>& scenario)
    : instrument_(std::make_unique<sim::Instrument>()),
      machine_(std::make_unique<platform::Machine>(programMachine())) {
  if (scenario) instrument_->loadScenario(*scenario);
  // The image answers to its service name; the stored ORUpc.inf binds the instrument to it. The
  // first start on an empty root stores the program's own copy of that INF.
  if (!machine_->root().empty() && !machine_->setupStatePersistent())
    std::fprintf(stderr, "quorlan-view: %s; running on a fresh state that is not saved\n",
                 machine_->setupStateError().c_str());
  for (const std::string& skipped : machine_->skippedPackages())
    std::fprintf(stderr, "quorlan-view: %s\n", skipped.c_str());
  machine_->installDriver(oru::kServiceName, oru::DriverEntry);
  StoreProgramDriverPackage(*machine_);
  attachment_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
  if (plug) plugInstrument();
}

SimulatedSystem::~SimulatedSystem() { shutdown(); }

std::vector<nt::VerifierRecord> SimulatedSystem::shutdown() {
  attachment_.reset();
  port_ = 0;
  return machine_->shutdown();
}

void SimulatedSystem::plugInstrument() {
  if (port_ == 0) port_ = machine_->plug(*instrument_);
}

void SimulatedSystem::unplugInstrument() {
  if (port_ != 0) machine_->unplug(port_);
  port_ = 0;
}
