#pragma once

// The simulated instrument as a device on the simulated USB bus: descriptors, the two command
// pipe pairs, the isochronous stream, vendor requests, endpoint halts and port reset, around the
// firmware, its clock and a transcript, with fault hooks for tests.
//
// Vendor requests (no data stage; any recipient):
//   1 OUT  abort: drop every unread reply, held command and delayed reply on both pipe pairs
//          (the host sends it before stopping a capture or a trace, so the stop's answer is the
//          next thing it reads)
//   4 IN   the host is about to read 0x81: a held 64-byte command on 0x01 is complete
//   5 IN   the same for 0x82 and 0x02
// Other vendor requests stall.
//
// Threads: the bus calls in one call at a time; tests and the firmware thread call in as well.
// One lock guards everything. In real time a firmware thread releases delayed replies and keeps
// the line's activities going; stepped and per-command instruments have no thread. The
// data-ready callback and the unplug handler run outside the lock, on whichever thread made the
// data ready (possibly inside a bus call such as bulkOut).

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/usb/model/UsbDeviceModel.h"
#include "sim/CommandPort.h"
#include "sim/FaultPlan.h"
#include "sim/Firmware.h"
#include "sim/SimClock.h"
#include "sim/Transcript.h"

namespace sim {

struct InstrumentOptions {
  ClockSettings clock;
  bool zeroLengthAfterFullReply = false;
  bool prefillMemory = true;      // the nine sessions and three traces of sim/scenarios/memory.mem
  std::string scenario;           // a built-in scenario to start with; empty: idle lines
  bool instantVoltMeter = false;  // the volt meter answers at once, also in real time (VoltMeter.h)
};

class Instrument final : public usb::UsbDeviceModel {
 public:
  explicit Instrument(InstrumentOptions options = {});
  ~Instrument() override;
  Instrument(const Instrument&) = delete;
  Instrument& operator=(const Instrument&) = delete;

  // usb::UsbDeviceModel
  std::vector<uint8_t> deviceDescriptor() const override;
  std::vector<uint8_t> configurationDescriptor() const override;
  usb::Handshake control(const usb::SetupPacket& setup, std::span<const uint8_t> out,
                         std::vector<uint8_t>& in) override;
  usb::Handshake bulkOut(uint8_t endpoint, std::span<const uint8_t> packet) override;
  usb::Handshake bulkIn(uint8_t endpoint, std::size_t maxPacket, std::vector<uint8_t>& packet) override;
  usb::Handshake isoIn(uint8_t endpoint, uint32_t frame, std::size_t maxPacket, std::vector<uint8_t>& packet) override;
  void clearHalt(uint8_t endpoint) override;
  void reset() override;
  void setConfiguration(uint8_t value) override;
  void setDataReadyCallback(DataReady callback) override;
  bool announcesBulkInData() const override;

  // The simulation.
  void loadScenario(const Scenario& scenario);
  bool loadScenario(std::string_view builtinName);  // false when there is no such scenario
  void advance(Micros step);                        // moves the instrument clock forward
  Micros now() const;
  void powerCycle();
  // Runs fn(Firmware&) under the instrument's lock.
  template <class Fn>
  decltype(auto) withFirmware(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(firmware_);
  }
  template <class Fn>
  decltype(auto) withFaults(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(faults_);
  }
  void stallEndpoint(uint8_t endpoint);
  bool halted(uint8_t endpoint) const;
  uint8_t configuration() const;
  bool unplugged() const;
  void setUnplugHandler(std::function<void()> handler);
  Transcript& transcript() { return transcript_; }

 private:
  struct Delayed {
    Micros due;
    int port;
    std::string reply;
  };
  struct Wakeups {
    std::vector<uint8_t> ready;
    bool unplug = false;
  };

  CommandPort* portForOut(uint8_t endpoint);
  CommandPort* portForIn(uint8_t endpoint);
  void runCommand(int port, CommandPort::Command command, Wakeups& w);
  void queueReply(int port, std::string reply, std::string note, Wakeups& w);
  void release(Micros now, Wakeups& w);
  void deliver(const Wakeups& w);
  usb::Handshake vendorRequest(const usb::SetupPacket& setup, Wakeups& w);
  usb::Handshake standardRequest(const usb::SetupPacket& setup, std::vector<uint8_t>& in);
  usb::Handshake stall(uint8_t endpoint, const char* why);
  void threadMain();

  const InstrumentOptions options_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  Firmware firmware_;
  SimClock clock_;
  CommandPort ports_[2] = {CommandPort(0x01, 0x81), CommandPort(0x02, 0x82)};
  std::set<uint8_t> halted_;
  uint8_t configuration_ = 0;
  FaultPlan faults_;
  Transcript transcript_;
  std::vector<Delayed> delayed_;
  std::optional<std::pair<int, std::string>> late_;
  bool streamWasOn_ = false;
  bool unplugged_ = false;
  DataReady dataReady_;
  std::function<void()> unplugHandler_;
  std::thread thread_;
};

}  // namespace sim
