#include "link/protocol/CaptureDecoder.h"

#include <charconv>
#include <mutex>
#include <vector>

#include "link/protocol/CaptureRecordAppend.h"
#include "link/store/DocumentType.h"
#include "link/protocol/HexDigits.h"
#include "link/store/ModemEventPairing.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr const char* kEndTexts[] = {
    " ",
    "Capture aborted.",
    "Modem initialization error.",
    "ATA modem error.",
    "ATD modem error.",
    "DTMF trigger string error.",
    "H1 command error.",
    "Modem timeout.",
    "DCD error.",
    "Capture session complete.",
    "Vacant POTS line.",
    "Busy POTS line.",
    "ATA DCD timeout.",
    "ATD DCD timeout.",
    "Connect speed mismatch.",
    "No answer from host.",
};

constexpr std::size_t kEndReplyLength = 6;  // "ca:1:" and one digit
constexpr std::size_t kBinaryCountAt = 3;
constexpr std::size_t kBinaryRecordsAt = 4;
constexpr std::size_t kBinaryRecordLength = 4;
constexpr unsigned kMaxBinaryRecords = 15;
constexpr int kAnnounceEvery = 100;  // binary lines: records between two live-view notifications

// The decimal field that starts at `from`; -1 when it holds no digit.
int DecimalField(std::string_view reply, std::size_t from) {
  if (from >= reply.size()) return -1;
  int value = -1;
  const char* first = reply.data() + from;
  auto [end, error] = std::from_chars(first, reply.data() + reply.size(), value);
  if (error != std::errc() || end == first) return -1;
  return value;
}

}  // namespace

const char* CaptureEndText(int code) {
  if (code < 0 || code >= static_cast<int>(std::size(kEndTexts))) return nullptr;
  return kEndTexts[code];
}

void NotifyCaptureEnded(CommTransport& transport) {
  transport.Notify(WM_ORU_ABORT_CAPTURE, transport.Store().Run().captureNumber);
}

CaptureDecoder::CaptureDecoder(CommTransport& transport, WorkerClock clock)
    : transport_(transport), store_(transport.Store()), clock_(std::move(clock)) {}

CaptureDecode CaptureDecoder::Decode(std::string_view reply, int reason) {
  if (reply.empty()) return {1};  // time-out: nothing new
  if (reply.starts_with("ca#")) {
    if (reply.size() > kBinaryCountAt) return DecodeBinary(reply);
    store_.ExchangeRun(MarkCaptureRunning);
    store_.statusText.Set("Capture in process");
    return {1};
  }
  if (reply.starts_with("ca:")) {
    if (reply.size() == 3) return {1};
    return DecodeState(reply, reason);
  }
  if (reply.starts_with("ce:")) return DecodeError(reply, reason);
  if (reply.starts_with("tn:")) return {1};
  return {0};
}

CaptureDecode CaptureDecoder::DecodeState(std::string_view reply, int reason) {
  switch (DecimalField(reply, 3)) {
    case 0:
      store_.endOfCaptureCode = CAPTURE_END_NONE;
      if (reply.size() > 5) {
        // A new call: its connect text names the event.
        const SYSTEMTIME now = clock_.localTime();
        MakeHeader(std::string(reply.substr(5)), FormatLocalTime(now, "%m/%d/%y"), FormatLocalTime(now, "%H:%M:%S"),
                   true);
        transport_.Notify(WM_ORU_START_CAPTURE);
        return {1};
      }
      store_.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
      return {1};
    case 1:
      if (store_.Run().captureArmed()) {
        // The trigger has fired: an event of its own, then this line's data as any other.
        const SYSTEMTIME now = clock_.localTime();
        MakeHeader("CONNECT ????", FormatLocalTime(now, "%m/%d/%y"), FormatLocalTime(now, "%H:%M:%S"), true);
        transport_.Notify(WM_ORU_START_CAPTURE);
        if (reply.size() < kEndReplyLength) return {1};
      }
      return DecodeCallData(reply);
    case 2:
    case 4: {
      store_.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
      if (reason != 0) NotifyCaptureEnded(transport_);
      return {0};
    }
    case 3:
      store_.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
      return {1};
    default:
      return {0};
  }
}

CaptureDecode CaptureDecoder::DecodeCallData(std::string_view reply) {
  store_.ExchangeRun(MarkCaptureRunning);
  store_.statusText.Set("Capture in process");
  if (reply.size() == kEndReplyLength) {
    const char digit = reply[5];
    store_.endOfCaptureCode = (digit >= '0' && digit <= '9') ? digit - '0' : CAPTURE_END_NONE;
    auto& fields = LinkFields(store_);
    std::lock_guard guard(fields.dataMutex);
    bool multiple = false;
    store_.ExchangeRun([&](RunState& run) {
      if (run.capture != CaptureRun::Running) return;
      // A call of a multiple-session capture ends: the capture stays armed until it is armed
      // again for the next call, so no window offers what a capture forbids meanwhile.
      multiple = fields.sysCfg.sessionMode == 1;
      run.capture = multiple ? CaptureRun::Armed : CaptureRun::Idle;
    });
    return {0, multiple ? CallEnd::Multiple : CallEnd::Single};
  }
  if (reply.size() < kEndReplyLength) return {0};  // running, nothing new yet
  AppendTextItems(reply);
  if (DocumentOpen()) {
    transport_.Notify(WM_ORU_START_CAPTURE);
    MarkModified();
  }
  return {1};
}

