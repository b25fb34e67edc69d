#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "link/worker/CalibrationStep.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "maintenance/calibration/CalibrationProcedure.h"
#include "resources/data/StringTable.h"
#include "shell/model/ShellConstants.h"
#include "tests/link/LockProbe.h"

namespace {

struct Box {
  std::string text;
  std::string caption;
  UINT style = 0;
};
struct Post {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool operator==(const Post&) const = default;
};

// The dialog's side: scripted answers, recorded boxes, statuses, posts and redraws.
class FakeHost final : public CalibrationHost {
 public:
  bool DeviceOpen() const override { return device; }
  int MessageBox(const std::string& text, const std::string& caption, UINT style) override {
    boxes.push_back({text, caption, style});
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted box: " << caption;
      return IDCANCEL;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void PostToWorker(UINT message, WPARAM wParam, LPARAM lParam) override { posts.push_back({message, wParam, lParam}); }
  void FactorsChanged(int line) override { redrawn.push_back(line); }

  bool device = true;
  std::deque<int> answers;
  std::vector<Box> boxes;
  std::vector<std::string> statuses;
  std::vector<Post> posts;
  std::vector<int> redrawn;
};

constexpr Post Step(int line, int step) { return {WM_ORU_CALIBRATE_LINE, static_cast<WPARAM>(line), step}; }
constexpr Post kStore{WM_ORU_STORE_CAL_FACTORS, 0, 0};

CCalFactor& FactorsOf(CORUData& store, int line) {
  auto& fields = LinkFields(store);
  return line == 1 ? fields.calFactor1 : line == 2 ? fields.calFactor2 : fields.calFactor3;
}

class Procedure : public ::testing::Test {
 protected:
  void SetGood(int line) {
    CCalFactor& f = FactorsOf(store, line);
    f.dcOffset = 3;
    f.dcGain = 1000;
    f.acOffset = -5;
    f.acGain = 1100;
  }
  // The worker's report of a step, with factors it "measured".
  void Report(int line, int step) { procedure.OnCalibrationStep(line, step); }

  CORUData store;
  FakeHost host;
  CalibrationProcedure procedure{store, host};
};

struct MaskCase {
  int meter;  // radio index
  int line;
};

class Masks : public Procedure, public ::testing::WithParamInterface<MaskCase> {};

// Every step answered OK, with valid factors: the posts, prompts and statuses of the whole run.
TEST_P(Masks, OkAtEveryPromptRunsEveryStepOfTheMask) {
  const auto [meter, line] = GetParam();
  const std::string n = std::to_string(line);
  procedure.SelectMeter(meter);
  SetGood(line);
  const bool dc = meter != 1;
  const bool ac = meter != 0;
  std::vector<int> steps;
  if (dc) steps.insert(steps.end(), {1, 2, 4});
  if (ac) steps.insert(steps.end(), {8, 16});
  host.answers.assign(steps.size(), IDOK);

  procedure.StartLine(line);
  std::vector<Post> expected{Step(line, steps[0])};
  EXPECT_TRUE(procedure.Busy());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    Report(line, steps[i]);
    if (steps[i] == 4) expected.push_back(kStore);
    if (i + 1 < steps.size()) expected.push_back(Step(line, steps[i + 1]));
  }
  if (ac) expected.push_back(kStore);
  EXPECT_EQ(host.posts, expected);
  EXPECT_FALSE(procedure.Busy());

  // Prompt texts and captions carry the line number.
  ASSERT_EQ(host.boxes.size(), steps.size());
  const std::string select = "1.  Select line " + n + " on the test station\n\n2.  ";
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(host.boxes[i].style, MB_OKCANCEL | MB_ICONEXCLAMATION);
    EXPECT_TRUE(host.boxes[i].text.starts_with(select)) << host.boxes[i].text;
  }
  std::size_t i = 0;
  if (dc) {
    EXPECT_EQ(host.boxes[i].caption, "Line " + n + " DC Gain Measurement #1");
    EXPECT_NE(host.boxes[i].text.find("Short the line input."), std::string::npos);
    EXPECT_EQ(host.boxes[i + 1].caption, "Line " + n + " DC Gain Measurement #2");
    EXPECT_NE(host.boxes[i + 1].text.find("20.00 volts."), std::string::npos);
    EXPECT_EQ(host.boxes[i + 2].caption, "Line " + n + " DC Offset");
    i += 3;
  }
  if (ac) {
    EXPECT_EQ(host.boxes[i].caption, "Line " + n + " AC Gain");
    EXPECT_NE(host.boxes[i].text.find("2.19 volts peak-to-peak"), std::string::npos);
    EXPECT_EQ(host.boxes[i + 1].caption, "Line " + n + " AC Offset");
  }

