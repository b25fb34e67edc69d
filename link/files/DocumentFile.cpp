#include "link/files/DocumentFile.h"

#include <mutex>

#include "link/store/ByteReader.h"
#include "link/store/ByteWriter.h"
#include "link/store/DocumentType.h"
#include "link/store/OruData.h"
#include "link/files/SafeFileWriter.h"

namespace {

bool ReadTraceHead(ByteReader& in, TraceFileHead& head) {
  return in.Int32(head.scaleIndex) && in.Int32(head.spanIndex) && in.Int32(head.voltageLevel) && in.Int32(head.line) &&
         in.Int32(head.triggerType) && in.Int32(head.lineAgain);
}

FileStatus ReadCapture(ByteReader& in, CORUData& store, FileSettings& settings) {
  store.ClearCapture(true);
  UCHAR viewType = 0;
  if (!in.Byte(viewType) || !store.sysCfg.LoadCaptureForm(in)) {
    // Nothing to refill: give the storage back.
    store.ClearCapture();
    store.DropStaleIndexes();
    return FileStatus::CaptureReadError;
  }
  settings.viewType = viewType;
  return store.LoadBody(in, DocumentType::Capture);
}

FileStatus ReadTrace(ByteReader& in, CORUData& store, FileSettings& settings, TraceFileHead* seen) {
  TraceFileHead head;
  const bool headRead = ReadTraceHead(in, head);
  if (seen != nullptr) *seen = head;
  if (headRead) {
    settings.traceScale = head.scaleIndex;
    settings.traceSpan = head.spanIndex;
    settings.deltaV = head.voltageLevel;
    settings.traceTrigger = head.triggerType;
    settings.traceLine = head.lineAgain;
    store.currentTrace.spanIndex = head.spanIndex;
    store.currentTrace.scaleIndex = head.scaleIndex;
    store.currentTrace.voltageLevel = head.voltageLevel;
  }
  if (!headRead || !store.sysCfg.LoadTraceForm(in)) {
    // Nothing of an older trace may stay on screen under the new file's name.
    store.ClearTrace(TraceKind::Triggered);
    store.traceCursor1 = -1;
    store.traceCursor2 = -1;
    store.DropStaleIndexes();
    return FileStatus::TraceFormatError;
  }
  return store.LoadBody(in, DocumentType::Trace);
}

}  // namespace

FileStatus WriteDocument(ByteWriter& out, CORUData& store, DocumentType documentType, const FileSettings& settings) {
  if (documentType != DocumentType::Capture && documentType != DocumentType::Trace) return FileStatus::UnknownType;
  std::lock_guard guard(store.dataMutex);
  if (documentType == DocumentType::Capture) {
    out.Byte(static_cast<UCHAR>(settings.viewType));
    store.sysCfg.StoreCaptureForm(out);
  } else {
    out.Int32(store.currentTrace.scaleIndex);
    out.Int32(store.currentTrace.spanIndex);
    out.Int32(store.currentTrace.voltageLevel);
    out.Int32(settings.traceLine);
    out.Int32(settings.traceTrigger);
    out.Int32(settings.traceLine);
    store.sysCfg.StoreTraceForm(out);
  }
  store.StoreBody(out, documentType);
  return out.Flush() ? FileStatus::Ok : FileStatus::SaveFailed;
}

FileStatus ReadDocument(ByteReader& in, CORUData& store, DocumentType documentType, FileSettings& settings,
                        TraceFileHead* head) {
  if (documentType != DocumentType::Capture && documentType != DocumentType::Trace) return FileStatus::UnknownType;
  std::lock_guard guard(store.dataMutex);
  const FileStatus status =
      documentType == DocumentType::Capture ? ReadCapture(in, store, settings) : ReadTrace(in, store, settings, head);
  // A file that only seemed to end early is no file at all: its load fails.
  return in.Failed() ? FileStatus::OpenFailed : status;
}

FileStatus SaveDocumentFile(const std::string& path, CORUData& store, DocumentType documentType,
                            const FileSettings& settings) {
  if (documentType != DocumentType::Capture && documentType != DocumentType::Trace) return FileStatus::UnknownType;
  SafeFileWriter file(path);
  if (!file.IsOpen()) return FileStatus::SaveFailed;
  FileSink sink(file.Stream());
  ByteWriter out(sink);
  if (WriteDocument(out, store, documentType, settings) != FileStatus::Ok) return FileStatus::SaveFailed;
  return file.Commit() ? FileStatus::Ok : FileStatus::SaveFailed;
}

FileStatus LoadDocumentFile(const std::string& path, CORUData& store, DocumentType documentType, FileSettings& settings,
                            TraceFileHead* head) {
  if (documentType != DocumentType::Capture && documentType != DocumentType::Trace) return FileStatus::UnknownType;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return FileStatus::OpenFailed;
  FileSource source(file);
  ByteReader in(source);
  FileStatus status = ReadDocument(in, store, documentType, settings, head);
  std::fclose(file);
  return status;
}

void AdoptDocument(CORUData& store, CORUData& loaded, DocumentType documentType) {
  std::lock_guard guard(store.dataMutex);
  if (documentType == DocumentType::Capture) {
    // The marker, the cursor and the layout of the capture held go with it.
    store.ClearCapture();
    store.captureBuffer.Swap(loaded.captureBuffer);
    store.captureHeaders.Swap(loaded.captureHeaders);
    store.sysCfg.TakeCaptureForm(loaded.sysCfg);
    store.highlightParityBit = loaded.highlightParityBit.load();
    store.highlightParityErrors = loaded.highlightParityErrors.load();
    store.currentRecordIndex = loaded.currentRecordIndex.load();
    store.hdlcState = loaded.hdlcState.load();
  } else if (documentType == DocumentType::Trace) {
    store.currentTrace.spanIndex = loaded.currentTrace.spanIndex;
    store.currentTrace.scaleIndex = loaded.currentTrace.scaleIndex;
    store.currentTrace.voltageLevel = loaded.currentTrace.voltageLevel;
    store.sysCfg.TakeTraceForm(loaded.sysCfg);
    store.traceSamples.Swap(loaded.traceSamples);
    store.traceCursor1 = loaded.traceCursor1.load();
    store.traceCursor2 = loaded.traceCursor2.load();
    store.traceMarker1 = loaded.traceMarker1.load();
  }
  store.DropStaleIndexes();
}
