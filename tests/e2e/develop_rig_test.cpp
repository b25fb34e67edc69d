#include <string>
#include <vector>

#include "WorkerRig.h"
#include "link/worker/CalibrationStep.h"
#include "link/store/LinkAccess.h"
#include "maintenance/calibration/DevelopActions.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

struct RecordedOutput final : DevelopOutput {
  void ListLine(const std::string& text) override { lines.insert(lines.begin(), text); }
  void BytesWritten(DWORD count) override { written.push_back(count); }
  void BytesRead(DWORD count) override { read.push_back(count); }
  Texts lines;  // top first, as the list shows them
  std::vector<DWORD> written;
  std::vector<DWORD> read;
};

class DevelopRig : public WorkerRig {
 protected:
  LPARAM Step(int line, int step) {
    notes.Clear();
    Post(WM_ORU_CALIBRATE_LINE, static_cast<WPARAM>(line), step);
    EXPECT_TRUE(notes.WaitForMessage(WM_ORU_CALIBRATION_STEP_DONE, kHangMs));
    for (const MSG& message : notes.Messages())
      if (message.message == WM_ORU_CALIBRATION_STEP_DONE) return message.lParam;
    return -1;
  }
  void SetLine(int line, double dcVolts) {
    Instrument().withFirmware([=](sim::Firmware& f) { f.line().setOverride(line, {dcVolts, 0.0, 1000}); });
  }
};

// A block that comes back short leaves zeros, not the previous step's samples, in its unread
// frames: its mean is that of the frames read, padded.
TEST_F(DevelopRig, AShortCalibrationBlockIsPaddedWithZeros) {
  StartConnected();
  SetLine(1, 5.0);
  ASSERT_EQ(Step(1, 1), 1);
  const LONG full = LinkFields(store).calFactor1.dcReading1;
  ASSERT_GT(full, 512);  // 5 V above the zero count

  // Ten frames arrive, then the stream goes quiet for the rest of the read.
  Instrument().withFaults([](sim::FaultPlan& f) { f.blankIsoPackets(10, 10); });
  ASSERT_EQ(Step(1, 1), 1);
  // Frames 1..9 of the constant signal (144 samples) over all 304 samples.
  EXPECT_EQ(LinkFields(store).calFactor1.dcReading1, full * 144 / 304);
}

class DevelopDevice : public WorkerRig {
 protected:
  void SetUp() override {
    WorkerRig::SetUp();
    StartConnected();
  }
  RecordedOutput output;
  DevelopDeviceIo io{context};
  DevelopActions actions{io, output};
};

TEST_F(DevelopDevice, SendAndReceiveOnTheCommandPipes) {
  const std::size_t before = CommandCount();
  ASSERT_TRUE(actions.Send("VN", false));
  EXPECT_EQ(output.written, (std::vector<DWORD>{2}));
  ASSERT_TRUE(Eventually([&] { return CommandCount() > before; }));
  EXPECT_EQ(CommandsSince(before), (Texts{"VN"}));
  actions.Receive();
  ASSERT_EQ(output.lines.size(), 1u);
  EXPECT_TRUE(output.lines[0].starts_with("vn")) << output.lines[0];
  EXPECT_EQ(output.read.back(), output.lines[0].size());

  // Nothing pending: the read ends at its bound with nothing listed, and the worker's next
  // command still gets its own reply.
  actions.Receive();
  EXPECT_EQ(output.read.back(), 0u);
  EXPECT_EQ(output.lines.size(), 1u);
  notes.Clear();
  Post(WM_ORU_GET_CONFIG);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CONFIG, kHangMs));
}

TEST_F(DevelopDevice, ThousandSendsAreThousandCommands) {
  const std::size_t before = CommandCount();
  ASSERT_TRUE(actions.Send("VN", true));
  EXPECT_EQ(output.written.size(), static_cast<std::size_t>(kDevelopRepeatCount));
  ASSERT_TRUE(Eventually([&] { return CommandCount() >= before + kDevelopRepeatCount; }));
  EXPECT_EQ(CommandsSince(before), Texts(kDevelopRepeatCount, "VN"));
}

TEST_F(DevelopDevice, WritesStopAtTheFirstFailure) {
  HANDLE device = context.deviceHandle.exchange(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(actions.Send("VN", true));
  EXPECT_EQ(output.written, (std::vector<DWORD>{0}));
  context.deviceHandle = device;
}

TEST_F(DevelopDevice, MeterDumpOfLineOneListsTheInstrumentsFrames) {
  const std::size_t before = CommandCount();
  actions.DigitalMeter(1);
  EXPECT_EQ(CommandsSince(before), (Texts{"DM:1", "DM:0"}));
  // Bottom to top: the wait, the count, ten frames of 16 lines.
  ASSERT_EQ(output.lines.size(), 2u + 160u);
  EXPECT_TRUE(output.lines.back().starts_with("read wait: "));
  EXPECT_EQ(output.lines[output.lines.size() - 2], "Read 1280 bytes successfully:\n");
  for (int f = 0; f < 10; ++f) {
    const std::string& count = output.lines[output.lines.size() - 3 - static_cast<std::size_t>(f) * 16];
    EXPECT_EQ(count, "Frame Count: " + std::to_string(f) + "\n");
  }
  EXPECT_EQ(output.read, (std::vector<DWORD>{1280}));
  // The "dm" answers were taken: the worker's next command reads its own reply.
  notes.Clear();
  Post(WM_ORU_GET_CONFIG);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CONFIG, kHangMs));
}

TEST_F(DevelopDevice, MeterDumpOfLineTwoReadsAtMostTwentyMoreTimes) {
  const std::size_t before = CommandCount();
  actions.DigitalMeter(2);
  EXPECT_EQ(CommandsSince(before), (Texts{"DM:2", "DM:0"}));
  int reads = 0;
  for (const std::string& line : output.lines) reads += line.starts_with("read wait: ");
  EXPECT_EQ(reads, 1 + DevelopActions::kMoreFrameReads);  // the instrument never stops streaming
  EXPECT_EQ(output.read.size(), static_cast<std::size_t>(reads));
  notes.Clear();
  Post(WM_ORU_GET_CONFIG);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CONFIG, kHangMs));
}

}  // namespace
}  // namespace e2e
