#include <gtest/gtest.h>

#include "link/protocol/WorkerMessages.h"
#include "shell/model/AboutVersion.h"
#include "shell/model/ClockRange.h"
#include "shell/model/ConfigureRules.h"

namespace {

CSysCfg Answered() {
  CSysCfg config;
  config.standard = 1;
  config.parity7E1 = 0;
  config.sync = 0;
  config.lineType = 0;
  config.trigger = 0;
  config.callProgress = 0;
  config.item14 = 7;
  config.triggerText = "ATDT";
  return config;
}

ConfigureValues Loaded(const CSysCfg& config) {
  ConfigureValues values = InitialConfigureValues(config);
  LoadConfigureValues(values, config, true);
  return values;
}

TEST(ConfigureRules, OkBeforeTheAnswerSendsNothingAndKeepsTheConfiguration) {
  CSysCfg config = Answered();
  const ConfigureValues opened = InitialConfigureValues(config);
  EXPECT_EQ(opened.format, 0);
  EXPECT_EQ(opened.standard, kNoChoice);
  EXPECT_EQ(opened.trigger, kNoChoice);
  // The empty edits and number 0 are not the instrument's values: no ST, no number item.
  EXPECT_TRUE(ApplyConfigureOk(opened, config).empty());
  EXPECT_EQ(config.item14, 7);
  EXPECT_EQ(config.triggerText, "ATDT");
}

TEST(ConfigureRules, OkAfterTheAnswerWithNothingChangedSendsNothing) {
  CSysCfg config = Answered();
  EXPECT_TRUE(ApplyConfigureOk(Loaded(config), config).empty());
}

TEST(ConfigureRules, ChangedItemsGoOutInTheInstrumentsOrderThenTheText) {
  CSysCfg config = Answered();
  ConfigureValues values = Loaded(config);
  values.number = 42;
  values.callProgress = 2;
  values.trigger = 1;
  values.mode = 1;
  values.format = 1;
  values.standard = 0;
  values.lineType = 1;
  values.triggerText = "123";
  const std::vector<ConfigPost> expected = {
      {WM_ORU_SET_CONFIG, 0x40, 0},      {WM_ORU_SET_CONFIG, 0x80, 1},   {WM_ORU_SET_CONFIG, 0x100, 1},
      {WM_ORU_SET_CONFIG, 0x800, 1},     {WM_ORU_SET_CONFIG, 0x2000, 2}, {WM_ORU_SET_CONFIG, 0x4000, 42},
      {WM_ORU_SET_TRIGGER_STRING, 0, 0},
  };
  EXPECT_EQ(ApplyConfigureOk(values, config), expected);
  EXPECT_EQ(config.standard, 0);
  EXPECT_EQ(config.parity7E1, 1);
  EXPECT_EQ(config.sync, 1);
  EXPECT_EQ(config.trigger, 1);
  EXPECT_EQ(config.callProgress, 2);
  EXPECT_EQ(config.item14, 42);
  EXPECT_EQ(config.triggerText, "123");
  EXPECT_EQ(config.lineType, 1);  // stored for the capture files, never sent
  // A second OK finds nothing left to send.
  EXPECT_TRUE(ApplyConfigureOk(values, config).empty());
}

TEST(ConfigureRules, AStandardTheRadiosCannotShowIsLeftAlone) {
  CSysCfg config = Answered();
  config.standard = 3;
  ConfigureValues values = Loaded(config);
  EXPECT_EQ(values.standard, kNoChoice);
  values.trigger = 1;
  const std::vector<ConfigPost> expected = {{WM_ORU_SET_CONFIG, 0x800, 1}};
  EXPECT_EQ(ApplyConfigureOk(values, config), expected);
  EXPECT_EQ(config.standard, 3);
}

TEST(ConfigureRules, WithoutADeviceOnlyTheFormatLoadsAndChanges) {
  CSysCfg config = Answered();
  config.parity7E1 = 1;
  ConfigureValues values = InitialConfigureValues(config);
  LoadConfigureValues(values, config, false);
  EXPECT_EQ(values.format, 1);
  EXPECT_EQ(values.standard, kNoChoice);
  EXPECT_FALSE(values.numberKnown);
  EXPECT_FALSE(ApplyConfigureOkWithoutDevice(values, config));
  values.format = 0;
  values.mode = 1;  // cannot be chosen without a device; ignored all the same
  EXPECT_TRUE(ApplyConfigureOkWithoutDevice(values, config));
  EXPECT_EQ(config.parity7E1, 0);
  EXPECT_EQ(config.sync, 0);
}

TEST(ConfigureRules, EnablesFollowTheDeviceAndTheTrigger) {
  ConfigureValues values;
  ConfigureEnables e = ConfigureEnablesFor(values, false);
  EXPECT_TRUE(e.formatRadios);
  EXPECT_FALSE(e.otherRadios);
  EXPECT_FALSE(e.callProgress);
  e = ConfigureEnablesFor(values, true);  // trigger still unchosen: enabled
  EXPECT_TRUE(e.otherRadios);
  EXPECT_TRUE(e.callProgress);
  values.trigger = 0;
  EXPECT_FALSE(ConfigureEnablesFor(values, true).callProgress);
  values.trigger = 1;
  EXPECT_TRUE(ConfigureEnablesFor(values, true).callProgress);
}

TEST(ConfigureRules, SyncWith7E1FallsBackToAsyncOnCancelOrTo8N1OnOk) {
  ConfigureValues values;
  values.format = 1;
  values.mode = 0;
  ASSERT_TRUE(SyncNeedsFormatPrompt(values));
  ChooseSync(values, false);
  EXPECT_EQ(values.mode, 0);
  EXPECT_EQ(values.format, 1);
  ChooseSync(values, true);
  EXPECT_EQ(values.mode, 1);
  EXPECT_EQ(values.format, 0);
  EXPECT_FALSE(SyncNeedsFormatPrompt(values));
  values.mode = 0;
  ChooseSync(values, false);  // with 8N1 there is nothing to ask
  EXPECT_EQ(values.mode, 1);
}

struct NumberCase {
  const char* text;
  int expected;  // -1 = not taken
};

class ConfigureNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ConfigureNumber, DigitsOnlyUpTo99) {
  const std::optional<int> number = ParseConfigureNumber(GetParam().text);
  if (GetParam().expected < 0)
    EXPECT_FALSE(number.has_value());
  else
    EXPECT_EQ(number, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ConfigureNumber,
                         ::testing::Values(NumberCase{"0", 0}, NumberCase{"07", 7}, NumberCase{"99", 99},
                                           NumberCase{"-5", -1}, NumberCase{"100", -1}, NumberCase{"", -1},
                                           NumberCase{"1a", -1}, NumberCase{" 1", -1}, NumberCase{"+1", -1}));

TEST(ConfigureRules, TriggerTextRefusesTheFieldSeparatorAndUnprintables) {
  EXPECT_TRUE(IsAcceptedTriggerText(""));
  EXPECT_TRUE(IsAcceptedTriggerText("123"));
  EXPECT_TRUE(IsAcceptedTriggerText("ATDT 555-01 #*~"));
  EXPECT_FALSE(IsAcceptedTriggerText("12:34"));
  EXPECT_FALSE(IsAcceptedTriggerText("ab\tc"));
  EXPECT_FALSE(IsAcceptedTriggerText("caf\xC3\xA9"));
  EXPECT_FALSE(IsAcceptedTriggerText("0123456789abcdef"));  // 16 characters
}

TEST(ConfigureRules, RefusedEditsKeepTheLastTakenValue) {
  CSysCfg config = Answered();
  ConfigureValues values = Loaded(config);
  EXPECT_EQ(values.numberText, "7");
  for (const char* typed : {"-5", "100"}) {
    if (auto number = ParseConfigureNumber(typed)) values.number = *number;
  }
  if (IsAcceptedTriggerText("12:34")) values.triggerText = "12:34";
  EXPECT_TRUE(ApplyConfigureOk(values, config).empty());
}

TEST(AboutVersion, ShortFullAndUnknown) {
  EXPECT_EQ(ProgramVersionText("2, 0, 3, 7", false), "Quorlan View PC 2. 0. 3");
  EXPECT_EQ(ProgramVersionText("2, 0, 3, 7", true), "Quorlan View PC 2. 0. 3. 7");
  EXPECT_EQ(ProgramVersionText("2,0", false), "Quorlan View PC 2");
  EXPECT_EQ(ProgramVersionText("5", false), "Quorlan View PC 5");
  EXPECT_EQ(ProgramVersionText("", false), "Quorlan View PC Version UNKNOWN");
  EXPECT_EQ(ProgramVersionText("", true), "Quorlan View PC Version UNKNOWN");
}

struct ClockCase {
  int year, month, day, hour, minute, second;
  bool sendable;
};

class ClockDates : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockDates, OnlyTheInstrumentsCentury) {
  const ClockCase& c = GetParam();
  EXPECT_EQ(IsSendableClock(ClockRecord(c.year, c.month, c.day, c.hour, c.minute, c.second)), c.sendable);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClockDates,
    ::testing::Values(ClockCase{2000, 1, 1, 0, 0, 0, true}, ClockCase{2099, 12, 31, 23, 59, 59, true},
                      ClockCase{1999, 12, 31, 23, 59, 59, false}, ClockCase{2100, 1, 1, 0, 0, 0, false},
                      ClockCase{2024, 2, 29, 12, 0, 0, true}, ClockCase{2023, 2, 29, 12, 0, 0, false},
                      ClockCase{2000, 2, 29, 0, 0, 0, true}, ClockCase{2024, 4, 31, 0, 0, 0, false},
                      ClockCase{2024, 13, 1, 0, 0, 0, false}, ClockCase{2024, 1, 0, 0, 0, 0, false},
                      ClockCase{2024, 1, 1, 24, 0, 0, false}, ClockCase{2024, 1, 1, 0, 60, 0, false},
                      ClockCase{2024, 1, 1, 0, 0, 60, false}));

TEST(ClockDates, RecordCarriesEachField) {
  const SYSTEMTIME t = ClockRecord(2024, 3, 5, 7, 8, 9);
  EXPECT_EQ(t.wYear, 2024);
  EXPECT_EQ(t.wMonth, 3);
  EXPECT_EQ(t.wDay, 5);
  EXPECT_EQ(t.wHour, 7);
  EXPECT_EQ(t.wMinute, 8);
  EXPECT_EQ(t.wSecond, 9);
  EXPECT_EQ(t.wDayOfWeek, 0);
  EXPECT_EQ(t.wMilliseconds, 0);
}

}  // namespace
