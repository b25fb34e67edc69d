#include <cmath>

#include "WorkerRig.h"
#include "display/model/ReadoutRows.h"
#include "link/files/CsvExport.h"
#include "link/protocol/CaptureDecoder.h"
#include "link/store/ByteWriter.h"
#include "link/store/LinkAccess.h"
#include "sim/CallRenderer.h"
#include "sim/ScenarioLibrary.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

class Capture : public WorkerRig {
 protected:
  // An instrument whose clock moves `stepMs` per command, the frame, the worker and its window.
  void Ready(int stepMs) {
    port_ = Plug(PerCommandOptions(stepMs));
    StartFrame();
    StartWorker();
    ConnectNotifications();
    notes.Clear();
  }
  // Loads the scenario and starts the capture; returns the bytes the call's first call carries.
  std::vector<sim::CapturedByte> Start(const std::string& scenarioText, int call = 0) {
    const sim::Scenario scenario = Scenario(scenarioText);
    Instrument().loadScenario(scenario);
    Post(WM_ORU_START_CAPTURE);
    return sim::renderCall(scenario.calls.at(static_cast<std::size_t>(call))).bytes;
  }
  void ExpectRecords(const std::vector<sim::CapturedByte>& expected, int first = 0) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const CCaptBuf record = Record(first + static_cast<int>(i));
      ASSERT_EQ(record.data, expected[i].data) << i;
      ASSERT_EQ(record.flags, expected[i].attr) << i;
      ASSERT_EQ(record.timeFraction, expected[i].fraction) << i;
    }
  }
  // Index of the last occurrence of `command`, or -1.
  static int LastIndexOf(const Texts& commands, const std::string& command) {
    for (int i = static_cast<int>(commands.size()) - 1; i >= 0; --i)
      if (commands[static_cast<std::size_t>(i)] == command) return i;
    return -1;
  }

  int port_ = 0;
};

const char* kTextCall = R"(
scenario e2e-text
at 0.0 dc 1 -8.0
call 1.0 "CONNECT 2400"
  rate 2400
  text +0.1 answer "HELLO\r\n"
  text +0.4 originate "ok\r"
  event +0.6 answer 1 2 3 4
  text +0.7 answer "BYE"
  end +1.2 code 9 text "NO CARRIER"
endcall
length 30
)";

TEST_F(Capture, ATextModeCallInSingleSessionMode) {
  Ready(100);
  const auto expected = Start(kTextCall);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));

  ASSERT_EQ(Headers(), 1);
  const CORUCaptureHeader header = Header(0);
  EXPECT_EQ(header.eventName, "CONNECT 2400");
  EXPECT_EQ(header.endText, "NO CARRIER");
  EXPECT_EQ(header.firstIndex, 0);
  EXPECT_EQ(header.byteCount, static_cast<LONG>(expected.size()));
  EXPECT_EQ(header.startDate.size(), 8u);
  EXPECT_EQ(header.startTime.size(), 8u);
  ASSERT_EQ(Records(), static_cast<int>(expected.size()));
  ExpectRecords(expected);
  for (int i = 0; i < Records(); ++i)
    EXPECT_EQ(Record(i).timeSeconds,
              static_cast<ULONG>(expected[static_cast<std::size_t>(i)].at / sim::kMicrosPerSecond));
  // The event's two bytes pair up.
  int markers = 0, hidden = 0;
  for (int i = 0; i < Records(); ++i) {
    markers += Record(i).markerShown;
    hidden += Record(i).hidden;
  }
  EXPECT_EQ(markers, 1);
  EXPECT_EQ(hidden, 1);

  EXPECT_EQ(store.endOfCaptureCode, 9);
  EXPECT_STREQ(CaptureEndText(store.endOfCaptureCode), "Capture session complete.");
  EXPECT_FALSE(store.Run().captureArmed());
  EXPECT_FALSE(store.Run().captureRunning());
  EXPECT_TRUE(document.captureModified);

  // 2033 for the new event and the data lines, 2033 and 2038 last.
  const std::vector<UINT> ids = notes.Ids();
  ASSERT_GE(ids.size(), 3u);
  EXPECT_EQ(ids.front(), WM_ORU_START_CAPTURE);
  EXPECT_EQ(ids[ids.size() - 2], WM_ORU_START_CAPTURE);
  EXPECT_EQ(ids.back(), WM_ORU_ABORT_CAPTURE);
  EXPECT_EQ(notes.Count(WM_ORU_ABORT_CAPTURE), 1u);
  for (UINT id : ids) EXPECT_TRUE(id == WM_ORU_START_CAPTURE || id == WM_ORU_ABORT_CAPTURE) << id;

  const Texts commands = Commands(Instrument());
  EXPECT_EQ(commands.back(), "TN");
  EXPECT_EQ(commands[commands.size() - 2], "CA:1");
  EXPECT_EQ(LastIndexOf(commands, "CA:2"), 1);  // only the one of the initialisation
}

