#include "link/protocol/CaptureRecordAppend.h"

#include <mutex>

#include "link/protocol/HexDigits.h"
#include "link/store/ModemEventPairing.h"

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
  std::lock_guard guard(store.dataMutex);
  int pairing = store.hdlcState;
  for (CCaptBuf& record : records) {
    PairModemEvent(record, pairing);
    store.captureBuffer.Add(record);
  }
  store.hdlcState = pairing;
  if (!store.captureHeaders.IsEmpty()) {
    CORUCaptureHeader& last = store.captureHeaders[store.captureHeaders.GetSize() - 1];
    last.byteCount = store.captureBuffer.GetSize() - last.firstIndex;
  }
}
