#include "link/files/CsvExport.h"

#include <cstring>
#include <mutex>
#include <string_view>

#include "link/store/ByteWriter.h"
#include "link/store/HdlcReplay.h"
#include "link/store/OruData.h"
#include "link/files/SafeFileWriter.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr const char* kControlNames[32] = {"<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEL>",
                                           "<BS>",  "<TAB>", "<LF>",  "<VT>",  "<FF>",  "<CR>",  "<SO>",  "<SI>",
                                           "<DLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>", "<NAK>", "<SYN>", "<ETB>",
                                           "<CAN>", "<EM>",  "<SUB>", "<ESC>", "<FS>",  "<GS>",  "<RS>",  "<US>"};

constexpr std::size_t kLongestRow = 96;  // index, byte, name, direction, time and CR LF fit easily

char* PutText(char* at, std::string_view text) {
  std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

// Decimal of an unsigned value.
char* PutUnsigned(char* at, ULONGLONG value, int minDigits = 1) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 || n < minDigits);
  while (n != 0) *at++ = digits[--n];
  return at;
}

char* PutSigned(char* at, LONG value) {
  if (value < 0) {
    *at++ = '-';
    return PutUnsigned(at, static_cast<ULONGLONG>(-static_cast<LONGLONG>(value)));
  }
  return PutUnsigned(at, static_cast<ULONGLONG>(value));
}

// The exact decimal value has at most four decimals, so integer arithmetic gives what "%f" prints
// for the double sum: its rounding error stays far below the sixth decimal for 32-bit words.
char* PutTime(char* at, ULONG seconds, ULONG fraction) {
  const ULONGLONG micro = static_cast<ULONGLONG>(seconds) * 1000000u + static_cast<ULONGLONG>(fraction) * 100u;
  at = PutUnsigned(at, micro / 1000000u);
  *at++ = '.';
  return PutUnsigned(at, micro % 1000000u, 6);
}

char* PutHexByte(char* at, UCHAR byte) {
  constexpr char kHex[] = "0123456789ABCDEF";
  *at++ = '0';
  *at++ = 'x';
  *at++ = kHex[byte >> 4];
  *at++ = kHex[byte & 0xF];
  return at;
}

void WriteRow(ByteWriter& out, LONG index, UCHAR byte, bool answer, const CCaptBuf& record) {
  char* start = reinterpret_cast<char*>(out.Room(kLongestRow));
  char* at = PutSigned(start, index);
  *at++ = ',';
  at = PutHexByte(at, byte);
  *at++ = ',';
  if (byte == 0x22) {
    at = PutText(at, "\"\"\"\"");
  } else if (byte == 0x20) {
    at = PutText(at, "\"<SP>\"");
  } else if (const char* name = CsvControlName(byte)) {
    *at++ = '"';
    at = PutText(at, name);
    *at++ = '"';
  } else {
    *at++ = '"';
    *at++ = static_cast<char>(byte);
    *at++ = '"';
  }
  *at++ = ',';
  *at++ = answer ? 'A' : 'O';
  *at++ = ',';
  at = PutTime(at, record.timeSeconds, record.timeFraction);
  *at++ = '\r';
  *at++ = '\n';
  out.Advance(static_cast<std::size_t>(at - start));
}

void WriteEventLine(ByteWriter& out, int number, const CORUCaptureHeader& header) {
  std::string line = "EVENT #";
  line += std::to_string(number);
  line += ":  ";
  line += header.startDate;
  line += ' ';
  line += header.startTime;
  line += ' ';
  line += header.eventName;
  line += "  ";
  line += std::to_string(header.byteCount);
  line += " bytes\n";
  out.Text(line);
}

}  // namespace

const char* CsvControlName(UCHAR byte) {
  if (byte < 32) return kControlNames[byte];
  if (byte == 127) return "<DEL>";
  return nullptr;
}

std::string CsvTimeText(ULONG seconds, ULONG fraction) {
  char text[48];
  char* end = PutTime(text, seconds, fraction);
  return std::string(text, end);
}

bool ExportCsv(CORUData& store, ByteWriter& out) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  out.Text("Index,HEX Data,ASCII Data,Ans/Orig,Time\r\n");
  const bool bitStuffed = fields.sysCfg.bitStuffed == 1;
  const bool sevenBit = fields.sysCfg.parity7E1 != 0;
  // Own de-stuffers: the export replays the records without disturbing the view's.
  CHDLCProcessor answer, originate;
  HdlcReplay replay(answer, originate, bitStuffed, fields.showModemEvents != 0);
  EventWalker events(fields.captureHeaders);
  bool sync = false;
  const int records = fields.captureBuffer.GetSize();
  const CCaptBuf* buffer = fields.captureBuffer.GetData();
  for (int i = 0; i < records; ++i) {
    for (int e = events.NextOpening(i); e != -1; e = events.NextOpening(i)) {
      const CORUCaptureHeader& header = fields.captureHeaders[e];
      WriteEventLine(out, e + 1, header);
      sync = header.IsSync();
      if (sync) replay.StartEvent();
    }
    const CCaptBuf& record = buffer[i];
    LONG index = i;
    UCHAR byte = record.data;
    if (sync && bitStuffed) {
      const SyncStep step = replay.Step(record);
      if ((step.result & HDLC_BYTE_READY) == 0) continue;
      index = static_cast<LONG>(step.sequence);
      byte = step.byte;
    }
    if (sevenBit) byte = static_cast<UCHAR>(byte % 128);
    WriteRow(out, index, byte, record.IsAnswer(), record);
  }
  return out.Flush();
}

FileStatus ExportCsvFile(const std::string& path, CORUData& store) {
  SafeFileWriter file(path);
  if (!file.IsOpen()) return FileStatus::ExportFailed;
  FileSink sink(file.Stream());
  ByteWriter out(sink);
  if (!ExportCsv(store, out)) return FileStatus::ExportFailed;
  return file.Commit() ? FileStatus::Ok : FileStatus::ExportFailed;
}
