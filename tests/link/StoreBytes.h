#pragma once

// Test helpers: write a store to bytes and load bytes into a store, through the file code.

#include <string>
#include <vector>

#include "link/store/ByteReader.h"
#include "link/store/ByteWriter.h"
#include "link/files/CsvExport.h"
#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/store/OruData.h"

inline std::vector<UCHAR> SaveToBytes(CORUData& store, DocumentType type, const FileSettings& settings = {}) {
  std::vector<UCHAR> bytes;
  MemorySink sink(bytes);
  ByteWriter out(sink);
  WriteDocument(out, store, type, settings);
  return bytes;
}

inline FileStatus LoadFromBytes(const std::vector<UCHAR>& bytes, CORUData& store, DocumentType type,
                                FileSettings* settings = nullptr, TraceFileHead* head = nullptr) {
  MemorySource source(bytes);
  ByteReader in(source);
  FileSettings ignored;
  return ReadDocument(in, store, type, settings != nullptr ? *settings : ignored, head);
}

inline std::string CsvOf(CORUData& store) {
  std::vector<UCHAR> bytes;
  MemorySink sink(bytes);
  ByteWriter out(sink);
  ExportCsv(store, out);
  return std::string(bytes.begin(), bytes.end());
}

inline CORUCaptureHeader MakeEvent(LONG first, LONG count, UCHAR flags = 0, std::string name = "CONNECT 2400") {
  CORUCaptureHeader header;
  header.firstIndex = first;
  header.byteCount = count;
  header.flags = flags;
  header.eventName = std::move(name);
  header.startDate = "03/05/24";
  header.startTime = "07:08:09";
  return header;
}
