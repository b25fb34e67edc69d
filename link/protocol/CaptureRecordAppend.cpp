#include "link/protocol/CaptureRecordAppend.h"

#include <mutex>

#include "link/protocol/HexDigits.h"
#include "link/store/ModemEventPairing.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr std::size_t kTextItemStart = 5;
constexpr std::size_t kTextItemLength = 11;

}  // namespace

std::vector<CCaptBuf> ParseCaptureTextItems(std::string_view reply) {
  std::vector<CCaptBuf> records;
  for (std::size_t at = kTextItemStart; at + 10 <= reply.size(); at += kTextItemLength) {
    records.emplace_back(static_cast<UCHAR>(HexByte(reply.substr(at))),
                         static_cast<UCHAR>(HexByte(reply.substr(at + 3))),
                         static_cast<ULONG>(HexWord(reply.substr(at + 6))), 0);
  }
  return records;
}

void AppendPairedRecords(CORUData& store, std::vector<CCaptBuf>& records) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  int pairing = fields.hdlcState;
  for (CCaptBuf& record : records) {
    PairModemEvent(record, pairing);
    fields.captureBuffer.Add(record);
  }
  fields.hdlcState = pairing;
  if (!fields.captureHeaders.IsEmpty()) {
    CORUCaptureHeader& last = fields.captureHeaders[fields.captureHeaders.GetSize() - 1];
    last.byteCount = fields.captureBuffer.GetSize() - last.firstIndex;
  }
}
