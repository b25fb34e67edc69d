#include "link/protocol/StoredDirectory.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/protocol/DecimalText.h"
#include "link/protocol/HexDigits.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "platform/win32/Time.h"

namespace {

constexpr std::size_t kTimeFieldWidth = 2;

// "hh:mm:ss" from three fields, each cut to its width.
std::string JoinTime(std::string_view hh, std::string_view mm, std::string_view ss) {
  std::string time(hh.substr(0, kTimeFieldWidth));
  time += ':';
  time += mm.substr(0, kTimeFieldWidth);
  time += ':';
  time += ss.substr(0, kTimeFieldWidth);
  return time;
}

// The fields after "xx:" and the slot they name (nullopt when the slot is not a number).
struct DirectoryReply {
  int slot = 0;
  std::vector<std::string_view> fields;  // after the slot
};

std::optional<DirectoryReply> SplitDirectoryReply(std::string_view reply) {
  auto fields = SplitFields(reply.substr(3));
  const auto slot = ParseDecimalInteger(fields[0]);
  if (!slot) return std::nullopt;
  DirectoryReply parsed;
  parsed.slot = static_cast<int>(*slot);
  parsed.fields.assign(fields.begin() + 1, fields.end());
  return parsed;
}

constexpr std::size_t kSessionFields = 7;  // date hh mm ss text count flags
constexpr std::size_t kTraceFields = 11;   // date hh mm ss digits type ringback level scale span line

template <class Parse>
int ReadSlots(CommTransport& transport, int slot, int slots, const char* prefix, UINT notification, Parse parse,
              DWORD pauseMs) {
  const int first = slot == -1 ? 1 : slot;
  const int last = slot == -1 ? slots : slot;
  int result = 0;
  for (int n = first; n <= last; ++n) {
    if (!transport.SendCommand(prefix + std::to_string(n))) continue;
    if (!transport.ReadReply(kReplyTimeoutMs)) transport.replyText.clear();
    result = parse(transport.Store(), transport.replyText);
    transport.Notify(notification, static_cast<WPARAM>(n - 1));
    if (pauseMs != 0) Sleep(pauseMs);
  }
  return result;
}

}  // namespace

int ParseSessionHeader(CORUData& store, std::string_view reply) {
  if (!reply.starts_with("sh:")) return 1;
  const auto parsed = SplitDirectoryReply(reply);
  if (!parsed || parsed->slot < 1 || parsed->slot > CORUData::kSessionSlots) return 0;
  auto& storeFields = LinkFields(store);
  std::lock_guard guard(storeFields.dataMutex);
  CORUCaptureHeader& entry = storeFields.sessionDirectory[static_cast<std::size_t>(parsed->slot - 1)];
  const auto& f = parsed->fields;
  if (f.size() <= 1) {
    entry.reserved32 = 0;
    return 0;
  }
  if (f.size() != kSessionFields) return 0;
  entry.startDate = std::string(f[0]);
  entry.startTime = JoinTime(f[1], f[2], f[3]);
  entry.endText = std::string(f[4]);
  entry.reserved32 = static_cast<LONG>(HexWord(f[5]));
  entry.flags = static_cast<UCHAR>(HexWord(f[6]) & 0xFF);
  return 1;
}

int ParseTraceHeader(CORUData& store, std::string_view reply) {
  if (!reply.starts_with("th:")) return 1;
  const auto parsed = SplitDirectoryReply(reply);
  if (!parsed || parsed->slot < 1 || parsed->slot > CORUData::kTraceSlots) return 0;
  auto& storeFields = LinkFields(store);
  std::lock_guard guard(storeFields.dataMutex);
  CORUTraceHeader& entry = storeFields.traceDirectory[static_cast<std::size_t>(parsed->slot - 1)];
  const auto& f = parsed->fields;
  if (f.size() <= 1) {
    const LONG count = entry.count;
    entry = CORUTraceHeader();
    entry.count = count;
    return 0;
  }
  if (f.size() != kTraceFields) return 0;
  const auto level = ParseDecimalInteger(f[7]);
  if (!level) return 0;
  entry.date = std::string(f[0]);
  entry.time = JoinTime(f[1], f[2], f[3]);
  entry.dtmfDigits = std::string(f[4]);
  entry.triggerType = static_cast<LONG>(HexWord(f[5]));
  entry.ringbackCount = static_cast<LONG>(HexWord(f[6]));
  entry.voltageLevel = static_cast<LONG>(*level);
  entry.scaleIndex = static_cast<LONG>(HexWord(f[8]));
  entry.spanIndex = static_cast<LONG>(HexWord(f[9]));
  entry.line = static_cast<LONG>(HexWord(f[10]));
  return 1;
}

int ReadCaptureHeaders(CommTransport& transport, int slot) {
  return ReadSlots(transport, slot, CORUData::kSessionSlots, "SH:", WM_ORU_GET_SESSION_HEADER, ParseSessionHeader, 0);
}

int ReadTraceHeaders(CommTransport& transport, int slot) {
  return ReadSlots(transport, slot, CORUData::kTraceSlots, "TH:", WM_ORU_GET_TRACE_HEADER, ParseTraceHeader, 100);
}