  // The statuses: each step's own, and the end only when an AC group closes the run (DC only
  // keeps the DC offset text).
  std::vector<std::string> statuses;
  if (dc) {
    statuses.insert(statuses.end(), {"Calibrating LINE " + n + " DC gain", "Calibrating LINE " + n + " DC gain",
                                     "Calibrating LINE " + n + " DC offset"});
  }
  if (ac) {
    statuses.insert(statuses.end(), {"Calibrating LINE " + n + " AC gain", "Calibrating LINE " + n + " AC offset",
                                     "Calibration of LINE " + n + " complete"});
  }
  EXPECT_EQ(host.statuses, statuses);
  EXPECT_EQ(procedure.Status(), statuses.back());
  EXPECT_EQ(procedure.LineColor(line), kCalibratedColor);
}

// Cancel at each prompt in turn: the procedure stops there, posting nothing more.
TEST_P(Masks, CancelAtAnyPromptStopsThere) {
  const auto [meter, line] = GetParam();
  const int prompts = meter == 0 ? 3 : meter == 1 ? 2 : 5;
  const int steps[] = {meter == 1 ? 8 : 1, 2, 4, 8, 16};
  for (int cancelAt = 0; cancelAt < prompts; ++cancelAt) {
    CORUData fresh;
    FakeHost h;
    CalibrationProcedure p(fresh, h);
    FactorsOf(fresh, line) = CCalFactor{0, 1000, 3, 0, 0.0, 1100, -5, 0.0, 1, 1};
    p.SelectMeter(meter);
    for (int i = 0; i < cancelAt; ++i) h.answers.push_back(IDOK);
    h.answers.push_back(IDCANCEL);
    p.StartLine(line);
    // Report each step the worker was asked for.
    for (std::size_t reported = 0; reported < h.posts.size(); ++reported) {
      if (h.posts[reported].message == WM_ORU_CALIBRATE_LINE) p.OnCalibrationStep(line, h.posts[reported].lParam);
    }
    EXPECT_EQ(h.boxes.size(), static_cast<std::size_t>(cancelAt + 1)) << "cancel at " << cancelAt;
    EXPECT_EQ(h.statuses.back(), "Calibration cancelled");
    EXPECT_FALSE(p.Busy());
    int asked = 0;
    for (const Post& post : h.posts) asked += post.message == WM_ORU_CALIBRATE_LINE;
    EXPECT_EQ(asked, cancelAt);
    if (cancelAt > 0) {
      EXPECT_EQ(h.posts.front(), Step(line, steps[0]));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryLine, Masks,
                         ::testing::Values(MaskCase{0, 1}, MaskCase{0, 2}, MaskCase{0, 3}, MaskCase{1, 1},
                                           MaskCase{1, 2}, MaskCase{1, 3}, MaskCase{2, 1}, MaskCase{2, 2},
                                           MaskCase{2, 3}));

TEST_F(Procedure, StartNeedsAMeterAndADevice) {
  host.answers = {IDOK, IDOK};
  procedure.StartLine(1);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "Select a meter to calibrate,\nthen press the Calibrate Line button");
  EXPECT_EQ(host.boxes[0].caption, "Calibration Error");
  EXPECT_EQ(host.boxes[0].style, MB_OK | MB_SYSTEMMODAL | MB_ICONEXCLAMATION);

  host.device = false;
  procedure.SelectMeter(2);
  procedure.StartLine(1);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[1].text, "No USB connection to ORUpc");
  EXPECT_EQ(host.boxes[1].caption, "COMM Error");
  EXPECT_TRUE(host.posts.empty());
  EXPECT_FALSE(procedure.Busy());
  procedure.SelectMeter(7);
  EXPECT_EQ(procedure.StepMask(), -1);
}

