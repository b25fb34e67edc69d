#include "link/protocol/FirmwareVersion.h"

#include <algorithm>
#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr FirmwareVersionNumbers kFeatureVersion{1, 0, 8};
constexpr long kNumberLimit = 1'000'000'000;

long LeadingNumber(std::string_view piece) {
  std::size_t at = 0;
  while (at < piece.size() && piece[at] == ' ') ++at;
  long value = 0;
  for (; at < piece.size() && piece[at] >= '0' && piece[at] <= '9'; ++at) {
    value = std::min(kNumberLimit, value * 10 + (piece[at] - '0'));
  }
  return value;
}

}  // namespace

FirmwareVersionNumbers ParseFirmwareVersion(std::string_view text) {
  FirmwareVersionNumbers numbers;
  const auto v = text.find('V');
  if (v == std::string_view::npos) return numbers;
  const auto firstDot = text.find('.', v + 1);
  if (firstDot == std::string_view::npos) return numbers;
  numbers.major = LeadingNumber(text.substr(v + 1, firstDot - v - 1));
  const auto secondDot = text.find('.', firstDot + 1);
  if (secondDot == std::string_view::npos) return numbers;
  numbers.minor = LeadingNumber(text.substr(firstDot + 1, secondDot - firstDot - 1));
  numbers.patch = LeadingNumber(text.substr(secondDot + 1));
  return numbers;
}

bool FirmwareIsNewEnough(std::string_view text) { return ParseFirmwareVersion(text) >= kFeatureVersion; }

int FirmwareVersion::ReadVersion() {
  if (!transport_.SendCommand("VN")) return 0;
  transport_.ReadReply(kReplyTimeoutMs);
  const std::string& reply = transport_.replyText;
  if (!reply.starts_with("vn:")) return 0;
  const std::string version = reply.substr(3);
  CORUData& store = transport_.Store();
  {
    auto& fields = LinkFields(store);
    std::lock_guard guard(fields.dataMutex);
    fields.sysCfg.firmwareVersion = version;
  }
  const int newEnough = FirmwareIsNewEnough(version) ? 1 : 0;
  store.firmwareNewB = newEnough;
  transport_.Notify(newEnough ? WM_ORU_ENABLE_V21 : WM_ORU_DISABLE_V21);
  store.firmwareNewA = newEnough;
  transport_.Notify(newEnough ? WM_ORU_ENABLE_60S_SPAN : WM_ORU_DISABLE_60S_SPAN);
  return 1;
}

void FirmwareVersion::NotifyFeatures() {
  CORUData& store = transport_.Store();
  transport_.Notify(store.firmwareNewB == 1 ? WM_ORU_ENABLE_V21 : WM_ORU_DISABLE_V21);
  transport_.Notify(store.firmwareNewA == 1 ? WM_ORU_ENABLE_60S_SPAN : WM_ORU_DISABLE_60S_SPAN);
}
