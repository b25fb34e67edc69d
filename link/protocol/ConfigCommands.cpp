#include "link/protocol/ConfigCommands.h"

#include <mutex>
#include <string>
#include <vector>

#include "link/store/ConfigItemTable.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr ULONG kInitialSettingsMask = 0x8 | 0x10 | 0x20;

}  // namespace

int ConfigCommands::ApplySettings(ULONG mask) {
  CORUData& store = transport_.Store();
  std::string command;
  {
    auto& fields = LinkFields(store);
    std::lock_guard guard(fields.dataMutex);
    command = BuildSettingsCommand(fields.sysCfg, mask);
  }
  if (!transport_.SendCommand(command)) return 0;
  if (!transport_.ReadReply(kReplyTimeoutMs)) return 0;
  return transport_.replyText == "sc" ? 1 : 0;
}

int ConfigCommands::SendInitialSettings() { return ApplySettings(kInitialSettingsMask); }

int StoreConfigReply(CSysCfg& config, std::span<const int> items, std::string_view reply) {
  if (!reply.starts_with("gc:") || reply.size() <= 3) return 0;
  std::vector<std::string_view> values;
  std::string_view rest(reply);
  rest.remove_prefix(3);
  for (;;) {
    const auto colon = rest.find(':');
    values.push_back(rest.substr(0, colon));
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  std::size_t position = 0;
  for (int item : items) {
    if (position == values.size()) break;
    StoreConfigValue(config, item, values[position++]);
  }
  return 1;
}

int ConfigCommands::ReadItems(std::initializer_list<int> items) {
  std::string command = "GC";
  for (int item : items) command += ":" + std::to_string(item);
  if (!transport_.SendCommand(command)) return 0;
  if (!transport_.ReadReply(kReplyTimeoutMs)) return 0;
  CORUData& store = transport_.Store();
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  return StoreConfigReply(fields.sysCfg, std::span<const int>(items.begin(), items.size()), transport_.replyText);
}

int ConfigCommands::ReadConfiguration() {
  if (!ReadItems({7, 8, 9})) return 0;
  transport_.Notify(WM_ORU_GET_CONFIG);
  return 1;
}

int ConfigCommands::ReadMeasuredValues() { return ReadItems({CONFIG_ITEM_AC_FACTOR, CONFIG_ITEM_DC_FACTOR}); }
