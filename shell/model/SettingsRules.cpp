#include "shell/model/SettingsRules.h"

#include <cstring>
#include <mutex>

#include "link/store/OruData.h"
#include "link/store/TraceHeader.h"

namespace {

// A text kept as bytes ends at its first NUL or at its last byte.
std::string TextFromBytes(const std::string& bytes) {
  const std::size_t end = bytes.find('\0');
  return end == std::string::npos ? bytes : bytes.substr(0, end);
}

std::string TriggerNumberDefault() { return "-1"; }

class Reader {
 public:
  explicit Reader(const SettingsStore& source) : source_(source) {}

  int Int(const char* name, int fallback) const {
    const auto value = source_.ReadDword(name);
    return value ? static_cast<int>(*value) : fallback;
  }
  COLORREF Color(const char* name, COLORREF fallback) const {
    const auto value = source_.ReadDword(name);
    return value ? *value : fallback;
  }
  std::optional<std::string> Bytes(const char* name, std::size_t buffer) const {
    return source_.ReadBinary(name, buffer);
  }

 private:
  const SettingsStore& source_;
};

void FirstRun(const std::string& programFolder, AppSettings& s, CORUData& store) {
  s.answerColor = kDefaultAnswerColor;
  s.answerTextColor = kBlack;
  s.originateColor = kDefaultOriginateColor;
  s.originateTextColor = kBlack;
  s.answerShade = ShadeColor(s.answerColor);
  s.originateShade = ShadeColor(s.originateColor);
  s.markerColor = kDefaultMarkerColor;
  s.markerTextColor = kWhite;
  s.options = 4;
  s.autosaveFolder = programFolder;
  s.viewType = ViewType::Ascii;
  s.standard = 2;
  s.format = 5;
  s.mode = 7;
  s.line = 9;
  s.session = 11;
  s.showParityErrors = 13;
  s.showParity = 13;
  s.showModemEvents = 13;
  s.customColors.fill(kWhite);
  s.hdlcMode = 0;
  // Line 0 would leave the volt meter and the DTMF decoder without a line on a fresh profile.
  s.traceLine = 1;
  store.selectedLine = 1;
}

}  // namespace

std::string ProgramFolderFromPath(std::string_view programPath) {
  const std::size_t cut = programPath.find_last_of("/\\");
  if (cut == std::string_view::npos) return std::string(programPath);
  return std::string(programPath.substr(0, cut + 1));
}

void LoadSettings(const SettingsStore& source, const std::string& programFolder, AppSettings& s, CORUData& store) {
  if (!source.KeyExists()) {
    FirstRun(programFolder, s, store);
    return;
  }
  const Reader read(source);
  s.answerColor = read.Color(setting::kAnswerColor, kDefaultAnswerColor);
  s.answerTextColor = read.Color(setting::kAnswerTextColor, kBlack);
  s.originateColor = read.Color(setting::kOriginateColor, kDefaultOriginateColor);
  s.answerShade = ShadeColor(s.answerColor);
  s.originateShade = ShadeColor(s.originateColor);
  s.originateTextColor = read.Color(setting::kOriginateTextColor, kBlack);
  s.markerColor = read.Color(setting::kMarkerColor, kDefaultMarkerColor);
  s.markerTextColor = read.Color(setting::kMarkerTextColor, kWhite);
  s.options = read.Int(setting::kOptions, 4);
  const auto folder = read.Bytes(setting::kAutosaveFolder, setting::kFolderBuffer);
  s.autosaveFolder = folder ? TextFromBytes(*folder) : programFolder;
  s.viewType = static_cast<ViewType>(read.Int(setting::kViewType, static_cast<int>(ViewType::Ascii)));
  s.standard = read.Int(setting::kStandard, 2);
  s.format = read.Int(setting::kFormat, 6);
  s.mode = read.Int(setting::kMode, 7);
  s.line = read.Int(setting::kLine, 9);
  s.session = read.Int(setting::kSession, 11);
  s.showParity = read.Int(setting::kShowParity, 13);
  s.showParityErrors = read.Int(setting::kShowParityErrors, 13);
  s.showModemEvents = read.Int(setting::kShowModemEvents, 13);
  const auto custom = read.Bytes(setting::kCustomColors, setting::kCustomColorsBuffer);
  if (custom) {
    // A shorter value fills what it holds; the rest keeps the default.
    s.customColors.fill(kWhite);
    for (std::size_t i = 0; i < s.customColors.size() && (i + 1) * 4 <= custom->size(); ++i) {
      uint32_t value = 0;
      std::memcpy(&value, custom->data() + i * 4, 4);
      s.customColors[i] = value;
    }
  } else {
    s.customColors.fill(kWhite);
  }
  s.traceScale = read.Int(setting::kTraceScale, 0);
  s.traceSpan = read.Int(setting::kTraceSpan, 0);
  s.traceTrigger = read.Int(setting::kTraceTrigger, 0);
  const auto trigger = read.Bytes(setting::kTriggerNumber, setting::kTriggerNumberBuffer);
  s.triggerNumber = trigger ? TextFromBytes(*trigger) : TriggerNumberDefault();
  s.ringbackQuantity = read.Int(setting::kRingbackQuantity, 1);
  s.deltaV = ClampDeltaV(read.Int(setting::kDeltaV, 50));
  s.traceLine = read.Int(setting::kTraceLine, 1);
  store.selectedLine = s.traceLine;
  s.traceSnap = read.Int(setting::kTraceSnap, 0);
  s.hdlcMode = read.Int(setting::kHdlcMode, 0);
  s.modem3Volume = read.Int(setting::kModem3Volume, 127);
  store.WithData([&](DataScope& data) {
    data.sysCfg().bitStuffed = static_cast<UCHAR>(s.hdlcMode & 0xFF);
    data.sysCfg().modem3Volume = static_cast<UCHAR>(s.modem3Volume & 0xFF);
  });
}

