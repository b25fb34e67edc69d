#pragma once

// The instrument's firmware: the command interpreter over the line front end, the capture,
// trace, stream, meters, stored memory, configuration, calibration, clock and firmware loader.
// Not thread-safe: the Instrument serialises every call. Commands are ASCII, two capitals and
// ':'-separated fields; each gets exactly one reply of at most 64 bytes (Reply.h lists the error
// replies; each engine's header its own replies). Commands besides the engines':
//   "GC:id[:id...]" -> "gc:" + the values in the order asked (ConfigItems.h)
//   "SC:item:value[:item:value...]" -> "sc" (all or nothing)
//   "ST:<text>" -> "st" (trigger text, at most 15 characters);  "GT" -> "gt:<text>"
//   "LC:line:group:offset:gain" -> "lc:line:group";  "LC:0" -> "lc:0" (factors kept)
//   "RC:line:group" -> "rc:<gain>:<offset>:<volts per count>" (group 0 DC, 1 AC)
//   "SR:MM:DD:YY:hh:mm:ss" -> "sr";  "GR" -> "gr:MM:DD:YY:hh:mm:ss"
//   "VN" -> "vn:<version>" (default "V 1.0.8");  "IM" -> "im:1" in intercept mode (9600, 14400)
//   else "im:0";  "GE" -> "ge:<code of the last error reply>" (then 0)
//   "DA:0:<S-record>" and "DA:0:SX" (FirmwareLoader.h)

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/Calibration.h"
#include "sim/CaptureEngine.h"
#include "sim/ConfigItems.h"
#include "sim/DtmfDecoder.h"
#include "sim/FirmwareLoader.h"
#include "sim/LineModel.h"
#include "sim/RealTimeClock.h"
#include "sim/StoredMemory.h"
#include "sim/StreamEngine.h"
#include "sim/TraceEngine.h"
#include "sim/VoltMeter.h"

namespace sim {

class Firmware {
 public:
  Firmware();

  // Runs one whole command (its bytes as received) at instrument time `now`.
  std::string execute(std::string_view command, Micros now);
  // Work that time alone drives (a trace whose samples are all taken is kept).
  void advance(Micros now);
  // Puts a new scenario on the lines from `now` on; a capture, trace or decoder in progress
  // stops.
  void loadScenario(Scenario scenario, Micros now);
  // Power cycle: activities stop, the stored calibration factors come back.
  void powerCycle();

  const std::string& version() const { return version_; }
  void setVersion(std::string version) { version_ = std::move(version); }
  const std::string& triggerText() const { return triggerText_; }

  LineModel& line() { return line_; }
  ConfigItems& config() { return config_; }
  Calibration& calibration() { return cal_; }
  RealTimeClock& clock() { return clock_; }
  StoredMemory& memory() { return memory_; }
  FirmwareLoader& loader() { return loader_; }
  CaptureEngine& capture() { return capture_; }
  TraceEngine& trace() { return trace_; }
  StreamEngine& stream() { return stream_; }
  DtmfDecoder& dtmf() { return dtmf_; }
  const VoltMeter& meter() const { return meter_; }
  VoltMeter& meter() { return meter_; }
  // How long the reply of the last command takes to be ready (the volt meter's measuring
  // time); reading it clears it.
  Micros takeReplyDelay() { return std::exchange(replyDelay_, 0); }

 private:
  std::string dispatch(std::string_view name, const std::vector<std::string>& f, std::string_view text, Micros now);
  std::string setConfig(const std::vector<std::string>& f);
  std::string getConfig(const std::vector<std::string>& f);
  std::string calibrationCommand(const std::vector<std::string>& f);
  std::string readFactors(const std::vector<std::string>& f);
  std::string setClock(const std::vector<std::string>& f, Micros now);

  LineModel line_;
  ConfigItems config_;
  Calibration cal_;
  RealTimeClock clock_;
  StoredMemory memory_;
  FirmwareLoader loader_;
  CaptureEngine capture_{line_, memory_, clock_, config_};
  TraceEngine trace_{line_, cal_, memory_, clock_};
  StreamEngine stream_{line_, cal_};
  VoltMeter meter_{line_, cal_};
  DtmfDecoder dtmf_{line_};
  std::string triggerText_;
  std::string version_ = "V 1.0.8";
  int lastError_ = 0;
  Micros replyDelay_ = 0;
};

}  // namespace sim
