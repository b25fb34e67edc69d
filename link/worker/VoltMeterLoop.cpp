#include "link/worker/VoltMeterLoop.h"

#include <string>

#include "link/protocol/DecimalText.h"
#include "link/protocol/WorkerMessages.h"

int ParseVoltMeterReply(CORUData& store, std::string_view reply, int mode, long* calibrationReading) {
  if (!reply.starts_with("vm:")) return 0;
  auto fields = SplitFields(reply.substr(3));
  fields.resize(3);  // missing fields read as empty texts
  if (mode == 2) {
    const auto reading = ParseDecimalInteger(fields[2]);
    if (!reading) return 0;
    if (calibrationReading != nullptr) *calibrationReading = *reading;
  } else {
    store.acValueText.Set(std::string(fields[2]));
  }
  store.dcValueText.Set(std::string(fields[0]));
  store.lineStatusText.Set(std::string(fields[1]));
  return 1;
}

void RunVoltMeter(MeterLoopParts& parts) {
  CommTransport& transport = parts.transport;
  CORUData& store = transport.Store();
  for (;;) {
    const int line = store.selectedLine;
    const char* status = line == 1 ? "Measuring Line 1" : line == 2 ? "Measuring Line 2" : "Measuring Line";
    if (line < 1 || line > 3) break;
    // Nothing is left to measure once the instrument has gone.
    if (!transport.Context().DeviceOpen()) break;
    store.statusText.Set(status);
    const int unit = store.acUnit;
    const int sent = transport.SendCommand("VM:" + std::to_string(line) + ":" + std::to_string(unit));
    if (sent) {
      store.ExchangeRun([](RunState& run) { run.lineTest = true; });
      if (transport.ReadReply(kReplyTimeoutMs)) ParseVoltMeterReply(store, transport.replyText, unit, nullptr);
      transport.Notify(WM_ORU_LINE_TEST_DATA);
    }

    MSG message{};
    if (!parts.queue.Take(message)) {
      // A reading that could not be asked for is not asked again at once.
      if (transport.Signals().WaitForExit(sent ? 1 : kWorkerIdleWaitMs)) break;
      continue;
    }
    if (message.message == WM_ORU_STOP_LINE_TEST) break;
    HandleMeterLoopRequest(parts, message);
  }
  store.ExchangeRun([](RunState& run) { run.lineTest = false; });
  transport.Notify(WM_ORU_STOP_DTMF_DECODER);
}
