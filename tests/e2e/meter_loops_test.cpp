#include <algorithm>

#include "WorkerRig.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

class MeterLoops : public WorkerRig {
 protected:
  void Start(const char* scenario) {
    sim::InstrumentOptions options = PerCommandOptions(100);
    options.scenario = scenario;
    StartConnected(options);
  }
};

TEST_F(MeterLoops, VoltMeterReadsEachLineInEachUnitAndTakesOnlyItsRequests) {
  Start("volt-meter");
  for (int unit = 0; unit <= 1; ++unit) {
    for (int line = 1; line <= 3; ++line) {
      SCOPED_TRACE("line " + std::to_string(line) + " unit " + std::to_string(unit));
      store.selectedLine = line;
      store.acUnit = unit;
      store.dcValueText.Clear();
      store.acValueText.Clear();
      notes.Clear();
      const std::size_t before = CommandCount();
      Post(WM_ORU_START_LINE_TEST);
      ASSERT_TRUE(notes.WaitForCount(WM_ORU_LINE_TEST_DATA, 2, kHangMs));
      EXPECT_TRUE(store.Run().lineTestRunning());
      Post(WM_ORU_STOP_LINE_TEST);
      ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_DTMF_DECODER, kHangMs));
      EXPECT_FALSE(store.Run().lineTestRunning());
      const std::string expected = "VM:" + std::to_string(line) + ":" + std::to_string(unit);
      const Texts sent = CommandsSince(before);
      ASSERT_GE(sent.size(), 2u);
      EXPECT_TRUE(std::all_of(sent.begin(), sent.end(), [&](const std::string& c) { return c == expected; }));
      EXPECT_TRUE(store.dcValueText.Get().starts_with("DC ")) << store.dcValueText.Get();
      EXPECT_TRUE(store.acValueText.Get().starts_with("AC ")) << store.acValueText.Get();
      EXPECT_TRUE(store.acValueText.Get().ends_with(unit == 0 ? " Vpp" : " dBm")) << store.acValueText.Get();
      EXPECT_FALSE(store.lineStatusText.Get().empty());
    }
  }
  EXPECT_EQ(store.statusText.Get(), "Measuring Line");
  store.selectedLine = 1;
  EXPECT_EQ(store.lineStatusText.Get().empty(), false);
}

TEST_F(MeterLoops, VoltMeterCarriesOutVolumeSettingsAndDropsTheRest) {
  Start("volt-meter");
  store.selectedLine = 2;
  store.acUnit = 1;
  LinkFields(store).sysCfg.item4 = 3;
  LinkFields(store).sysCfg.item3 = 5;
  Post(WM_ORU_START_LINE_TEST);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_LINE_TEST_DATA, kHangMs));
  const std::size_t before = CommandCount();
  Post(WM_ORU_SET_CONFIG, 4);       // not a volume item: dropped
  Post(WM_ORU_GET_SESSION_HEADER);  // lost while the loop runs
  Post(WM_ORU_SET_CONFIG, 8);       // carried out at once
  Post(WM_ORU_DOWNLOAD_FIRMWARE);   // a download without a file fails and is answered
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DOWNLOAD_FIRMWARE, kHangMs));
  Post(WM_ORU_STOP_LINE_TEST);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_DTMF_DECODER, kHangMs));
  const Texts sent = CommandsSince(before);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "SC:4:3"), 1);
  for (const std::string& command : sent) {
    EXPECT_TRUE(command == "VM:2:1" || command == "SC:4:3" || !command.starts_with("SC")) << command;
    EXPECT_FALSE(command.starts_with("SH")) << command;
  }
  EXPECT_EQ(store.statusText.Get(), "Measuring Line 2");
  // The worker is back in its idle loop and answers ordinary requests.
  Post(WM_ORU_GET_CONFIG);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CONFIG, kHangMs));
}

TEST_F(MeterLoops, VoltMeterOnNoLineEndsAtOnce) {
  Start("volt-meter");
  store.selectedLine = 0;
  store.ExchangeRun([](RunState& run) { run.lineTest = true; });
  const std::size_t before = CommandCount();
  Post(WM_ORU_START_LINE_TEST);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_DTMF_DECODER, kHangMs));
  EXPECT_FALSE(store.Run().lineTestRunning());
  EXPECT_EQ(notes.Count(WM_ORU_LINE_TEST_DATA), 0u);
  EXPECT_TRUE(CommandsSince(before).empty());
}

