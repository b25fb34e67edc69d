#include "link/files/DocumentFile.h"

#include <mutex>

#include "link/store/ByteReader.h"
#include "link/store/ByteWriter.h"
#include "link/store/DocumentType.h"
#include "link/store/OruData.h"
#include "link/files/SafeFileWriter.h"
#include "link/store/LinkAccess.h"
#include "link/files/RegularFile.h"

namespace {

bool ReadTraceHead(ByteReader& in, TraceFileHead& head) {
  return in.Int32(head.scaleIndex) && in.Int32(head.spanIndex) && in.Int32(head.voltageLevel) && in.Int32(head.line) &&
         in.Int32(head.triggerType) && in.Int32(head.lineAgain);
}

FileStatus ReadCapture(ByteReader& in, CORUData& store, FileSettings& settings) {
  store.ClearCapture(true);
  UCHAR viewType = 0;
  if (!in.Byte(viewType) || !LinkFields(store).sysCfg.LoadCaptureForm(in)) {
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
  auto& fields = LinkFields(store);
  if (headRead) {
    settings.traceScale = head.scaleIndex;
    settings.traceSpan = head.spanIndex;
    settings.deltaV = head.voltageLevel;
    settings.traceTrigger = head.triggerType;
    settings.traceLine = head.lineAgain;
    fields.currentTrace.spanIndex = head.spanIndex;
    fields.currentTrace.scaleIndex = head.scaleIndex;
    fields.currentTrace.voltageLevel = head.voltageLevel;
  }
  if (!headRead || !fields.sysCfg.LoadTraceForm(in)) {
    // Nothing of an older trace may stay on screen under the new file's name.
    store.ClearTrace(TraceKind::Triggered);
    fields.traceCursor1 = -1;
    fields.traceCursor2 = -1;
    store.DropStaleIndexes();
    return FileStatus::TraceFormatError;
  }
  return store.LoadBody(in, DocumentType::Trace);
}

}  // namespace

FileStatus WriteDocument(ByteWriter& out, CORUData& store, DocumentType documentType, const FileSettings& settings) {
  if (documentType != DocumentType::Capture && documentType != DocumentType::Trace) return FileStatus::UnknownType;
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  if (documentType == DocumentType::Capture) {
    out.Byte(static_cast<UCHAR>(settings.viewType));
    fields.sysCfg.StoreCaptureForm(out);
  } else {
    out.Int32(fields.currentTrace.scaleIndex);
    out.Int32(fields.currentTrace.spanIndex);
    out.Int32(fields.currentTrace.voltageLevel);
    out.Int32(settings.traceLine);
    out.Int32(settings.traceTrigger);
    out.Int32(settings.traceLine);
    fields.sysCfg.StoreTraceForm(out);
  }
  store.StoreBody(out, documentType);
  return out.Flush() ? FileStatus::Ok : FileStatus::SaveFailed;
}

FileStatus ReadDocument(ByteReader& in, CORUData& store, DocumentType documentType, FileSettings& settings,
                        TraceFileHead* head) {
  if (documentType != DocumentType::Capture && documentType != DocumentType::Trace) return FileStatus::UnknownType;
  std::lock_guard guard(LinkFields(store).dataMutex);
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
  std::FILE* file = OpenRegularFile(path);
  if (file == nullptr) return FileStatus::OpenFailed;
  FileSource source(file);
  ByteReader in(source);
  FileStatus status = ReadDocument(in, store, documentType, settings, head);
  std::fclose(file);
  return status;
}

void AdoptDocument(CORUData& store, CORUData& loaded, DocumentType documentType) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  auto& loadedFields = LinkFields(loaded);
  if (documentType == DocumentType::Capture) {
    // The marker, the cursor and the layout of the capture held go with it.
    store.ClearCapture();
    fields.captureBuffer.Swap(loadedFields.captureBuffer);
    fields.captureHeaders.Swap(loadedFields.captureHeaders);
    fields.sysCfg.TakeCaptureForm(loadedFields.sysCfg);
    fields.highlightParityBit = loadedFields.highlightParityBit.load();
    fields.highlightParityErrors = loadedFields.highlightParityErrors.load();
    fields.currentRecordIndex = loadedFields.currentRecordIndex.load();
    fields.hdlcState = loadedFields.hdlcState.load();
  } else if (documentType == DocumentType::Trace) {
    fields.currentTrace.spanIndex = loadedFields.currentTrace.spanIndex;
    fields.currentTrace.scaleIndex = loadedFields.currentTrace.scaleIndex;
    fields.currentTrace.voltageLevel = loadedFields.currentTrace.voltageLevel;
    fields.sysCfg.TakeTraceForm(loadedFields.sysCfg);
    fields.traceSamples.Swap(loadedFields.traceSamples);
    fields.traceCursor1 = loadedFields.traceCursor1.load();
    fields.traceCursor2 = loadedFields.traceCursor2.load();
    fields.traceMarker1 = loadedFields.traceMarker1.load();
  }
  store.DropStaleIndexes();
}
