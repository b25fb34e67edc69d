// Fuzz target for the capture decoder: the input is a run of replies to CA:0, CA:1 and CA:2
// ("ca:", "ca#", "ce:", anything else) decoded one after another into one store. Nothing may
// crash, and after every reply the store must hold together: records are only ever appended,
// each binary or text data line adds exactly the records it carries (bytes as sent, in order),
// every event's byte count reaches up to the next event's first byte, and the flags stay 0 or 1.

#include <cstdint>
#include <utility>

#include "FuzzWorker.h"
#include "ReplySequence.h"
#include "link/protocol/CaptureDecoder.h"
#include "link/protocol/HexDigits.h"

namespace {

struct Expected {
  UCHAR data;
  UCHAR flags;
  ULONG time;
};

// The records a data line carries, as the instrument sent them; empty for any other reply.
std::vector<Expected> CarriedRecords(std::string_view reply, bool headerExists) {
  std::vector<Expected> records;
  if (reply.starts_with("ca#") && reply.size() > 3 && headerExists) {
    const unsigned count = static_cast<UCHAR>(reply[3]);
    if (count > 15 || reply.size() < 4 + count * 4) return records;
    for (unsigned k = 0; k < count; ++k) {
      const auto* b = reinterpret_cast<const UCHAR*>(reply.data() + 4 + k * 4);
      records.push_back({b[0], b[1], static_cast<ULONG>(b[2] * 256 + b[3])});
    }
  }
  return records;
}

void CheckStore(const CORUData& store) {
  const auto capture = store.HoldCapture();
  const int records = capture->captureBuffer().GetSize();
  const CCaptureHeaderArray& events = capture->captureHeaders();
  const int headers = events.GetSize();
  for (int i = 0; i < headers; ++i) {
    const CORUCaptureHeader& h = events[i];
    Require(h.firstIndex >= 0 && h.firstIndex <= records);
    const LONG end = i + 1 < headers ? events[i + 1].firstIndex : records;
    Require(h.byteCount == end - h.firstIndex);
  }
  Require(store.endOfCaptureCode >= 0 && store.endOfCaptureCode <= 15);
  Require(capture->hdlcState() == 1 || capture->hdlcState() == 2);
  Require(CaptureEndText(store.endOfCaptureCode) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::ReplySequence replies(data, size);
  const std::uint8_t options = replies.TakeByte();
  fuzzing::FuzzWorker& w = fuzzing::FuzzWorker::Shared();
  w.store.WithData([options](DataScope& data) {
    data.sysCfg().sessionMode = options & 1;
    data.sysCfg().sync = (options >> 1) & 1;
  });
  w.document.open = ((options >> 2) & 1) != 0;
  if ((options >> 3) & 1) w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  w.store.WithCapture([](CaptureScope& capture) { capture.hdlcState() = 1; });
  const int reason = (options >> 4) & 1;

  WorkerClock clock;
  LONGLONG seconds = 100000;
  clock.seconds = [&seconds] { return seconds; };
  clock.localTime = [] { return SYSTEMTIME{2024, 3, 2, 5, 7, 8, 9, 0}; };
  CaptureDecoder decoder(w.transport, clock);

  std::string_view reply;
  while (replies.Next(reply)) {
    seconds += static_cast<UCHAR>(reply.empty() ? 0 : reply.back()) % 80;
    int before = 0;
    bool headerExists = false;
    w.store.WithCapture([&](const CaptureScope& capture) {
      before = capture.captureBuffer().GetSize();
      headerExists = !capture.captureHeaders().IsEmpty() || capture.Run().captureArmed();
    });
    // The decoders see the text up to a zero byte, except binary lines, which are bytes.
    const std::string_view seen = reply.starts_with("ca#") ? reply : fuzzing::ReplyText(reply);
    const CaptureDecode decoded = decoder.Decode(seen, reason);
    Require(decoded.result == 0 || decoded.result == 1);
    Require(decoded.callEnd == CallEnd::None || decoded.result == 0);
    CheckStore(w.store);

    const auto capture = std::as_const(w.store).HoldCapture();
    const CCaptBufArray& buffer = capture->captureBuffer();
    const int added = buffer.GetSize() - before;
    Require(added >= 0 && added <= 15);
    if (seen.starts_with("ca#")) {
      // A line with its records (the trigger's line too): exactly those records.
      const std::vector<Expected> carried = CarriedRecords(seen, headerExists);
      Require(static_cast<std::size_t>(added) == carried.size());
      for (int k = 0; k < added; ++k) {
        const CCaptBuf& r = buffer[before + k];
        Require(r.data == carried[static_cast<std::size_t>(k)].data &&
                r.flags == carried[static_cast<std::size_t>(k)].flags &&
                r.timeFraction == carried[static_cast<std::size_t>(k)].time);
      }
    } else if (added > 0) {
      // Text items: "CC:AA:TTTT:" from character 5 on.
      Require(seen.starts_with("ca:"));
      for (int k = 0; k < added; ++k) {
        const std::string_view item = seen.substr(5 + static_cast<std::size_t>(k) * 11);
        const CCaptBuf& r = buffer[before + k];
        Require(r.data == HexByte(item) && r.flags == HexByte(item.substr(3)) &&
                r.timeFraction == HexWord(item.substr(6)));
      }
    }
    for (int k = 0; k < added; ++k) {
      const CCaptBuf& r = buffer[before + k];
      Require(!(r.markerShown && r.hidden));
      if (!r.IsModemEvent()) Require(!r.markerShown && !r.hidden);
    }
  }
  return 0;
}
