// Fuzz target for the capture-file and trace-file loaders: any input is loaded as both kinds.
// Nothing may crash or read past the input, and whatever loads must save and load again to the
// same data (or, for a capture whose events announce more bytes than the saved file holds, end
// in the capture-file error, as the loader's rule says).

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <utility>
#include <vector>

#include "link/store/ByteReader.h"
#include "link/store/ByteWriter.h"
#include "link/files/CsvExport.h"
#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/store/OruData.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

FileStatus Load(std::span<const UCHAR> bytes, CORUData& store, DocumentType type, FileSettings& settings) {
  MemorySource source(bytes);
  ByteReader in(source);
  return ReadDocument(in, store, type, settings);
}

std::vector<UCHAR> Save(CORUData& store, DocumentType type, const FileSettings& settings) {
  std::vector<UCHAR> bytes;
  MemorySink sink(bytes);
  ByteWriter out(sink);
  Require(WriteDocument(out, store, type, settings) == FileStatus::Ok);
  return bytes;
}

void CheckCapture(std::span<const UCHAR> input) {
  CORUData store;
  FileSettings settings;
  const FileStatus status = Load(input, store, DocumentType::Capture, settings);
  Require(status == FileStatus::Ok || status == FileStatus::CaptureReadError);
  // One thread: the lock is held throughout, the store's own calls below take it again.
  const auto capture = std::as_const(store).HoldCapture();
  const int records = capture->captureBuffer().GetSize();
  const int current = capture->currentRecordIndex();
  Require(current >= -1 && current < records);
  if (status != FileStatus::Ok) Require(current == -1);

  std::vector<UCHAR> csv;
  MemorySink csvSink(csv);
  ByteWriter csvOut(csvSink);
  Require(ExportCsv(store, csvOut));

  const std::vector<UCHAR> saved = Save(store, DocumentType::Capture, settings);
  long long announced = 0;
  for (const CORUCaptureHeader& header : capture->captureHeaders()) announced += header.byteCount;
  CORUData again;
  FileSettings settingsAgain;
  const FileStatus reloaded = Load(saved, again, DocumentType::Capture, settingsAgain);
  if (announced > static_cast<long long>(saved.size())) {
    Require(reloaded == FileStatus::CaptureReadError);
    return;
  }
  Require(reloaded == FileStatus::Ok);
  const auto loaded = std::as_const(again).HoldCapture();
  Require(settingsAgain.viewType == settings.viewType);
  Require(loaded->sysCfg().triggerText == capture->sysCfg().triggerText);
  Require(loaded->currentRecordIndex() == capture->currentRecordIndex());
  Require(loaded->captureHeaders().GetSize() == capture->captureHeaders().GetSize());
  for (int i = 0; i < capture->captureHeaders().GetSize(); ++i)
    Require(loaded->captureHeaders()[i] == capture->captureHeaders()[i]);
  Require(loaded->captureBuffer().GetSize() == records);
  for (int i = 0; i < records; ++i) {
    const CCaptBuf& a = capture->captureBuffer()[i];
    const CCaptBuf& b = loaded->captureBuffer()[i];
    Require(a.data == b.data && a.flags == b.flags && a.timeFraction == b.timeFraction &&
            a.timeSeconds == b.timeSeconds && a.markerShown == b.markerShown && a.hidden == b.hidden);
  }
}

void CheckTrace(std::span<const UCHAR> input) {
  CORUData store;
  FileSettings settings;
  const FileStatus status = Load(input, store, DocumentType::Trace, settings);
  Require(status == FileStatus::Ok || status == FileStatus::TraceFormatError);
  const auto trace = std::as_const(store).HoldTrace();
  const int marker = trace->traceMarker1();
  Require(marker >= -1 && marker < trace->traceSamples().GetSize());
  if (status != FileStatus::Ok) {
    Require(trace->traceSamples().GetSize() == 0);
    return;
  }
  Require(trace->traceSamples().GetSize() == CORUData::kTraceFileSamples);
  const std::vector<UCHAR> saved = Save(store, DocumentType::Trace, settings);
  CORUData again;
  FileSettings settingsAgain;
  Require(Load(saved, again, DocumentType::Trace, settingsAgain) == FileStatus::Ok);
  Require(settingsAgain.traceLine == settings.traceLine && settingsAgain.traceTrigger == settings.traceTrigger &&
          settingsAgain.traceScale == settings.traceScale && settingsAgain.traceSpan == settings.traceSpan &&
          settingsAgain.deltaV == settings.deltaV);
  const auto loaded = std::as_const(again).HoldTrace();
  const auto bits = [](double value) { return std::bit_cast<std::uint64_t>(value); };
  Require(bits(loaded->sysCfg().value1) == bits(trace->sysCfg().value1));
  Require(bits(loaded->sysCfg().value2) == bits(trace->sysCfg().value2));
  Require(loaded->traceCursor1() == trace->traceCursor1() && loaded->traceCursor2() == trace->traceCursor2() &&
          loaded->traceMarker1() == trace->traceMarker1());
  for (int i = 0; i < CORUData::kTraceFileSamples; ++i) Require(loaded->traceSamples()[i] == trace->traceSamples()[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const UCHAR> input(data, size);
  CheckCapture(input);
  CheckTrace(input);
  return 0;
}