// A V.32bis call sends binary lines: zero bytes, modem events, a counter wrap inside a line and
// one across lines (the data pauses over the second wrap).
const char* kBinaryCall = R"(
scenario e2e-binary
at 0.0 dc 1 -8.0
call 7.0 "CONNECT 14400"
  rate 14400
  hex +0.2 answer 00 every 0.5 count 250
  event +10.1 originate 2 3 4 5
  hex +30.3 originate 00 00 41
  text +130.0 answer "AB"
  end +131.0 code 9 text "NO CARRIER"
endcall
length 300
)";

TEST_F(Capture, ABinaryCallKeepsZeroBytesEventsAndRisingTimes) {
  Ready(5000);
  const auto expected = Start(kBinaryCall);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));

  ASSERT_EQ(Records(), static_cast<int>(expected.size()));
  ExpectRecords(expected);
  // The PC clock barely moves in this test, so every time is the call's whole second.
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(Record(static_cast<int>(i)).timeSeconds, static_cast<ULONG>(expected[i].at / sim::kMicrosPerSecond)) << i;
  }
  int markers = 0, hidden = 0, zeros = 0;
  for (int i = 0; i < Records(); ++i) {
    const CCaptBuf r = Record(i);
    markers += r.markerShown;
    hidden += r.hidden;
    zeros += r.data == 0 && !r.IsModemEvent();
    if (r.markerShown) {
      EXPECT_EQ(Record(i + 1).hidden, 1);
    }
  }
  EXPECT_EQ(markers, 1);
  EXPECT_EQ(hidden, 1);
  EXPECT_EQ(zeros, 252);

  // Where the lines broke: the counter wrapped inside one line and across two.
  std::vector<std::size_t> lineStarts;
  std::size_t at = 0;
  for (const std::string& reply : Instrument().transcript().replies()) {
    if (!reply.starts_with("ca#") || reply.size() < 4) continue;
    lineStarts.push_back(at);
    at += static_cast<UCHAR>(reply[3]);
  }
  ASSERT_EQ(at, expected.size());
  int insideWraps = 0, acrossWraps = 0;
  for (std::size_t i = 1; i < expected.size(); ++i) {
    if ((expected[i].attr & 0x3F) >= (expected[i - 1].attr & 0x3F)) continue;
    const bool across = std::find(lineStarts.begin(), lineStarts.end(), i) != lineStarts.end();
    (across ? acrossWraps : insideWraps) += 1;
  }
  EXPECT_GE(insideWraps, 1);
  EXPECT_GE(acrossWraps, 1);

  // The new event, every hundredth record, and the end.
  EXPECT_EQ(notes.Count(WM_ORU_START_CAPTURE), 1u + expected.size() / 100 + 1u);
  EXPECT_EQ(notes.Count(WM_ORU_ABORT_CAPTURE), 1u);
  EXPECT_EQ(Header(0).byteCount, static_cast<LONG>(expected.size()));
  EXPECT_EQ(Header(0).endText, "NO CARRIER");
}

// ---- times of text-line calls (1200 and 2400 bit/s answer CA:1 in text) ------------------------

// A byte's time as the instrument stamped it: whole seconds and ten-thousandths since the call began.
double LineTime(const sim::CapturedByte& byte) {
  return static_cast<double>(byte.at / sim::kMicrosPerSecond) + static_cast<double>(byte.fraction) * 0.0001;
}

// The Time column of every byte row of the CSV export.
std::vector<double> CsvTimes(CORUData& store) {
  std::vector<UCHAR> bytes;
  MemorySink sink(bytes);
  ByteWriter out(sink);
  EXPECT_TRUE(ExportCsv(store, out));
  std::vector<double> times;
  const std::string text(bytes.begin(), bytes.end());
  std::size_t at = text.find('\n') + 1;  // past the column names
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string row = text.substr(at, end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    if (row.starts_with("EVENT #")) continue;
    times.push_back(std::stod(row.substr(row.rfind(',') + 1)));
  }
  return times;
}

