// Fuzz target for the replies of the instrument's stored memory: every reply of the input goes
// to the session and trace directory parsers ("sh:", "th:") and to the session and trace
// download decoders ("rd:0", "rd:1", "rd#", "rt:"), all writing into one store. Nothing may
// crash; a directory reply touches only the entry it names, a download line adds at most what
// one 64-byte read can carry (binary records exactly as sent), and the event byte counts stay
// whole.

#include <cstdint>
#include <mutex>

#include "FuzzWorker.h"
#include "ReplySequence.h"
#include "link/protocol/StoredDirectory.h"
#include "link/protocol/StoredDownload.h"

namespace {

using SessionDirectory = decltype(CORUData::sessionDirectory);

void CheckDirectory(CORUData& store, const SessionDirectory& before, std::string_view reply) {
  std::lock_guard guard(store.dataMutex);
  for (int i = 0; i < CORUData::kSessionSlots; ++i) {
    const CORUCaptureHeader& entry = store.sessionDirectory[static_cast<std::size_t>(i)];
    Require(entry.startTime.size() <= 8);
    if (!reply.starts_with("sh:")) Require(entry == before[static_cast<std::size_t>(i)]);
    Require(entry.reserved32 >= 0 && entry.reserved32 <= 0xFFFF);
  }
  for (int i = 0; i < CORUData::kTraceSlots; ++i) {
    const CORUTraceHeader& entry = store.traceDirectory[static_cast<std::size_t>(i)];
    Require(entry.time.size() <= 8);
    Require(entry.triggerType >= -1 && entry.triggerType <= 0xFFFF);
    Require(entry.line >= -1 && entry.line <= 0xFFFF);
  }
}

void CheckEvents(CORUData& store) {
  std::lock_guard guard(store.dataMutex);
  const int records = store.captureBuffer.GetSize();
  const int headers = store.captureHeaders.GetSize();
  for (int i = 0; i < headers; ++i) {
    const CORUCaptureHeader& h = store.captureHeaders[i];
    const LONG end = i + 1 < headers ? store.captureHeaders[i + 1].firstIndex : records;
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
  w.store.hdlcState = 1;
  StoredCaptureDecoder decoder(w.transport, static_cast<UCHAR>(options & (EVENT_SYNC | EVENT_4WIRE | EVENT_7E1)));

  std::string_view reply;
  while (replies.Next(reply)) {
    const std::string_view text = fuzzing::ReplyText(reply);
    SessionDirectory directoryBefore;
    {
      std::lock_guard guard(w.store.dataMutex);
      directoryBefore = w.store.sessionDirectory;
    }
    const int session = ParseSessionHeader(w.store, text);
    const int trace = ParseTraceHeader(w.store, text);
    Require((session == 0 || session == 1) && (trace == 0 || trace == 1));
    CheckDirectory(w.store, directoryBefore, text);

    int records = 0;
    int samples = 0;
    {
      std::lock_guard guard(w.store.dataMutex);
      records = w.store.captureBuffer.GetSize();
      samples = w.store.traceSamples.GetSize();
    }
    const int next = decoder.Decode(text, reply);
    Require(next == 0 || next == 1);
    const int more = DecodeStoredTrace(w.context, text);
    Require(more == (text.size() >= 4 && text.starts_with("rt:") ? 1 : 0));
    CheckEvents(w.store);

    std::lock_guard guard(w.store.dataMutex);
    const int added = w.store.captureBuffer.GetSize() - records;
    Require(added >= 0 && added <= 15);
    if (added > 0 && !text.starts_with("rd:")) {
      // Binary records: the count's worth of whole records, each as sent.
      Require(reply.starts_with("rd#"));
      Require(added <= static_cast<signed char>(reply[3]));
      for (int k = 0; k < added; ++k) {
        const auto* b = reinterpret_cast<const UCHAR*>(reply.data() + 4 + 4 * k);
        const CCaptBuf& r = w.store.captureBuffer[records + k];
        Require(r.data == b[0] && r.flags == b[1] && r.timeFraction == static_cast<ULONG>(b[2] * 256 + b[3]));
      }
    }
    const int taken = w.store.traceSamples.GetSize() - samples;
    Require(taken >= 0 && taken <= 12);
    for (int k = 0; k < taken; ++k) {
      const int sample = w.store.traceSamples[samples + k];
      Require(sample >= -32768 && sample <= 32767);
    }
  }
  return 0;
}