TEST_F(Procedure, AFailedStepEndsTheProcedureWithoutStoring) {
  procedure.SelectMeter(2);
  SetGood(2);
  host.answers = {IDOK, IDOK};
  procedure.StartLine(2);
  procedure.OnCalibrationStep(2, 1);
  procedure.OnCalibrationStep(2, CALIBRATION_STEP_FAILED | 2);
  EXPECT_EQ(host.posts, (std::vector<Post>{Step(2, 1), Step(2, 2)}));
  EXPECT_EQ(procedure.Status(), "Calibration of LINE 2 failed");
  EXPECT_FALSE(procedure.Busy());
  EXPECT_EQ(host.boxes.size(), 2u);                 // no further prompt
  EXPECT_EQ(procedure.Texts()[4], "DC offset: 3");  // the factors were still shown
}

TEST_F(Procedure, AnInvalidGroupIsNotStoredAndTheRunGoesOn) {
  procedure.SelectMeter(2);
  SetGood(3);
  LinkFields(store).calFactor3.dcGain = 1178;
  host.answers = {IDOK, IDOK, IDOK, IDOK, IDOK, IDOK, IDOK};
  procedure.StartLine(3);
  for (int step : {1, 2, 4}) procedure.OnCalibrationStep(3, step);
  ASSERT_EQ(host.boxes.size(), 5u);  // three prompts, the message, the AC gain prompt
  EXPECT_EQ(host.boxes[3].text, LoadResourceString(216));
  EXPECT_EQ(host.boxes[3].caption, "Line 3 DC Meter");
  EXPECT_EQ(host.boxes[3].style, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(host.posts.back(), Step(3, 8));
  LinkFields(store).calFactor3.acOffset = 44;
  procedure.OnCalibrationStep(3, 8);
  procedure.OnCalibrationStep(3, 16);
  EXPECT_EQ(host.boxes.back().caption, "Line 3 AC Meter");
  for (const Post& post : host.posts) EXPECT_NE(post, kStore);
  EXPECT_EQ(procedure.Status(), "Calibration of LINE 3 complete");
  EXPECT_EQ(procedure.LineColor(3), kUncalibratedColor);
}

struct ValidityCase {
  int group;
  LONG offset;
  LONG gain;
  bool valid;
  LONG flag;
};

class Validity : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(Validity, EdgesAndFlags) {
  const ValidityCase c = GetParam();
  for (int line = 1; line <= 3; ++line) {
    CORUData store;
    CCalFactor& f = FactorsOf(store, line);
    LONG& flag = c.group == kDcGroupMask ? f.dcCalibrated : f.acCalibrated;
    LONG& other = c.group == kDcGroupMask ? f.acCalibrated : f.dcCalibrated;
    (c.group == kDcGroupMask ? f.dcOffset : f.acOffset) = c.offset;
    (c.group == kDcGroupMask ? f.dcGain : f.acGain) = c.gain;
    flag = 1 - c.flag;
    other = 1;
    EXPECT_EQ(IsCalibrationValid(store, line, c.group), c.valid) << line;
    EXPECT_EQ(flag, c.flag);
    EXPECT_EQ(GroupColor(store, line), c.flag == 1 ? kCalibratedColor : kUncalibratedColor);
    // A step bit names its group as well as the group mask does.
    EXPECT_EQ(IsCalibrationValid(store, line, c.group == kDcGroupMask ? 2 : 16), c.valid);
  }
}

INSTANTIATE_TEST_SUITE_P(Edges, Validity,
                         ::testing::Values(ValidityCase{7, 30, 871, true, 1}, ValidityCase{7, -30, 1177, true, 1},
                                           ValidityCase{7, 31, 1000, false, 0}, ValidityCase{7, -31, 1000, false, 0},
                                           ValidityCase{7, 0, 870, false, 0}, ValidityCase{7, 0, 1178, false, 0},
                                           ValidityCase{7, 0, 1024, true, 0}, ValidityCase{24, 43, 1000, true, 1},
                                           ValidityCase{24, -43, 1000, true, 1}, ValidityCase{24, 44, 1000, false, 0},
                                           ValidityCase{24, -44, 1000, false, 0}, ValidityCase{24, 0, 1024, true, 0},
                                           ValidityCase{24, 30, 1178, false, 0}));

TEST(ValidityRule, OtherLinesAndGroupsAreNeverValid) {
  CORUData store;
  LinkFields(store).calFactor1 = CCalFactor{0, 1024, 0, 0, 0.0, 1024, 0, 0.0, 1, 1};
  EXPECT_FALSE(IsCalibrationValid(store, 0, 7));
  EXPECT_FALSE(IsCalibrationValid(store, 4, 24));
  EXPECT_FALSE(IsCalibrationValid(store, 1, 0));
  EXPECT_FALSE(IsCalibrationValid(store, 1, 32));
  EXPECT_EQ(LinkFields(store).calFactor1.dcCalibrated, 1);  // left alone
}

// The worker writes the factors under the store's lock: the dialog's rule, colour and texts read
// them under it too.
TEST(ValidityRule, ReadsTheFactorsUnderTheStoreLock) {
  CORUData store;
  LinkFields(store).calFactor2 = CCalFactor{10, 1000, 0, 0, 0.0, 1000, 20, 0.0, 0, 0};
  bool valid = false;
  EXPECT_TRUE(linktest::ReadWaitsForTheStoreLock(store, [&] { valid = IsCalibrationValid(store, 2, 7); }));
  EXPECT_TRUE(valid);
  COLORREF color = 0;
  EXPECT_TRUE(linktest::ReadWaitsForTheStoreLock(store, [&] { color = GroupColor(store, 2); }));
  EXPECT_EQ(color, kUncalibratedColor);  // the AC group is not checked yet
  FactorTexts texts;
  EXPECT_TRUE(linktest::ReadWaitsForTheStoreLock(store, [&] { FormatFactorTexts(store, 2, 24, texts); }));
  EXPECT_EQ(texts[6], "AC offset: 20");
}

TEST_F(Procedure, StoreStopsAtTheFirstInvalidGroup) {
  for (int line = 1; line <= 3; ++line) SetGood(line);
  host.answers = {IDOK};
  procedure.OnStoreCalibration();
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "Calibration data is VALID\n\nPress 'Ok' if you wish to store");
  EXPECT_EQ(host.boxes[0].caption, "Calibration valid");
  EXPECT_EQ(host.boxes[0].style, MB_OKCANCEL | MB_SYSTEMMODAL);
  EXPECT_EQ(host.posts, (std::vector<Post>{kStore}));

  auto& fields = LinkFields(store);
  // Line 2's AC group fails: line 3 is never judged, so its flag stays as it was.
  fields.calFactor2.acGain = 870;
  fields.calFactor3.dcOffset = 99;
  fields.calFactor3.dcCalibrated = 1;
  host.answers = {IDOK};
  procedure.OnStoreCalibration();
  EXPECT_EQ(host.boxes[1].text, "Calibration data is INVALID\n\nPress 'Ok' if you wish to store");
  EXPECT_EQ(host.boxes[1].caption, "Calibration INVALID");
  EXPECT_EQ(host.posts, (std::vector<Post>{kStore, kStore}));
  EXPECT_EQ(fields.calFactor2.acCalibrated, 0);
  EXPECT_EQ(fields.calFactor3.dcCalibrated, 1);

  host.answers = {IDCANCEL};
  procedure.OnStoreCalibration();
  EXPECT_EQ(host.posts.size(), 2u);
}

