#pragma once

// The machine the program runs on here: the simulated kernel and USB bus with the ORUpc driver in
// its driver store and a simulated instrument plugged in, attached as the process's device system
// so that "\\.\ORU14400_0" opens through the driver exactly as it would on the real platform.
// The instrument plays `scenario` on its lines from the start; none leaves them idle.

#include <memory>
#include <optional>

#include "platform/machine/Machine.h"
#include "platform/win32/DeviceSystem.h"
#include "sim/Instrument.h"
#include "sim/Scenario.h"

class SimulatedSystem {
 public:
  explicit SimulatedSystem(bool plugInstrument = true, const std::optional<sim::Scenario>& scenario = std::nullopt);
  ~SimulatedSystem();
  SimulatedSystem(const SimulatedSystem&) = delete;
  SimulatedSystem& operator=(const SimulatedSystem&) = delete;

  platform::Machine& machine() { return *machine_; }
  sim::Instrument& instrument() { return *instrument_; }
  // The instrument's port while plugged in, 0 otherwise.
  int instrumentPort() const { return port_; }
  void plugInstrument();
  void unplugInstrument();
  // Ends the device system, then shuts the machine down with its checks; returns the verifier
  // log. The destructor does it when nobody did.
  std::vector<nt::VerifierRecord> shutdown();

 private:
  // Destroyed in reverse: the attachment ends before the machine shuts down, and the instrument
  // outlives the machine that may still hold it.
  std::unique_ptr<sim::Instrument> instrument_;
  std::unique_ptr<platform::Machine> machine_;
  std::unique_ptr<win32::DeviceSystemAttachment> attachment_;
  int port_ = 0;
};
