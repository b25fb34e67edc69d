#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <variant>

#include "link/store/OruData.h"
#include "link/store/LinkAccess.h"
#include "shell/model/Color.h"
#include "shell/model/ColorSettings.h"
#include "shell/model/SettingsRules.h"

namespace {

// A key of values as the registry holds them: 32-bit words and byte strings.
class MapStore final : public SettingsStore {
 public:
  using Value = std::variant<uint32_t, std::string>;

  bool KeyExists() const override { return !values.empty(); }
  std::optional<uint32_t> ReadDword(std::string_view name) const override {
    auto it = values.find(std::string(name));
    if (it == values.end() || !std::holds_alternative<uint32_t>(it->second)) return std::nullopt;
    return std::get<uint32_t>(it->second);
  }
  std::optional<std::string> ReadBinary(std::string_view name, std::size_t bufferSize) const override {
    auto it = values.find(std::string(name));
    if (it == values.end() || !std::holds_alternative<std::string>(it->second)) return std::nullopt;
    const std::string& bytes = std::get<std::string>(it->second);
    if (bytes.size() > bufferSize) return std::nullopt;
    return bytes;
  }
  bool BeginWrite() override { return writable; }
  void WriteDword(std::string_view name, uint32_t value) override {
    values[std::string(name)] = value;
    order.emplace_back(name);
  }
  void WriteBinary(std::string_view name, const std::string& bytes) override {
    values[std::string(name)] = bytes;
    order.emplace_back(name);
  }
  void EndWrite() override { ++ends; }

