#pragma once

// The application in-process on a simulated machine of its own, for the GUI tests' fixture, the
// screens tool and the benches: the ORUpc driver installed, simulated instruments plugged in on
// demand, settings and the single-instance socket in a temporary folder, every prompt answered by
// a script. The worker, the driver and the instrument run for real; Qt runs offscreen. No test
// framework here: failures go to the handler given to OnFailure, and callers check the rest.
//
//   apprig::AppRig rig;
//   rig.beforeInit = [](CORUpc144App& app) { RegisterTraceViews(app.viewFactory); };
//   if (!rig.Start()) return 1;
//   ...
//   rig.Exit();
//   rig.ShutDown();  // the Machine's check records, empty when clean

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine/Machine.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "sim/Instrument.h"

namespace apprig {

constexpr int kHangMs = 20000;  // only a hang comes near this

// The process's one QApplication (made on first use, offscreen; closing a window does not quit).
QApplication& QtApplication();

// Pumps Qt events until `condition` holds; false only after `ms`.
bool Eventually(const std::function<bool()>& condition, int ms = kHangMs);
// Runs the event loop for `ms`, timers and the worker's notifications included.
void RunLoopFor(int ms);

// An instrument whose clock moves at every command, with idle lines and an empty memory.
sim::InstrumentOptions QuietInstrument();

// The application object without its start-up (no settings, worker device or main frame), for
// tests and benches of one view; Qt is made first.
std::unique_ptr<CORUpc144App> BareApp();

// A model that enumerates as the instrument and takes every command, but never sends a reply.
class SilentInstrument final : public usb::UsbDeviceModel {
 public:
  explicit SilentInstrument(sim::InstrumentOptions options = QuietInstrument()) : inner_(std::move(options)) {}
  std::vector<uint8_t> deviceDescriptor() const override { return inner_.deviceDescriptor(); }
  std::vector<uint8_t> configurationDescriptor() const override { return inner_.configurationDescriptor(); }
  usb::Handshake control(const usb::SetupPacket& setup, std::span<const uint8_t> out,
                         std::vector<uint8_t>& in) override {
    return inner_.control(setup, out, in);
  }
  usb::Handshake bulkOut(uint8_t, std::span<const uint8_t>) override {
    ++packetsTaken;
    return usb::Handshake::Ack;
  }
  usb::Handshake bulkIn(uint8_t, std::size_t, std::vector<uint8_t>&) override { return usb::Handshake::Nak; }
  usb::Handshake isoIn(uint8_t, uint32_t, std::size_t, std::vector<uint8_t>&) override { return usb::Handshake::Nak; }
  void clearHalt(uint8_t endpoint) override { inner_.clearHalt(endpoint); }
  void reset() override { inner_.reset(); }
  void setConfiguration(uint8_t value) override { inner_.setConfiguration(value); }
  void setDataReadyCallback(DataReady) override {}

  std::atomic<int> packetsTaken{0};  // command packets the host sent

 private:
  sim::Instrument inner_;
};

class AppRig {
 public:
  using FailureHandler = std::function<void(const std::string& message)>;

  // Makes Qt (once), the temporary folder and the Machine with the driver installed.
  AppRig();
  // Ends what is still running: the application, the instrument's port, the Machine.
  ~AppRig();
  AppRig(const AppRig&) = delete;
  AppRig& operator=(const AppRig&) = delete;

  // False when the temporary folder could not be made.
  bool Ready() const { return dir_.isValid(); }
  // Where unscripted or unused prompts ("prompt: ...") and failed plugs go.
  void OnFailure(FailureHandler handler);

  // Builds the application and runs InitInstance; its result. Settings, arguments and the
  // instrument are taken from the members below as they stand.
  bool Start(const QStringList& arguments = {});
  // Waits until every request posted to the worker so far has been carried out and every
  // notification it posted meanwhile has reached the main frame; false after kHangMs. A worker
  // busy in a capture or meter loop takes requests only when the loop ends.
  bool SettleWorker();
  // ExitInstance and the application's end, as the program's main() does after its loop.
  void Exit();
  bool Started() const { return app_ != nullptr; }
  CORUpc144App& app() { return *app_; }

  // Plugs a new simulated instrument (or the silent one) in; returns its port (0 when it failed).
  int PlugInstrument();
  int PlugSilentInstrument();
  SilentInstrument& silentInstrument() { return *silent_; }
  void UnplugInstrument();
  sim::Instrument& instrument() { return *instruments_.back(); }
  // Unplugs the instrument and shuts the Machine down (the application must have ended); the
  // records of its checks, empty when clean. The Machine's verifier can still be read after.
  std::vector<nt::VerifierRecord> ShutDown();
  platform::Machine& machine() { return *machine_; }

  // A file in the rig's temporary folder.
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString SettingsPath() const { return Path("settings.ini"); }
  QString ServerPath() const { return serverPath.isEmpty() ? Path("instance") : serverPath; }

  ScriptedAnswerer answers;

  // Set before Start().
  bool plugAtStart = true;
  sim::InstrumentOptions instrumentOptions = QuietInstrument();
  std::function<CivilTime()> localClock;          // the clock autosave names read; empty = the system's
  std::function<void(CORUpc144App&)> beforeInit;  // e.g. registers the window folders' views
  QString serverPath;                             // the single-instance socket; empty = one in the temporary folder

 private:
  void Fail(const std::string& message) const;

  FailureHandler onFailure_;
  QTemporaryDir dir_;
  // Destroyed in reverse: the application before the Machine, and the instruments outlive the
  // Machine that may still hold them.
  std::deque<std::unique_ptr<sim::Instrument>> instruments_;
  std::unique_ptr<SilentInstrument> silent_;
  std::unique_ptr<platform::Machine> machine_;
  int port_ = 0;
  bool shutDown_ = false;
  std::unique_ptr<CORUpc144App> app_;
};

}  // namespace apprig
