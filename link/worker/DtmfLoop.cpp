#include "link/worker/DtmfLoop.h"

#include <string>

#include "link/protocol/DecimalText.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/win32/Time.h"

namespace {

struct LineStart {
  const char* status;
  const char* command;
};

const LineStart* StartOf(int line) {
  static const LineStart kStarts[] = {
      {"Decoding DTMF on Line 1", "DT:0:1"}, {"Decoding DTMF on Line 2", "DT:0:2"}, {"Decoding DTMF", "DT:0:3"}};
  return line >= 1 && line <= 3 ? &kStarts[line - 1] : nullptr;
}

// Sends `command` about `line` and parses its reply; 0 when it cannot be sent or nothing comes back.
int Exchange(CommTransport& transport, const std::string& command, int line) {
  if (!transport.SendCommand(command)) return 0;
  if (!transport.ReadReply(kReplyTimeoutMs)) return 0;
  return ParseDtmfReply(transport.Store(), transport.replyText, line);
}

int StartOn(CommTransport& transport, const LineStart& start, int line) {
  transport.Store().statusText.Set(start.status);
  return Exchange(transport, start.command, line);
}

}  // namespace

int ParseDtmfReply(CORUData& store, std::string_view reply, int readOn) {
  if (!reply.starts_with("dt:")) return 0;
  auto fields = SplitFields(reply.substr(3));
  const auto state = ParseDecimalInteger(fields[0]);
  const std::string_view text = fields.size() > 1 ? fields[1] : std::string_view();
  if (!state) return 0;
  switch (*state) {
    case 0:
      return text.starts_with("1") ? 1 : 0;
    case 1:
      if (!text.empty()) {
        // Under the text's lock, so a Clear or a line switch in between is never undone. The
        // window chooses the line before it clears: a reading of the old line that arrives after
        // the switch finds the line changed.
        store.dtmfDigits.Edit([&](std::string& digits) {
          if (readOn != 0 && store.selectedLine != readOn) return;
          if (!digits.empty() && digits.back() != '\n') digits += "\r\n";
          digits += text;
        });
      }
      return 1;
    case 2:
      return 1;
    default:
      return 0;
  }
}

void RunDtmfDecoder(MeterLoopParts& parts) {
  CommTransport& transport = parts.transport;
  CORUData& store = transport.Store();
  int line = store.selectedLine;
  const LineStart* start = StartOf(line);
  if (start == nullptr) return;
  if (!StartOn(transport, *start, line)) {
    transport.Notify(WM_ORU_STOP_DTMF_DECODER);
    return;
  }
  store.ExchangeRun([](RunState& run) { run.dtmf = true; });
  transport.Notify(WM_ORU_START_DTMF_DECODER, static_cast<WPARAM>(line));

  for (;;) {
    // Nothing is left to decode (or to stop) once the instrument has gone.
    if (!transport.Context().DeviceOpen()) break;
    const int chosen = store.selectedLine;
    const LineStart* next = StartOf(chosen);
    if (chosen == line || next == nullptr) {
      Sleep(100);
      if (Exchange(transport, "DT:1", line)) transport.Notify(WM_ORU_DTMF_DATA);
    } else {
      Exchange(transport, "DT:2", line);
      StartOn(transport, *next, chosen);
      line = chosen;
      transport.Notify(WM_ORU_START_DTMF_DECODER, static_cast<WPARAM>(line));
    }

    MSG message{};
    if (!parts.queue.Take(message)) {
      if (!transport.Signals().WaitForExit(1)) continue;
      Exchange(transport, "DT:2", line);
      break;
    }
    if (message.message == WM_ORU_STOP_DTMF_DECODER) {
      Exchange(transport, "DT:2", line);
      break;
    }
    HandleMeterLoopRequest(parts, message);
  }
  store.ExchangeRun([](RunState& run) { run.dtmf = false; });
  transport.Notify(WM_ORU_STOP_DTMF_DECODER);
}
