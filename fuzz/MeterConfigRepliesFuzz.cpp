// Fuzz target for the short replies: volt meter ("vm:", each of its three modes), DTMF decoder
// ("dt:"), scope trigger ("tc:" with its samples), configuration and calibration read-backs
// ("gc:", "rc:"), the firmware version ("vn:") and the loader's answers ("da:"). Every reply of
// the input goes to each parser in turn, all writing into one store. Nothing may crash, a
// parser that refuses a reply changes nothing, and what is taken stays inside its bounds.

#include <cstdint>
#include <utility>

#include "FuzzWorker.h"
#include "ReplySequence.h"
#include "link/protocol/CalibrationCommands.h"
#include "link/protocol/ConfigCommands.h"
#include "link/worker/DtmfLoop.h"
#include "link/worker/FirmwareDownload.h"
#include "link/protocol/FirmwareVersion.h"
#include "link/worker/ScopeTrigger.h"
#include "link/worker/VoltMeterLoop.h"

namespace {

constexpr int kConfigurationItems[] = {7, 8, 9};
constexpr int kMeasuredItems[] = {18, 19};

void VoltMeter(CORUData& store, std::string_view text) {
  for (int mode = 0; mode <= 2; ++mode) {
    const std::string acBefore = store.acValueText.Get();
    long reading = -12345;
    const int taken = ParseVoltMeterReply(store, text, mode, &reading);
    Require(taken == 0 || taken == 1);
    if (!text.starts_with("vm:")) Require(taken == 0);
    if (mode == 2 || !taken) Require(store.acValueText.Get() == acBefore);
    if (mode != 2) Require(reading == -12345);
    if (taken) Require(store.dcValueText.Get().size() + store.lineStatusText.Get().size() <= text.size());
  }
}

void Dtmf(CORUData& store, std::string_view text) {
  const std::string before = store.dtmfDigits.Get();
  const int result = ParseDtmfReply(store, text);
  Require(result == 0 || result == 1);
  const std::string after = store.dtmfDigits.Get();
  Require(after.starts_with(before));
  Require(after.size() <= before.size() + 2 + text.size());
  if (!text.starts_with("dt:")) Require(result == 0 && after == before);
}

void Trigger(fuzzing::FuzzWorker& w, ScopeTrigger& scope, std::string_view bytes) {
  const auto samples = [&w] {
    return w.store.WithTrace([](const TraceScope& trace) { return trace.traceSamples().GetSize(); });
  };
  const int before = samples();
  w.SetReply(bytes);
  const int result = scope.ReadTraceReply();
  Require(result == 0 || result == 1);
  const int after = samples();
  if (!w.transport.replyText.starts_with("tc:")) Require(after == before && result == 0);
  // A 64-byte reply holds at most 59 samples (empty fields between colons among them), each
  // closed by its colon.
  Require(after <= before + 59 || after <= 59);
}

void Configuration(CORUData& store, std::string_view text) {
  auto data = store.HoldData();
  CSysCfg& cfg = data->sysCfg();
  const CSysCfg before = cfg;
  const int read = StoreConfigReply(cfg, kConfigurationItems, text);
  const int measured = StoreConfigReply(cfg, kMeasuredItems, text);
  Require(read == measured);
  Require(read == (text.starts_with("gc:") && text.size() > 3 ? 1 : 0));
  if (!read) Require(cfg.item4 == before.item4 && cfg.triggerText == before.triggerText);
}

void Factors(CORUData& store, std::string_view text) {
  auto data = store.HoldData();
  CCalFactor& line1 = *data->calFactor(1);
  const CCalFactor before = line1;
  const bool dc = ParseFactorsReply(text, true, line1);
  if (!dc) Require(line1.dcGain == before.dcGain && line1.dcOffset == before.dcOffset);
  Require(line1.acGain == before.acGain && line1.acOffset == before.acOffset);
  const bool ac = ParseFactorsReply(text, false, *data->calFactor(2));
  Require(dc == ac);
  if (dc) Require(text.starts_with("rc:"));
}

void Version(std::string_view text) {
  const FirmwareVersionNumbers numbers = ParseFirmwareVersion(text);
  for (long n : {numbers.major, numbers.minor, numbers.patch}) Require(n >= 0 && n <= 1'000'000'000);
  if (text.find('V') == std::string_view::npos) Require(numbers == FirmwareVersionNumbers{});
  Require(FirmwareIsNewEnough(text) == (numbers >= FirmwareVersionNumbers{1, 0, 8}));
  if (FirmwareRecordAccepted(text)) Require(text.size() == 6 && text.starts_with("da:"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::ReplySequence replies(data, size);
  const std::uint8_t options = replies.TakeByte();
  fuzzing::FuzzWorker& w = fuzzing::FuzzWorker::Shared();
  w.document.open = (options & 1) != 0;
  if ((options >> 1) & 1) w.store.ExchangeRun([](RunState& run) { run.trace = TraceRun::TriggerArmed; });
  ScopeTrigger scope(w.transport);

  std::string_view reply;
  while (replies.Next(reply)) {
    const std::string_view text = fuzzing::ReplyText(reply);
    VoltMeter(w.store, text);
    Dtmf(w.store, text);
    Trigger(w, scope, reply);
    Configuration(w.store, text);
    Factors(w.store, text);
    Version(text);
  }
  return 0;
}