class TextCallTimes : public Capture, public ::testing::WithParamInterface<const char*> {};

TEST_P(TextCallTimes, CsvTimesRiseWithTheCallAndTheReadoutDeltaIsLineTime) {
  Ready(500);  // half a second of the line per poll: the call comes soon, its bytes in full lines
  const auto scenario = sim::builtinScenario(GetParam());
  ASSERT_TRUE(scenario);
  Instrument().loadScenario(*scenario);
  Post(WM_ORU_START_CAPTURE);
  const auto expected = sim::renderCall(scenario->calls.at(0)).bytes;
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));
  ASSERT_EQ(Records(), static_cast<int>(expected.size()));
  ASSERT_GT(expected.back().at - expected.front().at, 3 * sim::kMicrosPerSecond);
  for (const std::string& reply : Instrument().transcript().replies()) ASSERT_FALSE(reply.starts_with("ca#"));

  // Every row's time is its byte's time on the line: it never goes back and spans the call.
  const std::vector<double> times = CsvTimes(store);
  ASSERT_EQ(times.size(), expected.size());
  for (std::size_t i = 0; i < times.size(); ++i) {
    ASSERT_NEAR(times[i], LineTime(expected[i]), 1e-6) << i;
    if (i > 0) {
      ASSERT_GE(times[i], times[i - 1]) << i;
    }
  }

  // The read-out's time between a marker and a cursor 60 bytes on is the line time between them.
  const int marker = 3;
  const int cursor = marker + 60;
  ASSERT_LT(cursor, Records());
  LinkFields(store).currentRecordIndex = marker;
  LinkFields(store).cursorRecordIndex = cursor;
  const ReadoutRows rows = BuildCaptureReadout(store, ReadoutOptionsFrom(store), CaptureColors{}, nullptr);
  EXPECT_EQ(rows[8].text, "Bytes FROM marker:");
  EXPECT_EQ(rows[9].text, "60");
  EXPECT_EQ(rows[10].text, "Time FROM marker:");
  const double delta = LineTime(expected[cursor]) - LineTime(expected[marker]);
  EXPECT_GT(delta, 0.1);
  EXPECT_EQ(rows[11].text, SecondsText(delta) + (delta < 10 ? " Seconds " : " Seconds"));
}

INSTANTIATE_TEST_SUITE_P(Scenarios, TextCallTimes, ::testing::Values("v22bis-async", "parity-7e1"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return info.param[0] == 'v' ? "Async2400" : "SevenE1At1200";
                         });

const char* kTwoCalls = R"(
scenario e2e-two-calls
at 0.0 dc 1 -8.0
call 1.0 "CONNECT 2400"
  rate 2400
  text +0.1 answer "FIRST\r\n"
  end +0.5 code 9 text "NO CARRIER"
endcall
call 4.0 "CONNECT 1200"
  rate 1200
  text +0.1 answer "SECOND\r\n"
  end +0.5 code 9 text "HANGUP"
endcall
length 100
)";

TEST_F(Capture, TwoCallsInMultipleSessionModeThenTheUserAborts) {
  Ready(250);
  LinkFields(store).sysCfg.sessionMode = 1;
  const auto first = Start(kTwoCalls, 0);
  const auto second = sim::renderCall(Scenario(kTwoCalls).calls[1]).bytes;
  // Both calls over, armed for a third.
  ASSERT_TRUE(Eventually([&] {
    const Texts commands = Commands(Instrument());
    return std::count(commands.begin(), commands.end(), "CA:0") == 3 && store.Run().captureArmed();
  }));
  EXPECT_EQ(notes.Count(WM_ORU_ABORT_CAPTURE), 0u);
  ASSERT_EQ(Headers(), 2);
  EXPECT_EQ(Header(0).eventName, "CONNECT 2400");
  EXPECT_EQ(Header(0).endText, "NO CARRIER");
  EXPECT_EQ(Header(1).eventName, "CONNECT 1200");
  EXPECT_EQ(Header(1).endText, "HANGUP");
  EXPECT_EQ(Header(1).firstIndex, static_cast<LONG>(first.size()));
  ASSERT_EQ(Records(), static_cast<int>(first.size() + second.size()));
  ExpectRecords(first);
  ExpectRecords(second, static_cast<int>(first.size()));

  Post(WM_ORU_ABORT_CAPTURE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));
  ASSERT_TRUE(Eventually([&] { return !store.Run().captureArmed() && !store.Run().captureRunning(); }));
  // Let the worker run on a little: no re-arm follows the abort.
  Post(WM_ORU_DEVICE_DISCONNECTED);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DEVICE_DISCONNECTED, kHangMs));
  EXPECT_EQ(notes.Count(WM_ORU_ABORT_CAPTURE), 1u);
  EXPECT_STREQ(CaptureEndText(store.endOfCaptureCode), "Capture aborted.");
  const Texts commands = Commands(Instrument());
  EXPECT_GT(LastIndexOf(commands, "CA:2"), LastIndexOf(commands, "CA:0"));
  EXPECT_EQ(commands.back(), "CA:2");
  EXPECT_EQ(Headers(), 2);
}

