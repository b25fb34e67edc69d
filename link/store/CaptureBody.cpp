// The capture body of a ".hsc" file: three store fields, the event headers (plain) and the
// captured-byte records, each field XORed with the C runtime generator's stream.

#include <algorithm>
#include <climits>
#include <string_view>

#include "link/store/ArchiveStrings.h"
#include "link/store/CrtRandom.h"
#include "link/store/ModemEventPairing.h"
#include "link/store/OruData.h"

namespace {

// Longest texts the loader accepts in a header; longer ones are cut when written as well, so
// that every file written here loads again.
constexpr LONG kDateLimit = static_cast<LONG>(kEventDateLimit);
constexpr LONG kNameLimit = static_cast<LONG>(kEventNameLimit);
constexpr LONG kTimeLimit = static_cast<LONG>(kEventTimeLimit);
constexpr LONG kEndTextLimit = static_cast<LONG>(kEventEndTextLimit);
constexpr std::size_t kRecordBytes = 10;
constexpr int kMaxRecords = INT_MAX - 1;  // indexes are 32-bit

std::string_view Cut(const std::string& text, LONG limit) {
  return std::string_view(text).substr(0, static_cast<std::size_t>(limit));
}

void StoreHeader(ByteWriter& out, const CORUCaptureHeader& header) {
  out.Byte(header.flags);
  out.Int32(header.reserved32);
  WriteCountedString(out, Cut(header.startDate, kDateLimit));
  out.Int32(header.firstIndex);
  out.Int32(header.byteCount);
  WriteCountedString(out, Cut(header.eventName, kNameLimit));
  out.Int32(header.reserved4);
  WriteCountedString(out, Cut(header.startTime, kTimeLimit));
  WriteCountedString(out, Cut(header.endText, kEndTextLimit));
}

bool LoadHeader(ByteReader& in, CORUCaptureHeader& header) {
  return in.Byte(header.flags) && in.Int32(header.reserved32) && ReadCountedString(in, header.startDate, kDateLimit) &&
         in.Int32(header.firstIndex) && in.Int32(header.byteCount) &&
         ReadCountedString(in, header.eventName, kNameLimit) && in.Int32(header.reserved4) &&
         ReadCountedString(in, header.startTime, kTimeLimit) && ReadCountedString(in, header.endText, kEndTextLimit);
}

}  // namespace

void CORUData::StoreCaptureBody(ByteWriter& out) {
  std::lock_guard guard(fields_.dataMutex);
  CrtRandom stream(CAPTURE_FILE_SEED);
  out.Int32(fields_.highlightParityBit);
  out.Int32(fields_.highlightParityErrors);
  out.Int32(fields_.currentRecordIndex);
  out.Int32(fields_.captureHeaders.GetSize());
  for (const CORUCaptureHeader& header : fields_.captureHeaders) StoreHeader(out, header);
  for (const CCaptBuf& record : fields_.captureBuffer) {
    UCHAR* at = out.Claim(kRecordBytes);
    at[0] = static_cast<UCHAR>(record.data ^ stream.Next());
    at[1] = static_cast<UCHAR>(record.flags ^ stream.Next());
    ByteWriter::PutLE(at + 2, record.timeFraction ^ stream.Next(), 4);
    ByteWriter::PutLE(at + 6, record.timeSeconds ^ stream.Next(), 4);
  }
}

FileStatus CORUData::LoadCaptureBody(ByteReader& in) {
  std::lock_guard guard(fields_.dataMutex);
  CrtRandom stream(CAPTURE_FILE_SEED);
  // Pairing starts afresh, whatever a live capture left behind.
  fields_.hdlcState = 1;
  // A file opened in place of a capture of similar size refills the same storage.
  ClearCapture(true);

  auto fail = [this] {
    fields_.captureBuffer.Trim();
    fields_.currentRecordIndex = -1;
    DropStaleIndexes();
    return FileStatus::CaptureReadError;
  };

  LONG parityBit = 0, parityErrors = 0, current = 0, headerCount = 0;
  if (!in.Int32(parityBit) || !in.Int32(parityErrors) || !in.Int32(current)) return fail();
  fields_.highlightParityBit = parityBit;
  fields_.highlightParityErrors = parityErrors;
  fields_.currentRecordIndex = current;
  if (!in.Int32(headerCount)) return fail();
  const ULONGLONG fileLength = in.Length();
  if (headerCount < 0 || static_cast<ULONGLONG>(headerCount) > fileLength) return fail();

  ULONGLONG byteTotal = 0;
  for (LONG k = 0; k < headerCount; ++k) {
    CORUCaptureHeader header;
    if (!LoadHeader(in, header) || header.byteCount < 0) return fail();
    byteTotal += static_cast<ULONGLONG>(header.byteCount);
    if (byteTotal > fileLength) return fail();
    fields_.captureHeaders.Add(header);
  }

  // At most one record more than the events announce; the reservation is bounded by the bytes left.
  const ULONGLONG attempts = byteTotal + 1;
  const ULONGLONG fitting = std::min(attempts, in.Remaining() / kRecordBytes);
  fields_.captureBuffer.Reserve(static_cast<int>(std::min<ULONGLONG>(fitting, kMaxRecords)));
  int pairing = 1;
  for (ULONGLONG n = 0; n < attempts; ++n) {
    const UCHAR* at = in.Take(kRecordBytes);
    if (at == nullptr) break;  // an incomplete last record is dropped undrawn
    if (fields_.captureBuffer.GetSize() >= kMaxRecords) return fail();
    CCaptBuf record;
    record.data = static_cast<UCHAR>(at[0] ^ stream.Next());
    record.flags = static_cast<UCHAR>(at[1] ^ stream.Next());
    record.timeFraction = static_cast<ULONG>(ByteReader::GetLE(at + 2, 4)) ^ stream.Next();
    record.timeSeconds = static_cast<ULONG>(ByteReader::GetLE(at + 6, 4)) ^ stream.Next();
    PairModemEvent(record, pairing);
    fields_.captureBuffer.Add(record);
  }
  fields_.hdlcState = pairing;
  fields_.captureBuffer.Trim();
  DropStaleIndexes();
  return FileStatus::Ok;
}
