#include "shell/model/ConfigureRules.h"

#include "link/protocol/WorkerMessages.h"

namespace {

constexpr std::size_t kTriggerTextLimit = 15;
constexpr int kNumberLimit = 99;

// A byte shown by `count` radios; any other value leaves the group unchosen.
int RadioValue(UCHAR byte, int count) { return byte < count ? byte : kNoChoice; }

struct ConfigItem {
  int ConfigureValues::*value;
  UCHAR CSysCfg::*byte;
  WPARAM bit;
};

// The instrument's order of the configuration items OK sends.
constexpr ConfigItem kSentItems[] = {
    {&ConfigureValues::standard, &CSysCfg::standard, 0x40},
    {&ConfigureValues::format, &CSysCfg::parity7E1, 0x80},
    {&ConfigureValues::mode, &CSysCfg::sync, 0x100},
    {&ConfigureValues::trigger, &CSysCfg::trigger, 0x800},
    {&ConfigureValues::callProgress, &CSysCfg::callProgress, 0x2000},
};
constexpr WPARAM kNumberBit = 0x4000;

}  // namespace

ConfigureValues InitialConfigureValues(const CSysCfg& config) {
  ConfigureValues values;
  values.format = RadioValue(config.parity7E1, 2);
  return values;
}

void LoadConfigureValues(ConfigureValues& values, const CSysCfg& config, bool device) {
  values.format = RadioValue(config.parity7E1, 2);
  if (!device) return;
  values.standard = RadioValue(config.standard, 2);
  values.mode = RadioValue(config.sync, 2);
  values.lineType = RadioValue(config.lineType, 2);
  values.trigger = RadioValue(config.trigger, 2);
  values.callProgress = RadioValue(config.callProgress, 3);
  values.triggerText = config.triggerText;
  values.number = config.item14;
  values.numberText = std::to_string(values.number);
  values.numberKnown = true;
  values.triggerTextKnown = true;
}

std::optional<int> ParseConfigureNumber(const std::string& text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number > kNumberLimit) return std::nullopt;
  return number;
}

bool IsAcceptedTriggerText(const std::string& text) {
  if (text.size() > kTriggerTextLimit) return false;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E || c == ':') return false;
  }
  return true;
}

ConfigureEnables ConfigureEnablesFor(const ConfigureValues& values, bool device) {
  ConfigureEnables enables;
  enables.formatRadios = true;
  enables.otherRadios = device;
  enables.callProgress = device && values.trigger != 0;
  return enables;
}

bool SyncNeedsFormatPrompt(const ConfigureValues& values) { return values.format == 1; }

void ChooseSync(ConfigureValues& values, bool formatPromptOk) {
  if (!SyncNeedsFormatPrompt(values)) {
    values.mode = 1;
    return;
  }
  if (formatPromptOk) {
    values.mode = 1;
    values.format = 0;
  } else {
    values.mode = 0;
  }
}

std::vector<ConfigPost> ApplyConfigureOk(const ConfigureValues& values, CSysCfg& config) {
  std::vector<ConfigPost> posts;
  const auto send = [&](int value, UCHAR& byte, WPARAM bit) {
    if (value == static_cast<int>(byte)) return;
    byte = static_cast<UCHAR>(value);
    posts.push_back({WM_ORU_SET_CONFIG, bit, static_cast<LPARAM>(value)});
  };
  for (const ConfigItem& item : kSentItems) {
    const int value = values.*item.value;
    if (value != kNoChoice) send(value, config.*item.byte, item.bit);
  }
  if (values.numberKnown) send(values.number, config.item14, kNumberBit);
  if (values.lineType != kNoChoice) config.lineType = static_cast<UCHAR>(values.lineType);
  if (values.triggerTextKnown && values.triggerText != config.triggerText) {
    config.triggerText = values.triggerText;
    posts.push_back({WM_ORU_SET_TRIGGER_STRING, 0, 0});
  }
  return posts;
}

bool ApplyConfigureOkWithoutDevice(const ConfigureValues& values, CSysCfg& config) {
  if (values.format == kNoChoice || values.format == static_cast<int>(config.parity7E1)) return false;
  config.parity7E1 = static_cast<UCHAR>(values.format);
  return true;
}