TEST_F(Procedure, BarGrowsOverOneHundredTicksThenRestarts) {
  EXPECT_EQ(procedure.TimerTick(200), 0);
  EXPECT_EQ(procedure.Ticks(), 0);  // not busy: no ticks counted
  host.answers = {IDOK};
  procedure.SelectMeter(0);
  procedure.StartLine(1);
  ASSERT_TRUE(procedure.Busy());
  std::vector<int> widths;
  for (int tick = 0; tick < 102; ++tick) widths.push_back(procedure.TimerTick(155));
  for (int tick = 0; tick < 100; ++tick) EXPECT_EQ(widths[tick], 155 * tick / 100) << tick;
  EXPECT_EQ(widths[100], 0);  // full: the static is emptied and the count restarts
  EXPECT_EQ(widths[101], 1);
  procedure.OnCalibrationStep(1, CALIBRATION_STEP_FAILED | 1);
  EXPECT_EQ(procedure.Ticks(), 0);
  EXPECT_EQ(procedure.TimerTick(155), 0);
}

TEST_F(Procedure, FactorTextsOfEachLineAndGroup) {
  LinkFields(store).calFactor1 = CCalFactor{0, 1001, -7, 0, 0.0, 990, 12, 0.0, 1, 1};
  LinkFields(store).calFactor3 = CCalFactor{0, 1177, 30, 0, 0.0, 871, -43, 0.0, 1, 1};
  procedure.OnFactorsRead(1, 7);
  procedure.OnFactorsRead(1, 16);  // a step's bit names its group
  procedure.OnFactorsRead(3, 1);
  procedure.OnFactorsRead(3, 24);
  procedure.OnFactorsRead(2, 0);  // names nothing
  const FactorTexts expected = {
      "DC offset: -7", "DC Gain Adj: 1001", "AC offset: 12",  "AC Gain Adj: 990", "", "", "", "",
      "DC offset: 30", "DC Gain Adj: 1177", "AC offset: -43", "AC Gain Adj: 871"};
  EXPECT_EQ(procedure.Texts(), expected);
  EXPECT_EQ(host.redrawn, (std::vector<int>{1, 1, 3, 3}));
}

