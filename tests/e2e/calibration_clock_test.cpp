#include <cmath>

#include "WorkerRig.h"
#include "link/worker/CalibrationStep.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

class CalibrationAndClock : public WorkerRig {
 protected:
  void Start() { StartConnected(); }
  sim::CalFactors InstrumentFactors(int line) {
    return Instrument().withFirmware([line](sim::Firmware& f) { return f.calibration().factors(line); });
  }
  void SetLine(int line, double dcVolts, double acVpp) {
    Instrument().withFirmware([=](sim::Firmware& f) { f.line().setOverride(line, {dcVolts, acVpp, 1000}); });
  }
  // The wParam of every WM_ORU_SET_CLOCK_FROM_PC notification so far.
  std::vector<WPARAM> ClockResults() const {
    std::vector<WPARAM> results;
    for (const MSG& message : notes.Messages())
      if (message.message == WM_ORU_SET_CLOCK_FROM_PC) results.push_back(message.wParam);
    return results;
  }
  // Runs one step and returns its 2042's lParam.
  LPARAM Step(int line, int step) {
    notes.Clear();
    Post(WM_ORU_CALIBRATE_LINE, static_cast<WPARAM>(line), step);
    EXPECT_TRUE(notes.WaitForMessage(WM_ORU_CALIBRATION_STEP_DONE, kHangMs));
    for (const MSG& message : notes.Messages()) {
      if (message.message == WM_ORU_CALIBRATION_STEP_DONE) {
        EXPECT_EQ(message.wParam, static_cast<WPARAM>(line));
        return message.lParam;
      }
    }
    return -1;
  }
};

TEST_F(CalibrationAndClock, ClockFromThePcAndFromEnteredValues) {
  clock.localTime = [] { return SYSTEMTIME{2024, 3, 2, 5, 7, 8, 9, 0}; };
  Start();
  Post(WM_ORU_SET_CLOCK_FROM_PC);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_SET_CLOCK_FROM_PC, kHangMs));
  EXPECT_EQ(ClockResults(), (std::vector<WPARAM>{1}));
  EXPECT_EQ(Commands(Instrument()).back(), "SR:03:05:24:07:08:09");
  EXPECT_EQ(Instrument().withFirmware([](sim::Firmware& f) { return f.clock().at(0).date(); }).substr(0, 8),
            std::string("03/05/24"));

  context.enteredClock.Set(SYSTEMTIME{2031, 12, 0, 31, 23, 59, 58, 0});
  const std::size_t before = CommandCount();
  Post(WM_ORU_SET_CLOCK);
  Post(WM_ORU_GET_CONFIG);  // a marker: the clock was set before it
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CONFIG, kHangMs));
  EXPECT_EQ(CommandsSince(before), (Texts{"SR:12:31:31:23:59:58", "GC:7:8:9"}));
  EXPECT_EQ(notes.Count(WM_ORU_SET_CLOCK), 0u);
}

TEST_F(CalibrationAndClock, TheClockNotificationSaysWhetherTheInstrumentAnswered) {
  Start();
  Instrument().withFaults([](sim::FaultPlan& f) { f.dropNextReply(); });
  Post(WM_ORU_SET_CLOCK_FROM_PC);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_SET_CLOCK_FROM_PC, kHangMs));
  EXPECT_TRUE(Commands(Instrument()).back().starts_with("SR:"));

  // A garbled answer is no "sr" either; then the instrument answers again.
  Instrument().withFaults([](sim::FaultPlan& f) { f.garbleNextReply(sim::Garble::Prefix); });
  Post(WM_ORU_SET_CLOCK_FROM_PC);
  Post(WM_ORU_SET_CLOCK_FROM_PC);
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_SET_CLOCK_FROM_PC, 3, kHangMs));
  EXPECT_EQ(ClockResults(), (std::vector<WPARAM>{0, 0, 1}));
}

TEST_F(CalibrationAndClock, TriggerTextAndFactorCommands) {
  Start();
  auto& fields = LinkFields(store);
  {
    std::lock_guard guard(fields.dataMutex);
    fields.sysCfg.triggerText = "CONNECT 9600";
  }
  fields.calFactor2.dcOffset = -5;
  fields.calFactor2.dcGain = 1000;
  fields.calFactor2.acOffset = 3;
  fields.calFactor2.acGain = 1100;
  const std::size_t before = CommandCount();
  Post(WM_ORU_SET_TRIGGER_STRING);
  Post(WM_ORU_SET_CAL_FACTORS, 2, 7);
  Post(WM_ORU_SET_CAL_FACTORS, 2, 16);
  Post(WM_ORU_STORE_CAL_FACTORS);
  Post(WM_ORU_GET_CAL_FACTORS, 2, 24);
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_GET_CAL_FACTORS, 2, kHangMs));
  EXPECT_EQ(CommandsSince(before), (Texts{"ST:CONNECT 9600", "LC:2:0:-5:1000", "LC:2:1:3:1100", "LC:0", "RC:2:1"}));
  EXPECT_EQ(InstrumentFactors(2).dcGain, 1000);
  EXPECT_EQ(InstrumentFactors(2).acOffset, 3);
  EXPECT_EQ(fields.calFactor2.acGain, 1100);
  EXPECT_DOUBLE_EQ(fields.calFactor2.acExtra, 0.01);
  for (const MSG& message : notes.Messages()) {
    EXPECT_EQ(message.wParam, 2u);
    EXPECT_EQ(message.lParam, 24);
  }
}