void SaveSettings(SettingsStore& target, AppSettings& s, CORUData& store) {
  if (!target.BeginWrite()) return;
  s.traceLine = store.selectedLine;
  store.WithData([&](const DataScope& data) {
    s.hdlcMode = data.sysCfg().bitStuffed;
    s.modem3Volume = data.sysCfg().modem3Volume;
  });
  const auto dword = [&](const char* name, int value) { target.WriteDword(name, static_cast<uint32_t>(value)); };
  dword(setting::kAnswerColor, static_cast<int>(s.answerColor));
  dword(setting::kAnswerTextColor, static_cast<int>(s.answerTextColor));
  dword(setting::kOriginateColor, static_cast<int>(s.originateColor));
  dword(setting::kOriginateTextColor, static_cast<int>(s.originateTextColor));
  dword(setting::kMarkerColor, static_cast<int>(s.markerColor));
  dword(setting::kMarkerTextColor, static_cast<int>(s.markerTextColor));
  dword(setting::kOptions, s.options);
  target.WriteBinary(setting::kAutosaveFolder, s.autosaveFolder);
  dword(setting::kViewType, static_cast<int>(s.viewType));
  dword(setting::kStandard, s.standard);
  dword(setting::kFormat, s.format);
  dword(setting::kMode, s.mode);
  dword(setting::kLine, s.line);
  dword(setting::kSession, s.session);
  dword(setting::kShowParity, s.showParity);
  dword(setting::kShowParityErrors, s.showParityErrors);
  dword(setting::kShowModemEvents, s.showModemEvents);
  std::string colors(setting::kCustomColorsBuffer, '\0');
  for (std::size_t i = 0; i < s.customColors.size(); ++i) std::memcpy(colors.data() + i * 4, &s.customColors[i], 4);
  target.WriteBinary(setting::kCustomColors, colors);
  dword(setting::kTraceScale, s.traceScale);
  dword(setting::kTraceSpan, s.traceSpan);
  dword(setting::kTraceTrigger, s.traceTrigger);
  // Always the whole 12-byte buffer: the digits, then zero bytes.
  std::string trigger = s.triggerNumber.substr(0, setting::kTriggerNumberBuffer);
  trigger.resize(setting::kTriggerNumberBuffer, '\0');
  target.WriteBinary(setting::kTriggerNumber, trigger);
  dword(setting::kRingbackQuantity, s.ringbackQuantity);
  dword(setting::kDeltaV, s.deltaV);
  dword(setting::kTraceLine, s.traceLine);
  dword(setting::kTraceSnap, s.traceSnap);
  dword(setting::kHdlcMode, s.hdlcMode);
  dword(setting::kModem3Volume, s.modem3Volume);
  target.EndWrite();
}
