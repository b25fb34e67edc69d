#include "WorkerRig.h"
#include "link/worker/CaptureSession.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/worker/RequestQueue.h"
#include "sim/CallRenderer.h"

namespace e2e {
namespace {

// The transport on the test's own thread, over the whole stack.
class Transport : public WorkerRig {
 protected:
  void SetUp() override {
    WorkerRig::SetUp();
    Plug(PerCommandOptions(500));
    HANDLE device = OpenInstrument();
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    context.deviceHandle = device;
    transport.notifyWindow = notes.Handle();
  }

  WorkerSignals signals{context};
  CommTransport transport{context, signals};
};

TEST_F(Transport, OneCommandOneReplyKeptAsBytesAndText) {
  ASSERT_EQ(transport.SendCommand("VN"), 1);
  ASSERT_EQ(transport.ReadReply(kReplyTimeoutMs), 1);
  EXPECT_EQ(transport.replyText, "vn:V 1.0.8");
  EXPECT_EQ(transport.replyLength, 10);
  EXPECT_EQ(transport.ReplyBytes(), "vn:V 1.0.8");
  EXPECT_EQ(Commands(Instrument()), (std::vector<std::string>{"VN"}));
}

TEST_F(Transport, ASilentInstrumentTimesOutAndTheNextReplyIsItsOwn) {
  Instrument().withFaults([](sim::FaultPlan& f) { f.dropNextReply(); });
  ASSERT_EQ(transport.SendCommand("VN"), 1);
  EXPECT_EQ(transport.ReadReply(200), 0);
  EXPECT_TRUE(transport.replyText.empty());
  EXPECT_EQ(transport.replyLength, 0);
  ASSERT_EQ(transport.SendCommand("GC:7"), 1);
  ASSERT_EQ(transport.ReadReply(kReplyTimeoutMs), 1);
  EXPECT_TRUE(transport.replyText.starts_with("gc:")) << transport.replyText;
}

TEST_F(Transport, AnExitRequestCutsAReplyWaitShort) {
  Instrument().withFaults([](sim::FaultPlan& f) { f.dropNextReply(); });
  ASSERT_EQ(transport.SendCommand("VN"), 1);
  SetEvent(context.commExitRequest);
  // With the request set the wait lasts the short grace, not the 5 s asked for.
  EXPECT_EQ(transport.ReadReply(kArmTimeoutMs), 0);
  ResetEvent(context.commExitRequest);
  ASSERT_EQ(transport.SendCommand("VN"), 1);
  EXPECT_EQ(transport.ReadReply(kReplyTimeoutMs), 1);
}

TEST_F(Transport, AStreamBlockSwitchesPipesAndBack) {
  ASSERT_EQ(transport.SendCommand("DM:1"), 1);
  ASSERT_EQ(transport.ReadReply(kReplyTimeoutMs), 1);
  ASSERT_EQ(transport.replyText, "dm");
  std::vector<UCHAR> block(CommTransport::kBlockSize, 0xEE);
  ASSERT_EQ(transport.ReadBlock(block.data()), 1);
  // 20 frames of 128 bytes: a frame counter, 16 samples numbered 0..15, 15 zero bytes.
  for (int frame = 0; frame < 20; ++frame) {
    const UCHAR* f = block.data() + 128 * frame;
    if (frame > 0) {
      EXPECT_EQ(f[0], static_cast<UCHAR>(block[128 * (frame - 1)] + 1)) << frame;
    }
    for (int s = 0; s < 16; ++s) EXPECT_EQ(f[1 + 7 * s + 4], s);
    EXPECT_EQ(f[127], 0);
  }
  // Back on the command pipes.
  ASSERT_EQ(transport.SendCommand("DM:0"), 1);
  ASSERT_EQ(transport.ReadReply(kReplyTimeoutMs), 1);
  EXPECT_EQ(transport.replyText, "dm");
}

TEST_F(Transport, FullSixtyFourByteLinesAreTakenWhole) {
  // Bytes come faster than the polls: every line carries 15 records, 64 bytes.
  const sim::Scenario scenario = Scenario(R"(
scenario e2e-full-lines
at 0.0 dc 1 -8.0
call 1.0 "CONNECT 14400"
  rate 14400
  hex +0.1 answer 00 FF 7F 80 every 0.05 count 60
  end +4.0 code 9
endcall
length 30
)");
  Instrument().loadScenario(scenario);
  RequestQueue queue(transport);
  ConfigCommands config(transport);
  CaptureSession capture(transport, queue, config, WorkerClock::System());
  capture.StartCapture();
  for (int step = 0; step < 100 && store.Run().captureBusy(); ++step) capture.PollCapture();

  const auto expected = sim::renderCall(scenario.calls[0]).bytes;
  ASSERT_EQ(Records(), static_cast<int>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(Record(static_cast<int>(i)).data, expected[i].data) << i;
    ASSERT_EQ(Record(static_cast<int>(i)).timeFraction, expected[i].fraction) << i;
  }
  int fullLines = 0;
  for (const std::string& reply : Instrument().transcript().replies())
    fullLines += reply.size() == 64 && reply.starts_with("ca#");
  EXPECT_GE(fullLines, 10);
  EXPECT_EQ(Header(0).endText, "NO CARRIER");
}

}  // namespace
}  // namespace e2e
