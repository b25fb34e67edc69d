#include <gtest/gtest.h>

#include "link/protocol/WorkerMessages.h"
#include "shell/model/ControlPanelActivity.h"
#include "shell/model/ControlPanelRules.h"
#include "shell/model/StandardCombo.h"

namespace {

using Items = std::vector<std::string>;

// ---- the combo list ------------------------------------------------------------------------------

TEST(StandardComboList, InsertAndDeleteKeepTheSelectedItemOrDropIt) {
  ComboItems c{{"B300", "1200/2400", "9600"}, 1};
  c.Insert(0, "V.21");
  EXPECT_EQ(c.items, (Items{"V.21", "B300", "1200/2400", "9600"}));
  EXPECT_EQ(c.SelectedText(), "1200/2400");
  c.Insert(-1, "14400");  // appended, selection untouched
  EXPECT_EQ(c.selected, 2);
  c.Delete(0);
  EXPECT_EQ(c.SelectedText(), "1200/2400");
  c.Delete(3);  // after the selection
  EXPECT_EQ(c.selected, 1);
  c.Delete(1);  // the selected item itself
  EXPECT_EQ(c.selected, -1);
  EXPECT_EQ(c.SelectedText(), "");
  EXPECT_FALSE(c.Delete(7));
  EXPECT_EQ(c.items, (Items{"B300", "9600"}));
}

struct SetStandardCase {
  Items items;
  int code;
  int selected;
};

class SetStandardMatch : public ::testing::TestWithParam<SetStandardCase> {};

TEST_P(SetStandardMatch, SelectsTheFirstItemBeginningWithTheCodesText) {
  ComboItems c{GetParam().items, 0};
  SetStandard(c, GetParam().code);
  EXPECT_EQ(c.selected, GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(Table, SetStandardMatch,
                         ::testing::Values(SetStandardCase{{"B300", "1200/2400", "9600", "14400"}, 3, 2},
                                           SetStandardCase{
                                               {"B300", "1200/2400", "9600", "14400"}, 17, -1},  // not listed
                                           SetStandardCase{{"V.21", "B300", "1200/2400"}, 17, 0},
                                           SetStandardCase{{"B300", "1200/2400"}, 99, -1},  // unknown code
                                           SetStandardCase{{"b300 (old)", "B300"}, 1, 0},   // prefix, any case
                                           SetStandardCase{{"14400", "1200/2400"}, 2, 1}));

TEST(StandardComboList, GetStandardComparesTheSelectedTextExactly) {
  ComboItems c{{"B300", "1200/2400 x", "V.21"}, 1};
  EXPECT_EQ(GetStandard(c), 0);
  c.Select(2);
  EXPECT_EQ(GetStandard(c), 17);
  c.Select(-1);
  EXPECT_EQ(GetStandard(c), 0);
  c.Select(0);
  EXPECT_EQ(GetStandard(c), 1);
}

TEST(StandardComboList, HighSpeedAndV21ComeAndGo) {
  ComboItems c{{"B300", "1200/2400"}, 0};
  AddHighSpeed(c);
  EXPECT_EQ(c.items, (Items{"B300", "1200/2400", "9600", "14400"}));
  AddHighSpeed(c);
  EXPECT_EQ(c.Count(), 4);
  ComboItems partial{{"9600 HS"}, -1};
  AddHighSpeed(partial);
  EXPECT_EQ(partial.items, (Items{"9600 HS", "14400"}));

  AddV21(c);
  AddV21(c);  // callers test first: twice lists it twice
  EXPECT_EQ(c.items.front(), "V.21");
  EXPECT_EQ(c.items[1], "V.21");
  RemoveV21(c);
  RemoveV21(c);
  RemoveV21(c);  // none left: nothing happens
  EXPECT_EQ(c.items, (Items{"B300", "1200/2400", "9600", "14400"}));
  EXPECT_EQ(c.SelectedText(), "B300");
}

// ---- mappings ------------------------------------------------------------------------------------

TEST(ControlPanelMapping, StandardCodesAndBytesAreInverse) {
  const int codes[] = {1, 2, 3, 4, 17};
  for (int byte = 0; byte < 5; ++byte) {
    ASSERT_EQ(StandardCodeOfByte(byte), codes[byte]);
    EXPECT_EQ(StandardByteOfCode(codes[byte]), byte);
  }
  for (int bad : {-1, 0, 5, 16, 18}) EXPECT_FALSE(StandardByteOfCode(bad).has_value()) << bad;
  for (int bad : {-1, 5, 255}) EXPECT_FALSE(StandardCodeOfByte(bad).has_value()) << bad;
  EXPECT_EQ(ModeTextOf(1), "Bridged Mode");
  EXPECT_EQ(ModeTextOf(2), "Bridged Mode");
  EXPECT_EQ(ModeTextOf(17), "Bridged Mode");
  EXPECT_EQ(ModeTextOf(3), "Intercept Mode");
  EXPECT_EQ(ModeTextOf(4), "Intercept Mode");
  EXPECT_EQ(ModeTextOf(0), "");
}

TEST(ControlPanelMapping, BitStuffedIsInverted) {
  EXPECT_EQ(BitStuffedByteOf(true), 0);
  EXPECT_EQ(BitStuffedByteOf(false), 1);
  EXPECT_TRUE(BitStuffedCheckedOf(0));
  EXPECT_FALSE(BitStuffedCheckedOf(1));
  EXPECT_TRUE(BitStuffedCheckedOf(2));  // anything but 1 shows checked
  EXPECT_EQ(CheckSettingOf(true), 14);
  EXPECT_EQ(CheckSettingOf(false), 13);
}

// ---- the user's changes ----------------------------------------------------------------------

struct Panel {
  PanelControls c;
  AppSettings s;
  PanelConfig cfg;
  Panel() {
    s.viewType = ViewType::Ascii;
    s.standard = 2;
    s.format = 5;
    s.mode = 7;
    s.session = 11;
    s.showParity = 13;
    s.showParityErrors = 13;
    s.showModemEvents = 13;
    UpdateFromSettings(c, s, cfg);
  }
};

TEST(ControlPanelRules, SyncWith7E1SwitchesTo8N1AndDisablesTheParityBoxes) {
  Panel p;
  ApplyFormatSelection(p.c, p.s, p.cfg, 1);
  ASSERT_TRUE(p.c.parityBoxesEnabled);
  ASSERT_EQ(p.cfg.parity7E1, 1);
  ApplyModeSelection(p.c, p.s, p.cfg, 1);
  EXPECT_EQ(p.c.format.SelectedText(), "8N1");
  EXPECT_EQ(p.s.format, 5);
  EXPECT_EQ(p.cfg.parity7E1, 0);
  EXPECT_FALSE(p.c.parityBoxesEnabled);
  EXPECT_TRUE(p.c.bitStuffedEnabled);
  EXPECT_EQ(p.s.mode, 8);
  EXPECT_EQ(p.cfg.sync, 1);
  ApplyModeSelection(p.c, p.s, p.cfg, 0);
  EXPECT_FALSE(p.c.bitStuffedEnabled);
  EXPECT_EQ(p.s.mode, 7);
  EXPECT_EQ(p.cfg.sync, 0);
}

struct StandardCase {
  const char* item;
  int code;
  int byte;
  const char* modeText;
  bool modemEvents;
  int sessionAfter;  // session item after a change from Multiple
};

class StandardSelection : public ::testing::TestWithParam<StandardCase> {};

TEST_P(StandardSelection, SetsSettingByteModeTextModemEventsAndSession) {
  const StandardCase& t = GetParam();
  Panel p;
  ShowV21(p.c, p.s, p.cfg);
  ApplySessionSelection(p.c, p.s, p.cfg, 1);
  ASSERT_EQ(p.cfg.sessionMode, 1);
  p.c.standard.Select(p.c.standard.FindPrefix(t.item));
  ApplyStandardSelection(p.c, p.s, p.cfg);
  EXPECT_EQ(p.s.standard, t.code);
  EXPECT_EQ(p.cfg.standard, t.byte);
  EXPECT_EQ(p.cfg.modeText, std::optional<std::string>(t.modeText));
  EXPECT_EQ(p.c.modemEventsVisible, t.modemEvents);
  EXPECT_EQ(p.c.session.selected, t.sessionAfter);
  EXPECT_EQ(p.cfg.sessionMode, t.sessionAfter);
  EXPECT_EQ(p.s.session, t.sessionAfter == 1 ? 12 : 11);
}

INSTANTIATE_TEST_SUITE_P(Table, StandardSelection,
                         ::testing::Values(StandardCase{"B300", 1, 0, "Bridged Mode", false, 1},
                                           StandardCase{"1200/2400", 2, 1, "Bridged Mode", false, 1},
                                           StandardCase{"9600", 3, 2, "Intercept Mode", true, 0},
                                           StandardCase{"14400", 4, 3, "Intercept Mode", true, 0},
                                           StandardCase{"V.21", 17, 4, "Bridged Mode", false, 1}));

TEST(ControlPanelRules, ASelectionOfNoStandardChangesNothing) {
  Panel p;
  p.c.standard.Select(-1);
  const AppSettings before = p.s;
  ApplyStandardSelection(p.c, p.s, p.cfg);
  EXPECT_EQ(p.s.standard, before.standard);
  EXPECT_EQ(p.cfg.standard, 1);
  EXPECT_FALSE(p.cfg.modeText.has_value());
}

TEST(ControlPanelRules, ViewTypeChecksOneRadioAndEnablesParityBoxesOnlyFor7E1) {
  Panel p;
  ApplyViewType(p.c, p.s, p.cfg, ViewType::Hex);
  EXPECT_FALSE(p.c.ascii);
  EXPECT_TRUE(p.c.hex);
  EXPECT_FALSE(p.c.parityBoxesEnabled);
  EXPECT_TRUE(p.cfg.layoutDirty);
  EXPECT_EQ(p.s.viewType, ViewType::Hex);
  p.cfg.parity7E1 = 1;
  ApplyViewType(p.c, p.s, p.cfg, ViewType::Ascii);
  EXPECT_TRUE(p.c.ascii);
  EXPECT_FALSE(p.c.hex);
  EXPECT_TRUE(p.c.parityBoxesEnabled);
}

TEST(ControlPanelRules, CheckBoxesSetTheirFlagAndSetting) {
  Panel p;
  ApplyHighlightParityBit(p.c, p.s, p.cfg, true);
  ApplyHighlightParityErrors(p.c, p.s, p.cfg, true);
  ApplyShowModemEvents(p.c, p.s, p.cfg, true);
  ApplyBitStuffed(p.c, p.cfg, true);
  EXPECT_EQ(p.cfg.highlightParityBit, 1);
  EXPECT_EQ(p.cfg.highlightParityErrors, 1);
  EXPECT_EQ(p.cfg.showModemEvents, 1);
  EXPECT_EQ(p.cfg.bitStuffed, 0);
  EXPECT_EQ(p.s.showParity, 14);
  EXPECT_EQ(p.s.showParityErrors, 14);
  EXPECT_EQ(p.s.showModemEvents, 14);
  ApplyHighlightParityErrors(p.c, p.s, p.cfg, false);
  ApplyBitStuffed(p.c, p.cfg, false);
  EXPECT_EQ(p.cfg.highlightParityErrors, 0);
  EXPECT_EQ(p.s.showParityErrors, 13);
  EXPECT_EQ(p.cfg.bitStuffed, 1);
}

// ---- from the store and from the settings ------------------------------------------------------

struct SyncCase {
  int standard, parity7E1, sync, bitStuffed;
  int wantStandardSetting;  // 0: left as it was
  const char* wantFormat;
  int wantFormatSetting;
  const char* wantMode;
  bool bitStuffedChecked;
};

class ConfigSync : public ::testing::TestWithParam<SyncCase> {};

TEST_P(ConfigSync, ControlsAndSettingsFollowTheStore) {
  const SyncCase& t = GetParam();
  Panel p;
  p.cfg.standard = t.standard;
  p.cfg.parity7E1 = t.parity7E1;
  p.cfg.sync = t.sync;
  p.cfg.bitStuffed = t.bitStuffed;
  SyncFromConfig(p.c, p.s, p.cfg);
  EXPECT_EQ(p.s.standard, t.wantStandardSetting == 0 ? 2 : t.wantStandardSetting);
  EXPECT_EQ(p.c.format.SelectedText(), t.wantFormat);
  EXPECT_EQ(p.s.format, t.wantFormatSetting);
  EXPECT_EQ(p.c.parityBoxesEnabled, t.wantFormatSetting == 6);
  EXPECT_EQ(p.c.mode.SelectedText(), t.wantMode);
  EXPECT_EQ(p.s.mode, t.sync == 1 ? 8 : 7);
  EXPECT_EQ(p.c.bitStuffedEnabled, t.sync == 1);
  EXPECT_EQ(p.c.bitStuffedChecked, t.bitStuffedChecked);
}

INSTANTIATE_TEST_SUITE_P(Table, ConfigSync,
                         ::testing::Values(SyncCase{0, 0, 0, 1, 1, "8N1", 5, "ASYNC", false},
                                           SyncCase{3, 1, 0, 0, 4, "7E1", 6, "ASYNC", true},
                                           SyncCase{2, 0, 1, 0, 3, "8N1", 5, "SYNC", true},
                                           SyncCase{7, 2, 2, 2, 0, "8N1", 5, "ASYNC", true}));

TEST(ControlPanelRules, SyncMode8N1KeepsTheCheckedParityErrorBoxWhenTheFlagIsOn) {
  Panel p;
  p.s.showParityErrors = 14;
  UpdateFromSettings(p.c, p.s, p.cfg);
  // The update turned the flag on, so the instrument's answer does not clear the user's choice.
  EXPECT_EQ(p.cfg.highlightParityErrors, 1);
  SyncFromConfig(p.c, p.s, p.cfg);
  EXPECT_TRUE(p.c.parityErrorsChecked);
  EXPECT_EQ(p.s.showParityErrors, 14);
  p.cfg.highlightParityBit = 0;
  SyncFromConfig(p.c, p.s, p.cfg);
  EXPECT_FALSE(p.c.parityBitChecked);
  EXPECT_EQ(p.s.showParity, 13);
}

TEST(ControlPanelRules, UpdateFollowsModeAndStandardWithTheFormatAndSessionLists) {
  Panel p;
  p.s.format = 6;
  p.s.mode = 8;
  UpdateFromSettings(p.c, p.s, p.cfg);
  EXPECT_EQ(p.c.format.items, (Items{"8N1"}));
  EXPECT_EQ(p.c.format.selected, 0);
  EXPECT_EQ(p.cfg.sync, 1);
  EXPECT_TRUE(p.c.bitStuffedEnabled);
  p.s.mode = 7;
  UpdateFromSettings(p.c, p.s, p.cfg);
  EXPECT_EQ(p.c.format.items, (Items{"8N1", "7E1"}));
  EXPECT_EQ(p.c.format.selected, 1);
  EXPECT_EQ(p.cfg.parity7E1, 1);
  EXPECT_FALSE(p.c.bitStuffedEnabled);

  p.s.standard = 3;
  p.s.session = 12;
  UpdateFromSettings(p.c, p.s, p.cfg);
  EXPECT_EQ(p.c.session.items, (Items{"Single"}));
  EXPECT_EQ(p.cfg.sessionMode, 0);
  EXPECT_EQ(p.cfg.standard, 2);
  EXPECT_EQ(p.c.standard.SelectedText(), "9600");
  p.s.standard = 1;
  UpdateFromSettings(p.c, p.s, p.cfg);
  EXPECT_EQ(p.c.session.items, (Items{"Single", "Multiple"}));
  EXPECT_EQ(p.c.session.selected, 1);
  EXPECT_EQ(p.cfg.sessionMode, 1);
}

TEST(ControlPanelRules, UpdateSetsEveryDisplayFlagFromItsSetting) {
  Panel p;
  p.s.showParity = 14;
  p.s.showParityErrors = 13;
  p.s.showModemEvents = 14;
  p.s.viewType = ViewType::Hex;
  p.cfg.highlightParityErrors = 1;
  UpdateFromSettings(p.c, p.s, p.cfg);
  EXPECT_EQ(p.cfg.highlightParityBit, 1);
  EXPECT_EQ(p.cfg.highlightParityErrors, 0);
  EXPECT_EQ(p.cfg.showModemEvents, 1);
  EXPECT_TRUE(p.c.parityBitChecked);
  EXPECT_FALSE(p.c.parityErrorsChecked);
  EXPECT_TRUE(p.c.hex);
  EXPECT_FALSE(p.c.ascii);
}

TEST(ControlPanelRules, V21IsInsertedOnceAtTheTopAndItsRemovalDropsTheSelection) {
  Panel p;
  p.cfg.standard = 4;  // the instrument is at V.21
  EXPECT_TRUE(ShowV21(p.c, p.s, p.cfg));
  EXPECT_FALSE(ShowV21(p.c, p.s, p.cfg));
  EXPECT_EQ(p.c.standard.items, (Items{"V.21", "B300", "1200/2400", "9600", "14400"}));
  EXPECT_EQ(p.c.standard.SelectedText(), "V.21");
  EXPECT_EQ(p.s.standard, 17);
  EXPECT_TRUE(HideV21(p.c, p.s, p.cfg));
  EXPECT_FALSE(HideV21(p.c, p.s, p.cfg));
  EXPECT_EQ(p.c.standard.selected, -1);
  EXPECT_EQ(p.s.standard, 17);  // no standard selected: nothing changes
}

TEST(ControlPanelRules, HighSpeedStandardsAreAddedOnceOrBringModemEventsBack) {
  Panel p;
  p.c.standard = ComboItems{{"B300", "1200/2400"}, 1};
  p.cfg.standard = 1;
  EXPECT_TRUE(ShowHighSpeedStandards(p.c, p.s, p.cfg));
  EXPECT_EQ(p.c.standard.Count(), 4);
  EXPECT_EQ(p.c.standard.SelectedText(), "1200/2400");
  p.c.standard.Select(2);
  p.c.modemEventsVisible = false;
  EXPECT_FALSE(ShowHighSpeedStandards(p.c, p.s, p.cfg));
  EXPECT_TRUE(p.c.modemEventsVisible);
  EXPECT_EQ(p.c.standard.Count(), 4);
}

// ---- activity buttons ----------------------------------------------------------------------------

struct PlanCase {
  const char* name;
  PanelPlan (*plan)(const PanelInput&);
  PanelInput flags;
  std::vector<UINT> messages;
  PanelStart start;
};

class ActivityPlans : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ActivityPlans, PostsStopsAndStartsInOrder) {
  const PlanCase& t = GetParam();
  const PanelPlan plan = t.plan(t.flags);
  std::vector<UINT> messages;
  for (const PanelPost& post : plan.posts) messages.push_back(post.message);
  EXPECT_EQ(messages, t.messages) << t.name;
  EXPECT_EQ(plan.start, t.start) << t.name;
}

constexpr PanelInput kIdle{.deviceOpen = true};
constexpr PanelInput kNoDevice{};
constexpr PanelInput kDtmf{.deviceOpen = true, .run = {.dtmf = true}};
constexpr PanelInput kLine{.deviceOpen = true, .run = {.lineTest = true}};
constexpr PanelInput kTraceGone{.run = {.trace = TraceRun::Running}};
constexpr PanelInput kDtmfGone{.run = {.dtmf = true}};

INSTANTIATE_TEST_SUITE_P(
    Table, ActivityPlans,
    ::testing::Values(
        PlanCase{"trace start", PlanSignalTrace, kIdle, {WM_ORU_START_SIGNAL_TRACE}, PanelStart::SignalTrace},
        PlanCase{"trace no device", PlanSignalTrace, kNoDevice, {}, PanelStart::NoDevice},
        PlanCase{"trace stop, device gone", PlanSignalTrace, kTraceGone, {WM_ORU_STOP_SIGNAL_TRACE}, PanelStart::None},
        PlanCase{"line test while DTMF",
                 PlanLineTest,
                 kDtmf,
                 {WM_ORU_STOP_DTMF_DECODER, WM_ORU_START_LINE_TEST},
                 PanelStart::LineTest},
        PlanCase{"line test stop", PlanLineTest, kLine, {WM_ORU_STOP_LINE_TEST}, PanelStart::None},
        PlanCase{"line test no device", PlanLineTest, kNoDevice, {}, PanelStart::NoDevice},
        PlanCase{"DTMF while line test",
                 PlanDtmfDecoder,
                 kLine,
                 {WM_ORU_STOP_LINE_TEST, WM_ORU_START_DTMF_DECODER},
                 PanelStart::DtmfDecoder},
        PlanCase{"DTMF stop, device gone", PlanDtmfDecoder, kDtmfGone, {WM_ORU_STOP_DTMF_DECODER}, PanelStart::None},
        PlanCase{"configure stops",
                 PlanConfigure,
                 PanelInput{.run = {.lineTest = true, .dtmf = true}},
                 {WM_ORU_STOP_LINE_TEST, WM_ORU_STOP_DTMF_DECODER},
                 PanelStart::Dialog},
        PlanCase{"recall no device posts nothing", PlanRecallSession, kDtmfGone, {}, PanelStart::NoDevice},
        PlanCase{"recall stops",
                 PlanRecallSession,
                 PanelInput{.deviceOpen = true, .run = {.lineTest = true, .dtmf = true}},
                 {WM_ORU_STOP_DTMF_DECODER, WM_ORU_STOP_LINE_TEST},
                 PanelStart::Dialog}));

TEST(ActivityPlans, StartsCarryLineOneAndStopsTheirStatusText) {
  EXPECT_EQ(PlanLineTest(kDtmf).posts, (std::vector<PanelPost>{{"Aborting DTMF decoder", WM_ORU_STOP_DTMF_DECODER, 0},
                                                               {"", WM_ORU_START_LINE_TEST, 1}}));
  EXPECT_EQ(PlanSignalTrace(kTraceGone).posts.front().statusText, "Aborting signal trace");
  EXPECT_EQ(PlanSignalTrace(kIdle).posts.front().wParam, 1u);
  EXPECT_EQ(PlanDtmfDecoder(kIdle).posts.front().wParam, 1u);
  EXPECT_EQ(PlanDtmfDecoder(kLine).posts.front().statusText, "Aborting line test");
}

TEST(CapturePlans, AbortWinsOverTheDeviceCheckAndStopsComeFirst) {
  const CapturePlan running = PlanCapture(PanelInput{.run = {.capture = CaptureRun::Running, .dtmf = true}});
  EXPECT_EQ(running.step, CaptureStep::Abort);  // a stop goes out even with the device gone
  ASSERT_EQ(running.stops.size(), 1u);
  EXPECT_EQ(running.stops[0].message, WM_ORU_STOP_DTMF_DECODER);
  EXPECT_EQ(PlanCapture(PanelInput{.deviceOpen = true, .run = {.capture = CaptureRun::Armed}}).step,
            CaptureStep::Abort);
  EXPECT_EQ(PlanCapture(kNoDevice).step, CaptureStep::NoDevice);
  const CapturePlan start = PlanCapture(kLine);
  EXPECT_EQ(start.step, CaptureStep::Start);
  ASSERT_EQ(start.stops.size(), 1u);
  EXPECT_EQ(start.stops[0].message, WM_ORU_STOP_LINE_TEST);
}

TEST(CapturePlans, OptionsDecideAutosaveClearAndTitle) {
  struct Row {
    int options;
    bool autosave, clear, untitled;
  };
  for (const Row& r : {Row{1, false, false, false}, Row{2, false, true, true}, Row{4, true, true, false},
                       Row{0, false, false, false}, Row{3, false, false, false}}) {
    const CaptureDataRule rule = CaptureDataRuleFor(r.options);
    EXPECT_EQ(rule.autosaveFirst, r.autosave) << r.options;
    EXPECT_EQ(rule.clear, r.clear) << r.options;
    EXPECT_EQ(rule.untitled, r.untitled) << r.options;
  }
}

TEST(CapturePlans, EndOfCaptureBoxIsPlainOnlyForZeroOneAndNine) {
  for (int code = -1; code <= 16; ++code) {
    const bool plain = code == 0 || code == 1 || code == 9;
    EXPECT_EQ(EndOfCaptureStyle(code), plain ? MB_OK : (MB_OK | MB_ICONEXCLAMATION)) << code;
    EXPECT_EQ(EndOfCaptureStringId(code), 800 + code);
  }
}

}  // namespace
