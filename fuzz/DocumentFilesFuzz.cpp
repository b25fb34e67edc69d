// Fuzz target for the capture-file and trace-file loaders: any input is loaded as both kinds.
// Nothing may crash or read past the input, and whatever loads must save and load again to the
// same data (or, for a capture whose events announce more bytes than the saved file holds, end
// in the capture-file error, as the loader's rule says).

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <span>
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
  const int records = store.captureBuffer.GetSize();
  const int current = store.currentRecordIndex;
  Require(current >= -1 && current < records);
  if (status != FileStatus::Ok) Require(current == -1);

  std::vector<UCHAR> csv;
  MemorySink csvSink(csv);
  ByteWriter csvOut(csvSink);
  Require(ExportCsv(store, csvOut));

  const std::vector<UCHAR> saved = Save(store, DocumentType::Capture, settings);
  long long announced = 0;
  for (const CORUCaptureHeader& header : store.captureHeaders) announced += header.byteCount;
  CORUData again;
  FileSettings settingsAgain;
  const FileStatus reloaded = Load(saved, again, DocumentType::Capture, settingsAgain);
  if (announced > static_cast<long long>(saved.size())) {
    Require(reloaded == FileStatus::CaptureReadError);
    return;
  }
  Require(reloaded == FileStatus::Ok);
  Require(settingsAgain.viewType == settings.viewType);
  Require(again.sysCfg.triggerText == store.sysCfg.triggerText);
  Require(again.currentRecordIndex == store.currentRecordIndex);
  Require(again.captureHeaders.GetSize() == store.captureHeaders.GetSize());
  for (int i = 0; i < store.captureHeaders.GetSize(); ++i) Require(again.captureHeaders[i] == store.captureHeaders[i]);
  Require(again.captureBuffer.GetSize() == records);
  for (int i = 0; i < records; ++i) {
    const CCaptBuf& a = store.captureBuffer[i];
    const CCaptBuf& b = again.captureBuffer[i];
    Require(a.data == b.data && a.flags == b.flags && a.timeFraction == b.timeFraction &&
            a.timeSeconds == b.timeSeconds && a.markerShown == b.markerShown && a.hidden == b.hidden);
  }
}

void CheckTrace(std::span<const UCHAR> input) {
  CORUData store;
  FileSettings settings;
  const FileStatus status = Load(input, store, DocumentType::Trace, settings);
  Require(status == FileStatus::Ok || status == FileStatus::TraceFormatError);
  const int marker = store.traceMarker1;
  Require(marker >= -1 && marker < store.traceSamples.GetSize());
  if (status != FileStatus::Ok) {
    Require(store.traceSamples.GetSize() == 0);
    return;
  }
  Require(store.traceSamples.GetSize() == CORUData::kTraceFileSamples);
  const std::vector<UCHAR> saved = Save(store, DocumentType::Trace, settings);
  CORUData again;
  FileSettings settingsAgain;
  Require(Load(saved, again, DocumentType::Trace, settingsAgain) == FileStatus::Ok);
  Require(settingsAgain.traceLine == settings.traceLine && settingsAgain.traceTrigger == settings.traceTrigger &&
          settingsAgain.traceScale == settings.traceScale && settingsAgain.traceSpan == settings.traceSpan &&
          settingsAgain.deltaV == settings.deltaV);
  Require(std::bit_cast<std::uint64_t>(again.sysCfg.value1) == std::bit_cast<std::uint64_t>(store.sysCfg.value1));
  Require(std::bit_cast<std::uint64_t>(again.sysCfg.value2) == std::bit_cast<std::uint64_t>(store.sysCfg.value2));
  Require(again.traceCursor1 == store.traceCursor1 && again.traceCursor2 == store.traceCursor2 &&
          again.traceMarker1 == store.traceMarker1);
  for (int i = 0; i < CORUData::kTraceFileSamples; ++i) Require(again.traceSamples[i] == store.traceSamples[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const UCHAR> input(data, size);
  CheckCapture(input);
  CheckTrace(input);
  return 0;
}