// The opening's read-back: 2045 comes twice for a pair whose RC read worked, once when it failed,
// and during a step with the step's bit. Busy ends once all six pairs were shown.
TEST_F(Procedure, ReadBackEndsWhenEverySixPairsWereShown) {
  procedure.StartReadBack();
  EXPECT_TRUE(procedure.Busy());
  EXPECT_EQ(procedure.Status(), "Reading cal factors");
  std::vector<Post> expected;
  for (WPARAM line = 1; line <= 3; ++line) {
    expected.push_back({WM_ORU_GET_CAL_FACTORS, line, 7});
    expected.push_back({WM_ORU_GET_CAL_FACTORS, line, 24});
  }
  EXPECT_EQ(host.posts, expected);

  const std::pair<int, LPARAM> arrivals[] = {{1, 7}, {1, 7}, {1, 24}, {1, 24},
                                             {2, 7}, {2, 7}, {2, 24},  // its RC read failed: only the dispatcher's
                                             {3, 7}, {3, 7}, {3, 24}};
  for (const auto& [line, group] : arrivals) {
    EXPECT_TRUE(procedure.Busy()) << line << "/" << group;
    procedure.OnFactorsRead(line, group);
  }
  EXPECT_FALSE(procedure.ReadBackRunning());
  EXPECT_FALSE(procedure.Busy());
}

TEST_F(Procedure, ReadBackCountsStepBitsAndWaitsForMissingPairs) {
  procedure.StartReadBack();
  for (int line = 1; line <= 3; ++line) procedure.OnFactorsRead(line, 4);  // DC of each line
  procedure.OnFactorsRead(1, 8);
  procedure.OnFactorsRead(2, 16);
  procedure.OnFactorsRead(1, 24);
  EXPECT_TRUE(procedure.Busy());  // line 3's AC group is still out
  procedure.OnFactorsRead(3, 16);
  EXPECT_FALSE(procedure.Busy());

  host.device = false;
  CalibrationProcedure offline(store, host);
  const std::size_t posted = host.posts.size();
  offline.StartReadBack();
  EXPECT_FALSE(offline.Busy());
  EXPECT_EQ(host.posts.size(), posted);
}

}  // namespace
