#pragma once

// The application in-process for tests: a Machine of its own with the ORUpc driver and a
// simulated instrument, settings in a temporary folder, a scripted answerer (an unscripted
// prompt or an unused answer fails the test) and a single-instance socket of its own. The
// worker, the driver and the instrument run for real; Qt runs offscreen.
//
//   class MyTest : public apptest::AppFixture {};
//   TEST_F(MyTest, Something) {
//     ASSERT_TRUE(Start());
//     answers.Box(IDOK);
//     app().OnFileNew();
//   }
//
// TearDown ends the application (worker stopped and joined, settings saved), checks the answers
// and shuts the Machine down expecting its checks to be clean.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/machine/Machine.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "sim/Instrument.h"

namespace apptest {

constexpr int kHangMs = 20000;  // only a hang comes near this

// The process's one QApplication (made on first use, offscreen as the tests run).
QApplication& QtApplication();

// Pumps Qt events until `condition` holds; false only after `ms`.
bool Eventually(const std::function<bool()>& condition, int ms = kHangMs);

// An instrument whose clock moves at every command, with idle lines and an empty memory.
sim::InstrumentOptions QuietInstrument();

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

// Data as a capture or a trace leaves it: one event of `records` bytes, or `samples` samples.
void FillCapture(CORUData& store, int records, int seed = 0);
void FillTrace(CORUData& store, int samples, int base = 0);
// Each record's file fields (data, flags, time words), for comparing a capture with its reload.
struct RecordFields {
  UCHAR data = 0;
  UCHAR flags = 0;
  ULONG timeFraction = 0;
  ULONG timeSeconds = 0;
  bool operator==(const RecordFields&) const = default;
};
std::vector<RecordFields> CaptureFields(CORUData& store);
std::vector<int> TraceSamples(CORUData& store);
// The whole file's bytes (empty when it cannot be read).
QByteArray FileBytes(const QString& path);

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

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

  // Plugs a new simulated instrument (or the silent one) in; returns its port.
  int PlugInstrument();
  int PlugSilentInstrument();
  SilentInstrument& silentInstrument() { return *silent_; }
  void UnplugInstrument();
  sim::Instrument& instrument() { return *instruments_.back(); }

  // A file in the test's temporary folder.
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString SettingsPath() const { return Path("settings.ini"); }
  QString ServerPath() const { return serverPath.isEmpty() ? Path("instance") : serverPath; }

  ScriptedAnswerer answers;
  platform::Machine& machine() { return *machine_; }

  // Set before Start().
  bool plugAtStart = true;
  sim::InstrumentOptions instrumentOptions = QuietInstrument();
  CivilTime clockNow{2026, 12, 9, 10, 11, 12};  // the clock autosave names read
  std::function<void(CORUpc144App&)> beforeInit;  // e.g. registers stand-in views
  QString serverPath;  // the single-instance socket; empty = one in the temporary folder

 private:
  QTemporaryDir dir_;
  std::unique_ptr<platform::Machine> machine_;
  std::deque<std::unique_ptr<sim::Instrument>> instruments_;
  std::unique_ptr<SilentInstrument> silent_;
  int port_ = 0;
  std::unique_ptr<CORUpc144App> app_;
};

}  // namespace apptest