  std::map<std::string, Value> values;
  std::vector<std::string> order;
  bool writable = true;
  int ends = 0;
};

const std::string kFolder = "/opt/quorlan/";

struct Loaded {
  AppSettings settings;
  int selectedLine = 0;
  UCHAR bitStuffed = 0;
  UCHAR modem3Volume = 0;
};

Loaded Load(const MapStore& store) {
  CORUData data;
  Loaded out;
  LoadSettings(store, kFolder, out.settings, data);
  out.selectedLine = data.selectedLine;
  out.bitStuffed = LinkFields(data).sysCfg.bitStuffed;
  out.modem3Volume = LinkFields(data).sysCfg.modem3Volume;
  return out;
}

TEST(AppSettingsRules, FirstRunSetsItsDefaultsAndLineOne) {
  const Loaded first = Load(MapStore{});
  const AppSettings& s = first.settings;
  EXPECT_EQ(s.format, 5);
  EXPECT_EQ(s.deltaV, 0);  // not set by a first run
  EXPECT_EQ(s.ringbackQuantity, 0);
  EXPECT_EQ(s.triggerNumber, "");
  EXPECT_EQ(s.traceLine, 1);
  EXPECT_EQ(first.selectedLine, 1);
  EXPECT_EQ(s.answerColor, 0x8080DFu);
  EXPECT_EQ(s.originateColor, 0x80DF80u);
  EXPECT_EQ(s.markerColor, 0xFF0000u);
  EXPECT_EQ(s.markerTextColor, 0xFFFFFFu);
  EXPECT_EQ(s.answerShade, 0x5555D5u);
  EXPECT_EQ(s.originateShade, 0x55D555u);
  EXPECT_EQ(s.options, 4);
  EXPECT_EQ(s.autosaveFolder, kFolder);
  EXPECT_EQ(s.viewType, ViewType::Ascii);
  EXPECT_EQ(s.standard, 2);
  EXPECT_EQ(s.mode, 7);
  EXPECT_EQ(s.line, 9);
  EXPECT_EQ(s.session, 11);
  EXPECT_EQ(s.showParity, 13);
  EXPECT_EQ(s.showParityErrors, 13);
  EXPECT_EQ(s.showModemEvents, 13);
  for (COLORREF c : s.customColors) EXPECT_EQ(c, 0xFFFFFFu);
}

TEST(AppSettingsRules, MissingValuesAfterASaveTakeTheirOwnDefaults) {
  MapStore store;
  {
    CORUData data;
    Loaded first = Load(store);
    data.selectedLine = 2;
    SaveSettings(store, first.settings, data);
  }
  EXPECT_EQ(store.ends, 1);
  ASSERT_EQ(store.order.size(), 28u);
  EXPECT_EQ(store.order.front(), "Answer Color");
  EXPECT_EQ(store.order[7], "Autosave Folder");
  EXPECT_EQ(store.order[24], "Default");
  EXPECT_EQ(store.order.back(), "Modem 3 Volume");
  EXPECT_EQ(std::get<uint32_t>(store.values["Default"]), 2u);  // selectedLine is what is saved

  store.values.erase("Format");
  store.values.erase("DeltaV");
  store.values.erase("Ringback Quantity");
  store.values.erase("Trigger Number");
  store.values.erase("Modem 3 Volume");
  const Loaded again = Load(store);
  EXPECT_EQ(again.settings.format, 6);
  EXPECT_EQ(again.settings.deltaV, 50);
  EXPECT_EQ(again.settings.ringbackQuantity, 1);
  EXPECT_EQ(again.settings.triggerNumber, "-1");
  EXPECT_EQ(again.settings.modem3Volume, 127);
  EXPECT_EQ(again.modem3Volume, 127);
  EXPECT_EQ(again.settings.traceLine, 2);
  EXPECT_EQ(again.selectedLine, 2);
}

TEST(AppSettingsRules, ValuesOfTheWrongKindTakeTheirDefaults) {
  MapStore store;
  store.values["Options"] = std::string("\x02", 1);
  store.values["Autosave Folder"] = uint32_t{7};
  const Loaded loaded = Load(store);
  EXPECT_EQ(loaded.settings.options, 4);
  EXPECT_EQ(loaded.settings.autosaveFolder, kFolder);
}

// A trigger level outside -99..99 (a hand-edited key) is held to its end on the way in, so the
// instrument and the voltage label get the level the threshold mark shows.
TEST(AppSettingsRules, AnOutOfRangeTriggerLevelIsHeldToItsEnd) {
  for (const auto& [stored, expected] :
       {std::pair{uint32_t{500}, 99}, {static_cast<uint32_t>(-300), -99}, {uint32_t{42}, 42}}) {
    MapStore store;
    store.values["DeltaV"] = stored;
    EXPECT_EQ(Load(store).settings.deltaV, expected) << stored;
  }
}

struct BinaryCase {
  const char* name;
  std::string stored;
  std::string expectedFolder;
  std::string expectedTrigger;
};

class AppSettingsBinary : public ::testing::TestWithParam<BinaryCase> {};

TEST_P(AppSettingsBinary, TextsEndAtANulOrTheirLastByteAndLongOnesAreUnreadable) {
  const BinaryCase& c = GetParam();
  MapStore store;
  store.values["Autosave Folder"] = c.stored;
  store.values["Trigger Number"] = c.stored;
  const Loaded loaded = Load(store);
  EXPECT_EQ(loaded.settings.autosaveFolder, c.expectedFolder);
  EXPECT_EQ(loaded.settings.triggerNumber, c.expectedTrigger);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, AppSettingsBinary,
    ::testing::Values(BinaryCase{"TwelveDigitsWithoutNul", "123456789012", "123456789012", "123456789012"},
                      BinaryCase{"ThirteenBytes", "1234567890123", "1234567890123", "-1"},
                      BinaryCase{"NulInside", std::string("-1\0\0\0\0\0\0\0\0\0\0", 12), "-1", "-1"},
                      BinaryCase{"Folder260", std::string(259, 'a') + "/", std::string(259, 'a') + "/", "-1"},
                      BinaryCase{"Folder261", std::string(260, 'a') + "/", kFolder, "-1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppSettingsRules, SaveTakesLineAndConfigurationFromTheStoreAndPadsTheTrigger) {
  MapStore store;
  store.values["Options"] = uint32_t{1};
  CORUData data;
  AppSettings s;
  LoadSettings(store, kFolder, s, data);
  auto& dataFields = LinkFields(data);
  EXPECT_EQ(dataFields.sysCfg.bitStuffed, 0);
  s.triggerNumber = "5551212";
  s.customColors[3] = 0x123456;
  data.selectedLine = 3;
  dataFields.sysCfg.bitStuffed = 1;
  dataFields.sysCfg.modem3Volume = 200;
  SaveSettings(store, s, data);
  EXPECT_EQ(std::get<uint32_t>(store.values["HDLCMode"]), 1u);
  EXPECT_EQ(std::get<uint32_t>(store.values["Modem 3 Volume"]), 200u);
  EXPECT_EQ(std::get<uint32_t>(store.values["Default"]), 3u);
  EXPECT_EQ(std::get<std::string>(store.values["Trigger Number"]), std::string("5551212\0\0\0\0\0", 12));
  const std::string colors = std::get<std::string>(store.values["Custom Colors"]);
  ASSERT_EQ(colors.size(), 64u);
  uint32_t third = 0;
  std::memcpy(&third, colors.data() + 12, 4);
  EXPECT_EQ(third, 0x123456u);

  const Loaded again = Load(store);
  EXPECT_EQ(again.settings.customColors[3], 0x123456u);
  EXPECT_EQ(again.settings.triggerNumber, "5551212");
  EXPECT_EQ(again.bitStuffed, 1);
  EXPECT_EQ(again.modem3Volume, 200);
  EXPECT_EQ(again.selectedLine, 3);
}

TEST(AppSettingsRules, AStoreThatCannotBeWrittenGetsNothing) {
  MapStore store;
  store.writable = false;
  CORUData data;
  AppSettings s;
  SaveSettings(store, s, data);
  EXPECT_TRUE(store.values.empty());
  EXPECT_EQ(store.ends, 0);
}

TEST(AppSettingsRules, ProgramFolderIsCutAfterTheLastSeparator) {
  EXPECT_EQ(ProgramFolderFromPath("/usr/bin/quorlan-view"), "/usr/bin/");
  EXPECT_EQ(ProgramFolderFromPath("C:\\Program Files\\QV\\qv.exe"), "C:\\Program Files\\QV\\");
  EXPECT_EQ(ProgramFolderFromPath("qv"), "qv");
}

// ---- colours ------------------------------------------------------------------------------------

struct ColorCase {
  COLORREF color;
  unsigned hue, lightness, saturation;
  COLORREF shade;
  COLORREF text;
};

class ColorRules : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorRules, HlsShadeAndTextColor) {
  const ColorCase& c = GetParam();
  const uint32_t hls = RgbToHls(c.color);
  EXPECT_EQ(HlsHue(hls), c.hue);
  EXPECT_EQ(HlsLightness(hls), c.lightness);
  EXPECT_EQ(HlsSaturation(hls), c.saturation);
  EXPECT_EQ(ShadeColor(c.color), c.shade);
  EXPECT_EQ(TextColorFor(c.color), c.text);
}

INSTANTIATE_TEST_SUITE_P(Colors, ColorRules,
                         ::testing::Values(ColorCase{0x8080DF, 0, 165, 143, 0x5555D5, 0x000000},
                                           ColorCase{0x80DF80, 80, 165, 143, 0x55D555, 0x000000},
                                           ColorCase{0x000000, 160, 0, 0, 0x000000, 0xFFFFFF},
                                           ColorCase{0xFFFFFF, 160, 240, 0, 0xD8D8D8, 0x000000},
                                           ColorCase{0xFF0000, 160, 120, 240, 0xD90000, 0xFFFFFF}));

TEST(ColorRules, HlsRoundTripStaysWithinRounding) {
  for (COLORREF c : {0x8080DFu, 0x80DF80u, 0xFF0000u, 0x00FF00u, 0x123456u, 0xABCDEFu, 0x7F7F7Fu, 0x0A0B0Cu}) {
    const COLORREF back = HlsToRgb(RgbToHls(c));
    for (int shift : {0, 8, 16}) {
      const int a = static_cast<int>((c >> shift) & 0xFF);
      const int b = static_cast<int>((back >> shift) & 0xFF);
      EXPECT_NEAR(a, b, 3) << std::hex << c;
    }
  }
}

TEST(ColorRules, DefaultsGiveBlackBlackWhiteTextAndCancelKeepsTheColour) {
  AppSettings s;
  s.answerColor = 0x000000;
  s.originateColor = 0x101010;
  s.markerColor = 0xFFFFFF;
  for (ColorSlot slot : {ColorSlot::Answer, ColorSlot::Originate, ColorSlot::Marker}) ApplyDefaultColor(s, slot);
  EXPECT_EQ(s.answerTextColor, 0x000000u);
  EXPECT_EQ(s.originateTextColor, 0x000000u);
  EXPECT_EQ(s.markerTextColor, 0xFFFFFFu);
  EXPECT_EQ(s.answerShade, 0x5555D5u);

  ApplyColorChoice(s, ColorSlot::Answer, 0x000010);
  EXPECT_EQ(s.answerColor, 0x000010u);
  EXPECT_EQ(s.answerTextColor, 0xFFFFFFu);
  s.answerTextColor = 0;  // a cancelled choice recomputes from the colour it keeps
  ApplyColorChoice(s, ColorSlot::Answer, std::nullopt);
  EXPECT_EQ(s.answerColor, 0x000010u);
  EXPECT_EQ(s.answerTextColor, 0xFFFFFFu);
  const COLORREF markerShadeBefore = s.originateShade;
  ApplyColorChoice(s, ColorSlot::Marker, 0x00FFFF);
  EXPECT_EQ(s.originateShade, markerShadeBefore);  // the marker has no shade
  EXPECT_EQ(s.markerTextColor, 0x000000u);
  EXPECT_STREQ(ColorDialogCaption(ColorSlot::Originate), "Select Originate Color...");
}

}  // namespace
