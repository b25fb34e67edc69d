#pragma once

// The CSV export of a capture: a header line, then one row per captured byte (in a synchronous
// event shown bit-stuffed, one row per de-stuffed byte), with an EVENT line where each event opens.
// Formatting never depends on the process locale.

#include <string>

#include "link/store/FileStatus.h"
#include "platform/nt/BaseTypes.h"

class ByteWriter;
class CORUData;

// "<NUL>" .. "<US>" for 0..31, "<DEL>" for 127; nullptr for every other byte.
const char* CsvControlName(UCHAR byte);

// Writes the whole export under dataMutex; false when the sink failed.
bool ExportCsv(CORUData& store, ByteWriter& out);
// The same into a new file at `path`; FileStatus::ExportFailed ("Unable to save file") when it
// cannot be created or written.
FileStatus ExportCsvFile(const std::string& path, CORUData& store);

// "%f" of seconds + fraction x 0.0001, both unsigned, with a point whatever the locale.
std::string CsvTimeText(ULONG seconds, ULONG fraction);
