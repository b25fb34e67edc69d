#include "link/protocol/StoredDownload.h"

#include <mutex>
#include <string>
#include <vector>

#include "link/protocol/CaptureRecordAppend.h"
#include "link/protocol/DecimalText.h"
#include "link/store/DocumentType.h"
#include "link/protocol/HexDigits.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr UCHAR kEntryFlagBits = EVENT_SYNC | EVENT_4WIRE | EVENT_7E1;
constexpr std::size_t kBinaryRecordStart = 4;
constexpr std::size_t kBinaryRecordLength = 4;
constexpr int kMaxBinaryRecords = 15;
constexpr std::size_t kDateWidth = 8;
constexpr std::size_t kTimeWidth = 2;
constexpr std::size_t kTraceItemStart = 3;
constexpr std::size_t kTraceItemLength = 5;

void MarkModified(LinkContext& context, DocumentType documentType) {
  DocumentState* document = context.document;
  if (document != nullptr && document->IsDocumentOpen()) document->SetTypeModified(true, documentType);
}

bool MonthOrDayIsZero(const std::string& date) {
  auto two = [&](std::size_t at) { return date.size() >= at + 2 ? date.substr(at, 2) : std::string(); };
  const auto month = ParseDecimalInteger(two(0));
  const auto day = ParseDecimalInteger(two(3));
  return month.value_or(0) == 0 || day.value_or(0) == 0;
}

// "RD:n" / "RT:n", then "RD" / "RT" after each line the decoder took, until the exit request.
template <class Decode>
int Download(CommTransport& transport, const std::string& first, const char* next, Decode decode) {
  int result = 0;
  if (transport.SendCommand(first)) {
    for (;;) {
      if (!transport.ReadReply(kReplyTimeoutMs)) {
        transport.replyText.clear();
        transport.replyLength = 0;
      }
      result = decode();
      // A program that is ending does not wait for the rest: the exit handshake is bounded.
      if (result == 0 || transport.Signals().ExitRequested() || !transport.SendCommand(next)) break;
    }
  }
  return result;
}

}  // namespace

int StoredCaptureDecoder::Decode(std::string_view replyText, std::string_view replyBytes) {
  if (replyText.size() >= 4 && replyText.starts_with("rd:")) {
    const auto state = ParseDecimalInteger(SplitFields(replyText.substr(3))[0]);
    if (state == 0) return DecodeHeader(replyText);
    if (state == 1) return DecodeText(replyText);
    return 0;
  }
  if (replyBytes.size() >= 4 && replyBytes.starts_with("rd#")) return DecodeBinary(replyBytes);
  return 0;
}

int StoredCaptureDecoder::DecodeHeader(std::string_view reply) {
  auto f = SplitFields(reply.substr(3));
  f.resize(6);  // state name date hh mm ss; missing fields read empty
  CORUCaptureHeader header;
  header.eventName = std::string(f[1]);
  std::string date(f[2].substr(0, kDateWidth));
  if (MonthOrDayIsZero(date)) date = "01\\01\\00";
  header.startDate = date;
  header.startTime = std::string(f[3].substr(0, kTimeWidth)) + ":" + std::string(f[4].substr(0, kTimeWidth)) + ":" +
                     std::string(f[5].substr(0, kTimeWidth));
  header.flags = entryFlags_;
  FitTextsToFile(header);
  timeStamps_.Restart();
  CORUData& store = transport_.Store();
  auto& storeFields = LinkFields(store);
  std::lock_guard guard(storeFields.dataMutex);
  storeFields.currentRecordIndex = -1;
  storeFields.cursorRecordIndex = -1;
  header.firstIndex = storeFields.captureBuffer.GetSize();
  header.byteCount = 0;
  storeFields.captureHeaders.Add(header);
  return 1;
}

int StoredCaptureDecoder::DecodeText(std::string_view reply) {
  std::vector<CCaptBuf> records = ParseCaptureTextItems(reply);
  Append(records);
  return 1;
}

int StoredCaptureDecoder::DecodeBinary(std::string_view bytes) {
  const int count = static_cast<signed char>(bytes[3]);
  if (count < 0 || count > kMaxBinaryRecords) return 0;
  if (bytes.size() < 6) return 0;
  std::vector<CCaptBuf> records;
  for (std::size_t at = kBinaryRecordStart;
       at + kBinaryRecordLength <= bytes.size() && records.size() < static_cast<std::size_t>(count);
       at += kBinaryRecordLength) {
    const auto byte = [&](std::size_t i) { return static_cast<UCHAR>(bytes[at + i]); };
    records.emplace_back(byte(0), byte(1), static_cast<ULONG>(byte(2) * 256 + byte(3)), 0);
  }
  Append(records);
  return 1;
}

void StoredCaptureDecoder::Append(std::vector<CCaptBuf>& records) {
  // Seconds as a live capture of the same bytes gets them; the download's own pace is no clock.
  timeStamps_.StampLine(records, CaptureTimeStamps::kRecordedClock);
  AppendPairedRecords(transport_.Store(), records);
  MarkModified(transport_.Context(), DocumentType::Capture);
}

int DecodeStoredTrace(LinkContext& context, std::string_view reply) {
  if (reply.size() < 4 || !reply.starts_with("rt:")) return 0;
  CORUData& store = context.dataStore;
  {
    auto& fields = LinkFields(store);
    std::lock_guard guard(fields.dataMutex);
    for (std::size_t at = kTraceItemStart; at + kTraceItemLength <= reply.size(); at += kTraceItemLength) {
      int value = static_cast<int>(HexWord(reply.substr(at)));
      if (value > 32767) value -= 65536;
      fields.traceSamples.Add(value);
    }
  }
  MarkModified(context, DocumentType::Trace);
  return 1;
}

int DownloadCapture(CommTransport& transport, int slot) {
  if (slot < 1 || slot > CORUData::kSessionSlots) return 0;
  UCHAR flags = 0;
  {
    CORUData& store = transport.Store();
    auto& fields = LinkFields(store);
    std::lock_guard guard(fields.dataMutex);
    const CORUCaptureHeader& entry = fields.sessionDirectory[static_cast<std::size_t>(slot - 1)];
    if (entry.reserved32 != 0) flags = entry.flags & kEntryFlagBits;
    fields.hdlcState = 1;  // the download's first modem-event byte opens a pair, as a capture's does
  }
  StoredCaptureDecoder decoder(transport, flags);
  const int result = Download(transport, "RD:" + std::to_string(slot), "RD",
                              [&] { return decoder.Decode(transport.replyText, transport.ReplyBytes()); });
  transport.Notify(WM_ORU_GET_CAPTURE_DATA);
  return result;
}

int DownloadTrace(CommTransport& transport, int slot) {
  if (slot < 1 || slot > CORUData::kTraceSlots) return 0;
  const int result = Download(transport, "RT:" + std::to_string(slot), "RT",
                              [&] { return DecodeStoredTrace(transport.Context(), transport.replyText); });
  transport.Notify(WM_ORU_TRACE_RECALL_DONE);
  return result;
}