CaptureDecode CaptureDecoder::DecodeError(std::string_view reply, int reason) {
  const int n = DecimalField(reply, 3);
  if (n < 0 || n > 5) return {0};
  {
    std::lock_guard guard(LinkFields(store_).dataMutex);
    store_.endOfCaptureCode = CAPTURE_END_ERROR_BASE + n;
    // The call failed before it connected: the capture is over, not waiting any more.
    store_.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
  }
  if (reason != 0) NotifyCaptureEnded(transport_);
  return {0};
}

CaptureDecode CaptureDecoder::DecodeBinary(std::string_view reply) {
  if (store_.Run().captureArmed()) {
    MakeHeader("CONNECT ????", "01/01/00", "12:00:00", true);
    transport_.Notify(WM_ORU_START_CAPTURE);
  }
  store_.ExchangeRun(MarkCaptureRunning);
  store_.statusText.Set("Capture in process");

  const unsigned count = static_cast<UCHAR>(reply[kBinaryCountAt]);
  if (count == 0) return {1};
  // A line that does not hold the records its count announces is not trusted at all.
  if (count > kMaxBinaryRecords || reply.size() < kBinaryRecordsAt + count * kBinaryRecordLength) return {1};

  auto capture = store_.HoldCapture();
  if (capture->captureHeaders().IsEmpty()) return {1};
  const unsigned generation = capture->captureGeneration();
  capture.unlock();

  std::vector<CCaptBuf> records;
  records.reserve(count);
  for (unsigned k = 0; k < count; ++k) {
    const auto* bytes = reinterpret_cast<const UCHAR*>(reply.data() + kBinaryRecordsAt + k * kBinaryRecordLength);
    records.emplace_back(bytes[0], bytes[1], static_cast<ULONG>(bytes[2] * 256 + bytes[3]), 0);
  }
  timeStamps_.StampLine(records, clock_.seconds());

  capture.lock();
  // The capture may have been emptied or reloaded while the records were built: they belong to
  // nothing held now.
  CCaptureHeaderArray& events = capture->captureHeaders();
  if (events.IsEmpty() || capture->captureGeneration() != generation) return {1};
  int pairing = capture->hdlcState();
  for (CCaptBuf& record : records) PairModemEvent(record, pairing);
  capture->hdlcState() = pairing;
  CCaptBufArray& buffer = capture->captureBuffer();
  const int before = buffer.GetSize();
  for (const CCaptBuf& record : records) buffer.Add(record);
  const int after = buffer.GetSize();
  CORUCaptureHeader& last = events[events.GetSize() - 1];
  last.byteCount = after - last.firstIndex;
  capture.unlock();

  if (DocumentOpen()) {
    if (before / kAnnounceEvery != after / kAnnounceEvery) transport_.Notify(WM_ORU_START_CAPTURE);
    MarkModified();
  }
  return {1};
}

void CaptureDecoder::MakeHeader(const std::string& name, const std::string& date, const std::string& time,
                                bool running) {
  CORUCaptureHeader header;
  header.eventName = name;
  header.startDate = date;
  header.startTime = time;
  FitTextsToFile(header);
  timeStamps_.Restart();
  {
    auto& fields = LinkFields(store_);
    std::lock_guard guard(fields.dataMutex);
    header.flags = fields.sysCfg.sync != 0 ? EVENT_SYNC : 0;
    header.firstIndex = fields.captureBuffer.GetSize();
    header.byteCount = 0;
    fields.captureHeaders.Add(header);
    store_.ExchangeRun([running](RunState& run) {
      if (running) {
        run.capture = CaptureRun::Running;
      } else if (run.capture == CaptureRun::Armed) {
        run.capture = CaptureRun::Idle;
      }
    });
  }
  captureHeader_ = header;
}

void CaptureDecoder::AppendTextItems(std::string_view reply) {
  std::vector<CCaptBuf> records = ParseCaptureTextItems(reply);
  timeStamps_.StampLine(records, clock_.seconds());
  AppendPairedRecords(store_, records);
}

bool CaptureDecoder::DocumentOpen() const {
  DocumentState* document = transport_.Context().document;
  return document != nullptr && document->IsDocumentOpen();
}

void CaptureDecoder::MarkModified() {
  if (DocumentState* document = transport_.Context().document) document->SetTypeModified(true, DocumentType::Capture);
}