TEST_F(MeterLoops, VoltMeterWithoutReplyKeepsTextsAndStillPosts) {
  Start("volt-meter");
  store.selectedLine = 1;
  store.dcValueText.Set("old");
  // The reply after the dropped one is held back as well, so no later reading can replace the
  // texts before they are read here.
  Instrument().withFaults([](sim::FaultPlan& f) {
    f.dropNextReply();
    f.delayNextReply(sim::Micros{3600} * 1000 * 1000);
  });
  Post(WM_ORU_START_LINE_TEST);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_LINE_TEST_DATA, kHangMs));
  EXPECT_EQ(store.dcValueText.Get(), "old");
  Post(WM_ORU_STOP_LINE_TEST);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_DTMF_DECODER, kHangMs));
}

TEST_F(MeterLoops, DtmfDigitsAreAppendedAndALineChangeRestartsTheDecoder) {
  Start("dtmf-digits");
  store.selectedLine = 1;
  store.dtmfDigits.Set("12");
  const std::size_t before = CommandCount();
  Post(WM_ORU_START_DTMF_DECODER);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_START_DTMF_DECODER, kHangMs));
  EXPECT_TRUE(store.Run().dtmfRunning());
  EXPECT_EQ(store.statusText.Get(), "Decoding DTMF on Line 1");
  auto joined = [this] {
    std::string digits = store.dtmfDigits.Get();
    std::erase(digits, '\r');
    std::erase(digits, '\n');
    return digits;
  };
  ASSERT_TRUE(Eventually([&] { return joined().size() >= 9; })) << store.dtmfDigits.Get();
  EXPECT_EQ(joined().substr(0, 9), "125551234");
  EXPECT_TRUE(store.dtmfDigits.Get().starts_with("12\r\n5")) << store.dtmfDigits.Get();
  EXPECT_TRUE(notes.WaitForMessage(WM_ORU_DTMF_DATA, kHangMs));  // posted just after the digits are stored
  Post(WM_ORU_GET_SESSION_HEADER);                               // lost while the loop runs

  store.selectedLine = 2;
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_START_DTMF_DECODER, 2, kHangMs));
  // Digits heard on line 2 may be posted right after the restart: look at the restart itself.
  const std::vector<MSG> posted = notes.Messages();
  const auto restart =
      std::find_if(posted.rbegin(), posted.rend(), [](const MSG& m) { return m.message == WM_ORU_START_DTMF_DECODER; });
  ASSERT_NE(restart, posted.rend());
  EXPECT_EQ(restart->wParam, 2u);
  Post(WM_ORU_STOP_DTMF_DECODER);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_DTMF_DECODER, kHangMs));
  EXPECT_FALSE(store.Run().dtmfRunning());
  EXPECT_EQ(store.statusText.Get(), "Decoding DTMF on Line 2");

  const Texts sent = CommandsSince(before);
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent.front(), "DT:0:1");
  EXPECT_EQ(sent.back(), "DT:2");
  const auto change = std::find(sent.begin(), sent.end(), "DT:0:2");
  ASSERT_NE(change, sent.end());
  EXPECT_EQ(*(change - 1), "DT:2");
  for (const std::string& command : sent) EXPECT_TRUE(command.starts_with("DT:")) << command;
}

TEST_F(MeterLoops, DtmfThatDoesNotStartPostsTheStop) {
  Start("dtmf-digits");
  store.selectedLine = 1;
  // The reply after the dropped one is held back as well, so no later reading can replace the
  // texts before they are read here.
  Instrument().withFaults([](sim::FaultPlan& f) {
    f.dropNextReply();
    f.delayNextReply(sim::Micros{3600} * 1000 * 1000);
  });
  Post(WM_ORU_START_DTMF_DECODER);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_STOP_DTMF_DECODER, kHangMs));
  EXPECT_EQ(notes.Count(WM_ORU_START_DTMF_DECODER), 0u);
  EXPECT_FALSE(store.Run().dtmfRunning());
}

TEST_F(MeterLoops, ExitDuringTheDtmfLoopStopsTheDecoder) {
  Start("dtmf-digits");
  store.selectedLine = 3;
  Post(WM_ORU_START_DTMF_DECODER);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_START_DTMF_DECODER, kHangMs));
  ASSERT_TRUE(StopWorker());
  EXPECT_EQ(Commands(Instrument()).back(), "DT:2");
  EXPECT_FALSE(store.Run().dtmfRunning());
}

}  // namespace
}  // namespace e2e
