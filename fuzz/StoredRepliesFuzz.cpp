// Fuzz target for the replies of the instrument's stored memory: every reply of the input goes
// to the session and trace directory parsers ("sh:", "th:") and to the session and trace
// download decoders ("rd:0", "rd:1", "rd#", "rt:"), all writing into one store. Nothing may
// crash; a directory reply touches only the entry it names, a download line adds at most what
// one 64-byte read can carry (binary records exactly as sent), and the event byte counts stay
// whole.

#include <cstdint>
#include <utility>

#include "FuzzWorker.h"
#include "ReplySequence.h"
#include "link/protocol/StoredDirectory.h"
#include "link/protocol/StoredDownload.h"

namespace {

using SessionDirectory = decltype(StoreFields::sessionDirectory);

void CheckDirectory(const CORUData& store, const SessionDirectory& before, std::string_view reply) {
  const auto data = store.HoldData();
  const auto trace = store.HoldTrace();
  for (int i = 0; i < CORUData::kSessionSlots; ++i) {
    const CORUCaptureHeader& entry = data->sessionDirectory()[static_cast<std::size_t>(i)];
    Require(entry.startTime.size() <= 8);
    if (!reply.starts_with("sh:")) Require(entry == before[static_cast<std::size_t>(i)]);
    Require(entry.reserved32 >= 0 && entry.reserved32 <= 0xFFFF);
  }
  for (int i = 0; i < CORUData::kTraceSlots; ++i) {
    const CORUTraceHeader& entry = trace->traceDirectory()[static_cast<std::size_t>(i)];
    Require(entry.time.size() <= 8);
    Require(entry.triggerType >= -1 && entry.triggerType <= 0xFFFF);
    Require(entry.line >= -1 && entry.line <= 0xFFFF);
  }
}

void CheckEvents(const CORUData& store) {
  const auto capture = store.HoldCapture();
  const int records = capture->captureBuffer().GetSize();
  const CCaptureHeaderArray& events = capture->captureHeaders();
  const int headers = events.GetSize();
  for (int i = 0; i < headers; ++i) {
    const CORUCaptureHeader& h = events[i];
    const LONG end = i + 1 < headers ? events[i + 1].firstIndex : records;
    Require(h.firstIndex >= 0 && h.byteCount == end - h.firstIndex);
    Require(h.startDate.size() <= 8 && h.startTime.size() <= 8);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::ReplySequence replies(data, size);
  const std::uint8_t options = replies.TakeByte();
  fuzzing::FuzzWorker& w = fuzzing::FuzzWorker::Shared();
  w.document.open = (options & 1) != 0;
  w.store.WithCapture([](CaptureScope& capture) { capture.hdlcState() = 1; });
  StoredCaptureDecoder decoder(w.transport, static_cast<UCHAR>(options & (EVENT_SYNC | EVENT_4WIRE | EVENT_7E1)));

  std::string_view reply;
  while (replies.Next(reply)) {
    const std::string_view text = fuzzing::ReplyText(reply);
    const SessionDirectory directoryBefore =
        w.store.WithData([](const DataScope& data) { return data.sessionDirectory(); });
    const int session = ParseSessionHeader(w.store, text);
    const int trace = ParseTraceHeader(w.store, text);
    Require((session == 0 || session == 1) && (trace == 0 || trace == 1));
    CheckDirectory(w.store, directoryBefore, text);

    const int records =
        w.store.WithCapture([](const CaptureScope& capture) { return capture.captureBuffer().GetSize(); });
    const int samples = w.store.WithTrace([](const TraceScope& trace) { return trace.traceSamples().GetSize(); });
    const int next = decoder.Decode(text, reply);
    Require(next == 0 || next == 1);
    const int more = DecodeStoredTrace(w.context, text);
    Require(more == (text.size() >= 4 && text.starts_with("rt:") ? 1 : 0));
    CheckEvents(w.store);

    const auto capture = std::as_const(w.store).HoldCapture();
    const auto stored = std::as_const(w.store).HoldTrace();
    const int added = capture->captureBuffer().GetSize() - records;
    Require(added >= 0 && added <= 15);
    if (added > 0 && !text.starts_with("rd:")) {
      // Binary records: the count's worth of whole records, each as sent.
      Require(reply.starts_with("rd#"));
      Require(added <= static_cast<signed char>(reply[3]));
      for (int k = 0; k < added; ++k) {
        const auto* b = reinterpret_cast<const UCHAR*>(reply.data() + 4 + 4 * k);
        const CCaptBuf& r = capture->captureBuffer()[records + k];
        Require(r.data == b[0] && r.flags == b[1] && r.timeFraction == static_cast<ULONG>(b[2] * 256 + b[3]));
      }
    }
    const int taken = stored->traceSamples().GetSize() - samples;
    Require(taken >= 0 && taken <= 12);
    for (int k = 0; k < taken; ++k) {
      const int sample = stored->traceSamples()[samples + k];
      Require(sample >= -32768 && sample <= 32767);
    }
  }
  return 0;
}
