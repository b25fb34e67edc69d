#pragma once

// The outer layer of ".hsc" and ".ast" files: a capture file is the view-type byte, the capture
// form of the configuration and the store's capture body; a trace file is six trace-setting
// integers, the trace form of the configuration and the store's trace body. Each call holds
// dataMutex throughout, so the worker cannot change the data while a file is read or written.

#include <string>

#include "link/store/DocumentType.h"
#include "link/store/FileStatus.h"
#include "platform/nt/BaseTypes.h"

class ByteReader;
class ByteWriter;
class CORUData;

// The application settings that files carry.
struct FileSettings {
  int viewType = 1;      // "View Type": 1 ASCII, 2 HEX (capture files)
  int traceScale = 0;    // "Trace Scale"
  int traceSpan = 0;     // "Trace Span"
  int deltaV = 0;        // "DeltaV"
  int traceLine = 1;     // the trace-line setting
  int traceTrigger = 0;  // "Trace Trigger"
};

// The six leading integers of a trace file as they stand (the line is written twice).
struct TraceFileHead {
  LONG scaleIndex = 0;
  LONG spanIndex = 0;
  LONG voltageLevel = 0;
  LONG line = 0;
  LONG triggerType = 0;
  LONG lineAgain = 0;  // the copy loading keeps
};

// Unknown types write nothing and report FileStatus::UnknownType.
FileStatus WriteDocument(ByteWriter& out, CORUData& store, DocumentType documentType, const FileSettings& settings);
// Loading a trace sets the trace settings from the file and copies span, scale and voltage level
// into the store's currentTrace; `head` (optional) receives the six integers as read. A read
// error of the source fails the load with FileStatus::OpenFailed, wherever it happened.
FileStatus ReadDocument(ByteReader& in, CORUData& store, DocumentType documentType, FileSettings& settings,
                        TraceFileHead* head = nullptr);

// The same with a path. Saving writes a temporary file beside the target and renames it over the
// target only when everything was written, so a failed save leaves the old file intact.
FileStatus SaveDocumentFile(const std::string& path, CORUData& store, DocumentType documentType,
                            const FileSettings& settings);
FileStatus LoadDocumentFile(const std::string& path, CORUData& store, DocumentType documentType, FileSettings& settings,
                            TraceFileHead* head = nullptr);

// The loaders leave what they read so far in the store they were given, whatever the outcome.
// The program loads into a store of its own and, only when the load succeeded, moves everything
// a file of `documentType` carries from `loaded` into `store` in one step under dataMutex, so a
// damaged file changes nothing held. The other type's data stays as it is.
void AdoptDocument(CORUData& store, CORUData& loaded, DocumentType documentType);