const char* kLongCall = R"(
scenario e2e-long
at 0.0 dc 1 -8.0
call 0.5 "CONNECT 14400"
  rate 14400
  hex +0.1 answer 55 every 0.02 count 5000
  end +101.0 code 9 text "NO CARRIER"
endcall
length 200
)";

TEST_F(Capture, RequestsThePollingLoopDoesNotTakeAreLost) {
  Ready(100);
  Start(kLongCall);
  ASSERT_TRUE(Eventually([&] { return Records() > 100; }));
  const std::size_t daBefore = 0;
  Post(WM_ORU_DEVICE_DISCONNECTED);  // dropped
  Post(WM_ORU_DOWNLOAD_FIRMWARE);    // dropped, but answered
  LinkFields(store).sysCfg.modem3Volume = 77;
  Post(WM_ORU_SET_CONFIG, 0x20);  // carried out inside the loop
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DOWNLOAD_FIRMWARE, kHangMs));
  ASSERT_TRUE(Eventually(
      [&] { return Instrument().withFirmware([](sim::Firmware& f) { return f.config().value(6); }) == 77; }));
  EXPECT_TRUE(store.Run().captureRunning());

  Post(WM_ORU_ABORT_CAPTURE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));
  Post(WM_ORU_DEVICE_DISCONNECTED);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DEVICE_DISCONNECTED, kHangMs));
  // The first 2072 had no effect even after the loop ended.
  EXPECT_EQ(notes.Count(WM_ORU_DEVICE_DISCONNECTED), 1u);
  const Texts commands = Commands(Instrument());
  EXPECT_EQ(std::count_if(commands.begin(), commands.end(), [](const std::string& c) { return c.starts_with("DA"); }),
            static_cast<std::ptrdiff_t>(daBefore));
  EXPECT_EQ(notes.Count(WM_ORU_SET_CONFIG), 0u);  // the loop applies settings without the echo
}

TEST_F(Capture, UnplugDuringACaptureEndsItOnceAndReplugWorks) {
  Ready(100);
  Start(kLongCall);
  ASSERT_TRUE(Eventually([&] { return Records() > 50; }));
  Unplug(port_);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));
  ASSERT_TRUE(Eventually([&] { return frame_->removals() >= 1; }));
  EXPECT_EQ(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(store.Run().captureRunning());
  // Still answering.
  Post(WM_ORU_DEVICE_DISCONNECTED);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DEVICE_DISCONNECTED, kHangMs));
  EXPECT_EQ(notes.Count(WM_ORU_ABORT_CAPTURE), 1u);

  notes.Clear();
  Plug(PerCommandOptions(100));
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DEVICE_CONNECTED, kHangMs));
  EXPECT_NE(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Commands(Instrument()), (Texts{"TC:2", "CA:2", "GC:18:19", "SC:4:0:5:0:6:0", "VN"}));
  // And a capture runs again on the new instrument.
  notes.Clear();
  Start(kTextCall);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));
  EXPECT_EQ(Header(Headers() - 1).endText, "NO CARRIER");
}

TEST_F(Capture, ExitDuringACaptureAbortsItAndEndsInTime) {
  Ready(100);
  Start(kLongCall);
  ASSERT_TRUE(Eventually([&] { return Records() > 50; }));
  EXPECT_TRUE(StopWorker());
  EXPECT_EQ(context.commThreadId, 0u);
  EXPECT_EQ(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  const Texts commands = Commands(Instrument());
  EXPECT_EQ(commands.back(), "CA:2");
}

}  // namespace
}  // namespace e2e