TEST_F(CalibrationAndClock, DcStepsComputeTheFactorsFromTheStream) {
  Start();
  Instrument().withFirmware([](sim::Firmware& f) { f.calibration().setErrors(3, {1.25, 8, 1.0, 0}); });
  auto& fields = LinkFields(store);
  fields.calFactor3.dcGain = 900;  // stale: step 1 starts the group from neutral factors
  fields.calFactor3.dcOffset = 4;

  SetLine(3, 0.0, 0.0);
  std::size_t before = CommandCount();
  EXPECT_EQ(Step(3, 1), 1);
  const Texts first = CommandsSince(before);
  ASSERT_GE(first.size(), 6u);
  EXPECT_EQ(Texts(first.begin(), first.begin() + 4), (Texts{"LC:3:0:0:1024", "RC:3:0", "DM:3", "DM:0"}));
  EXPECT_EQ(Texts(first.end() - 2, first.end()), (Texts{"LC:3:0:0:1024", "RC:3:0"}));
  EXPECT_EQ(fields.calFactor3.dcReading1, 520);  // 512 + 8 counts of offset error
  EXPECT_DOUBLE_EQ(fields.calFactor3.dcExtra, 0.125);

  SetLine(3, 20.0, 0.0);
  EXPECT_EQ(Step(3, 2), 2);
  // 20 V is 160 counts, read 200 by the converter: 20480 / (200 * 0.125).
  EXPECT_EQ(fields.calFactor3.dcGain, 819);
  EXPECT_EQ(InstrumentFactors(3).dcGain, 819);

  SetLine(3, 0.0, 0.0);
  EXPECT_EQ(Step(3, 4), 4);
  // The instrument now corrects the gain; what is left is the offset.
  EXPECT_EQ(InstrumentFactors(3).dcOffset, fields.calFactor3.dcOffset);
  EXPECT_LE(std::abs(fields.calFactor3.dcOffset + 6), 1);
}

TEST_F(CalibrationAndClock, AcStepsComputeTheFactorsFromTheMeter) {
  Start();
  Instrument().withFirmware([](sim::Firmware& f) { f.calibration().setErrors(3, {1.0, 0, 1.0, 5}); });
  SetLine(3, 0.0, 2.0);
  const std::size_t before = CommandCount();
  EXPECT_EQ(Step(3, 8), 8);
  const Texts sent = CommandsSince(before);
  auto& fields = LinkFields(store);
  EXPECT_EQ(sent, (Texts{"LC:3:1:0:1024", "RC:3:1", "VM:3:2", "LC:3:1:0:" + std::to_string(fields.calFactor3.acGain),
                         "RC:3:1"}));
  // 2 V peak to peak is about 200 counts: 2252.8 / (200 * 0.01) = 1126.
  EXPECT_NEAR(fields.calFactor3.acGain, 1126, 12);
  EXPECT_EQ(InstrumentFactors(3).acGain, fields.calFactor3.acGain);

  EXPECT_EQ(Step(3, 16), 16);
  EXPECT_EQ(InstrumentFactors(3).acOffset, fields.calFactor3.acOffset);
  EXPECT_LE(std::abs(fields.calFactor3.acOffset + 5), 1);
}

TEST_F(CalibrationAndClock, FailedStepsStoreNothing) {
  Start();
  SetLine(3, 0.0, 0.0);
  // A reading equal to the first: the gain's divisor is zero.
  EXPECT_EQ(Step(3, 1), 1);
  auto& fields = LinkFields(store);
  const CCalFactor kept = fields.calFactor3;
  std::size_t before = CommandCount();
  EXPECT_EQ(Step(3, 2), 2 | CALIBRATION_STEP_FAILED);
  for (const std::string& command : CommandsSince(before)) EXPECT_FALSE(command.starts_with("LC")) << command;
  EXPECT_EQ(fields.calFactor3.dcGain, kept.dcGain);

  // No answer to the read-back: nothing is measured or sent.
  before = CommandCount();
  fields.calFactor3.acOffset = 77;
  Instrument().withFaults([](sim::FaultPlan& f) { f.dropNextReply(); });
  EXPECT_EQ(Step(3, 16), 16 | CALIBRATION_STEP_FAILED);
  EXPECT_EQ(CommandsSince(before), (Texts{"RC:3:1"}));
  EXPECT_EQ(fields.calFactor3.acOffset, 77);

  // A line that does not exist measures nothing and still answers.
  EXPECT_EQ(Step(4, 1), 1 | CALIBRATION_STEP_FAILED);
}

}  // namespace
}  // namespace e2e
