#include <algorithm>

#include "WorkerRig.h"
#include "link/protocol/StoredDirectory.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

class StoredData : public WorkerRig {
 protected:
  void Start() {
    sim::InstrumentOptions options = PerCommandOptions(100);
    options.prefillMemory = true;
    StartConnected(options);
  }

  // A session of `count` bytes: data i, every fourth one a modem event, times 0x100 + i.
  static sim::StoredSession Session(int count, uint8_t flags, int rate) {
    sim::StoredSession session;
    session.used = true;
    session.name = "CONNECT 2400";
    session.when = sim::DateTime{2024, 3, 5, 7, 8, 9};
    session.endText = "NO CARRIER";
    session.flags = flags;
    session.rate = rate;
    for (int i = 0; i < count; ++i) {
      sim::CapturedByte byte;
      byte.data = static_cast<uint8_t>(i);
      byte.attr = static_cast<uint8_t>((i % 2 ? sim::kAttrAnswer : 0) | (i % 4 == 3 ? sim::kAttrModemEvent : 0));
      byte.fraction = static_cast<uint16_t>(0x100 + i);
      session.bytes.push_back(byte);
    }
    return session;
  }

  void CheckDownloadedRecords(int count, UCHAR flags) {
    ASSERT_EQ(Headers(), 1);
    const CORUCaptureHeader header = Header(0);
    EXPECT_EQ(header.eventName, "CONNECT 2400");
    EXPECT_EQ(header.startDate, "03/05/24");
    EXPECT_EQ(header.startTime, "07:08:09");
    EXPECT_EQ(header.firstIndex, 0);
    EXPECT_EQ(header.byteCount, count);
    EXPECT_EQ(header.flags, flags);
    ASSERT_EQ(Records(), count);
    int events = 0;
    for (int i = 0; i < count; ++i) {
      const CCaptBuf record = Record(i);
      EXPECT_EQ(record.data, i);
      EXPECT_EQ(record.timeFraction, static_cast<ULONG>(0x100 + i));
      EXPECT_EQ(record.timeSeconds, 0u);
      if (i % 4 == 3) {
        // Modem-event bytes pair up: the first of each pair shows the marker, the second hides.
        EXPECT_EQ(record.markerShown, events % 2 == 0 ? 1 : 0) << i;
        EXPECT_EQ(record.hidden, events % 2 == 1 ? 1 : 0) << i;
        ++events;
      }
    }
    EXPECT_EQ(notes.Count(WM_ORU_GET_CAPTURE_DATA), 1u);
    EXPECT_TRUE(document.captureModified);
  }
};

TEST_F(StoredData, NineSlotDirectoryWithFullEmptyOverlongAndMissingReplies) {
  Start();
  Instrument().withFirmware([](sim::Firmware& f) { f.memory().setSession(4, sim::StoredSession()); });
  auto& fields = LinkFields(store);
  fields.sessionDirectory[3].startDate = "old";
  fields.sessionDirectory[6].startDate = "kept";
  fields.sessionDirectory[6].reserved32 = 77;
  const std::size_t before = CommandCount();
  // Slot 7's reply never comes: the entry keeps what it held, its notification still goes out.
  Post(WM_ORU_GET_SESSION_HEADER, static_cast<WPARAM>(-1));
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_GET_SESSION_HEADER, 1, kHangMs));
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_GET_SESSION_HEADER, 9, kHangMs));
  EXPECT_EQ(CommandsSince(before), (Texts{"SH:1", "SH:2", "SH:3", "SH:4", "SH:5", "SH:6", "SH:7", "SH:8", "SH:9"}));
  const auto messages = notes.Messages();
  for (WPARAM slot = 0; slot < 9; ++slot) EXPECT_EQ(messages[slot].wParam, slot);
  EXPECT_EQ(fields.sessionDirectory[0].startDate, "01/10/24");
  EXPECT_EQ(fields.sessionDirectory[0].startTime, "09:15:02");
  EXPECT_GT(fields.sessionDirectory[0].reserved32, 0);
  EXPECT_EQ(fields.sessionDirectory[3].reserved32, 0);  // emptied slot 4
  EXPECT_EQ(fields.sessionDirectory[3].startDate, "old");
  EXPECT_EQ(fields.sessionDirectory[3].flags & EVENT_SYNC, 0);
  EXPECT_EQ(fields.sessionDirectory[7].flags & EVENT_4WIRE, EVENT_4WIRE);  // four-wire session
  EXPECT_EQ(fields.sessionDirectory[1].flags & EVENT_7E1, EVENT_7E1);      // parity-7e1 session

  // Replies the instrument does not send normally: read through the parser directly.
  EXPECT_EQ(ParseSessionHeader(store, "sh:3:01/02/10:12:30:45:12345:0100:0038"), 1);
  EXPECT_EQ(fields.sessionDirectory[2].startTime, "12:30:45");
  EXPECT_EQ(fields.sessionDirectory[2].reserved32, 256);
  EXPECT_EQ(fields.sessionDirectory[2].flags, 0x38);
  EXPECT_EQ(ParseSessionHeader(store, "sh:3:01/02/10:123:30:45:X:0001:0000"), 1);
  EXPECT_EQ(fields.sessionDirectory[2].startTime, "12:30:45");  // an over-long field is cut
  EXPECT_EQ(ParseSessionHeader(store, "sh:3:01/02/10:12:30:45:X:0001:0000:9"), 0);
  EXPECT_EQ(ParseSessionHeader(store, "sh:3:01/02/10:12:30:45:X:0001"), 0);
  EXPECT_EQ(fields.sessionDirectory[2].reserved32, 1);
  EXPECT_EQ(ParseSessionHeader(store, ""), 1);
}

TEST_F(StoredData, ADirectoryReplyThatNeverComesKeepsTheEntry) {
  Start();
  auto& fields = LinkFields(store);
  fields.sessionDirectory[1].startDate = "kept";
  fields.sessionDirectory[1].reserved32 = 77;
  Instrument().withFaults([](sim::FaultPlan& f) { f.dropNextReply(); });
  Post(WM_ORU_GET_SESSION_HEADER, 2);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_SESSION_HEADER, kHangMs));
  EXPECT_EQ(notes.Messages()[0].wParam, 1u);
  EXPECT_EQ(fields.sessionDirectory[1].startDate, "kept");
  EXPECT_EQ(fields.sessionDirectory[1].reserved32, 77);
}

TEST_F(StoredData, TextDownloadThenAnImmediateDirectoryReadsItsOwnReply) {
  Start();
  Instrument().withFirmware([](sim::Firmware& f) {
    f.memory().setSession(2, Session(23, sim::kSessionSync | sim::kSession7E1, 2400));
    f.config().setValue(11, 1);  // text lines
  });
  Post(WM_ORU_GET_SESSION_HEADER, 2);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_SESSION_HEADER, kHangMs));
  notes.Clear();
  std::size_t before = CommandCount();
  Post(WM_ORU_GET_CAPTURE_DATA, 2);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CAPTURE_DATA, kHangMs));
  CheckDownloadedRecords(23, EVENT_SYNC | EVENT_7E1);
  const Texts sent = CommandsSince(before);
  EXPECT_EQ(sent.front(), "RD:2");
  // rd:0, five lines of five items, rd:2: one RD after each line taken, none after the end.
  EXPECT_EQ(sent.size(), 7u);
  EXPECT_TRUE(std::all_of(sent.begin() + 1, sent.end(), [](const std::string& c) { return c == "RD"; }));

  notes.Clear();
  Post(WM_ORU_GET_SESSION_HEADER, 2);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_SESSION_HEADER, kHangMs));
  EXPECT_EQ(LinkFields(store).sessionDirectory[1].reserved32, 23);
  EXPECT_EQ(LinkFields(store).sessionDirectory[1].endText, "NO CARRIER");
}

TEST_F(StoredData, BinaryDownloadAppendsExactRecords) {
  Start();
  Instrument().withFirmware([](sim::Firmware& f) {
    f.memory().setSession(5, Session(40, 0, 9600));
    f.config().setValue(11, 2);  // binary lines
  });
  Post(WM_ORU_GET_CAPTURE_DATA, 5);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CAPTURE_DATA, kHangMs));
  CheckDownloadedRecords(40, 0);  // the directory was never read: no flags
  // Slot 10 sends nothing and posts nothing.
  const std::size_t before = CommandCount();
  notes.Clear();
  Post(WM_ORU_GET_CAPTURE_DATA, 10);
  Post(WM_ORU_GET_CONFIG);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CONFIG, kHangMs));
  EXPECT_EQ(CommandsSince(before), (Texts{"GC:7:8:9"}));
  EXPECT_EQ(notes.Count(WM_ORU_GET_CAPTURE_DATA), 0u);
}

TEST_F(StoredData, AShortBinaryLineAppendsOnlyTheRecordsItHolds) {
  Start();
  Instrument().withFirmware([](sim::Firmware& f) {
    f.memory().setSession(1, Session(40, 0, 9600));
    f.config().setValue(11, 2);
  });
  Instrument().withFaults([](sim::FaultPlan& f) { f.breakNextBinaryLine(sim::BinaryFault::MissingRecords); });
  Post(WM_ORU_GET_CAPTURE_DATA, 1);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CAPTURE_DATA, kHangMs));
  const int records = Records();
  EXPECT_LT(records, 40);
  EXPECT_GT(records, 0);
  EXPECT_EQ(Header(0).byteCount, records);
  // No default-made record: every one holds its own byte and time.
  for (int i = 0; i < records; ++i) EXPECT_EQ(Record(i).timeFraction, 0x100u + Record(i).data) << i;
}

// Stored session 7 is a 271-second call: its seconds counter wraps four times. Text and binary
// lines give every byte the seconds it had on the line, as a live capture does.
class StoredSeconds : public StoredData, public ::testing::WithParamInterface<int> {};

TEST_P(StoredSeconds, ADownloadedLongCallKeepsItsSecondsAcrossCounterWraps) {
  Start();
  std::vector<sim::CapturedByte> bytes;
  Instrument().withFirmware([&](sim::Firmware& f) {
    f.config().setValue(11, GetParam());  // 1 text lines, 2 binary lines
    bytes = f.memory().session(7).bytes;
  });
  ASSERT_GT(bytes.back().at, 260 * sim::kMicrosPerSecond);
  Post(WM_ORU_GET_CAPTURE_DATA, 7);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CAPTURE_DATA, kHangMs));
  ASSERT_EQ(Records(), static_cast<int>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const CCaptBuf record = Record(static_cast<int>(i));
    ASSERT_EQ(record.timeSeconds, static_cast<ULONG>(bytes[i].at / sim::kMicrosPerSecond)) << i;
    ASSERT_EQ(record.timeFraction, bytes[i].fraction) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(LineForms, StoredSeconds, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return info.param == 1 ? "Text" : "Binary"; });

TEST_F(StoredData, ExitDuringALongDownloadEndsWithinTheHandshake) {
  Start();
  constexpr int kBytes = 60000;
  Instrument().withFirmware([](sim::Firmware& f) {
    f.memory().setSession(1, Session(kBytes, 0, 2400));
    f.config().setValue(11, 1);  // text lines: 5 bytes each
  });
  Post(WM_ORU_GET_CAPTURE_DATA, 1);
  ASSERT_TRUE(Eventually([&] { return Records() > 0; }));
  EXPECT_TRUE(StopWorker());
  // The download stopped at the exit request, far from its 12000 lines.
  const Texts sent = Commands(Instrument());
  const auto lines = std::count(sent.begin(), sent.end(), "RD");
  EXPECT_LT(lines, kBytes / 5 / 2);
  EXPECT_LT(Records(), kBytes / 2);
  EXPECT_EQ(context.commThreadId, 0u);
}

TEST_F(StoredData, TraceDirectoryAndRecall) {
  Start();
  const std::size_t before = CommandCount();
  Post(WM_ORU_GET_TRACE_HEADER, static_cast<WPARAM>(-1));
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_GET_TRACE_HEADER, 3, kHangMs));
  auto& fields = LinkFields(store);
  EXPECT_EQ(fields.traceDirectory[0].triggerType, 0);
  EXPECT_EQ(fields.traceDirectory[1].dtmfDigits, "1800");
  EXPECT_EQ(fields.traceDirectory[1].spanIndex, 1);
  EXPECT_EQ(fields.traceDirectory[2].voltageLevel, -50);
  EXPECT_EQ(fields.traceDirectory[2].line, 1);
  EXPECT_EQ(fields.traceDirectory[2].date, "01/14/24");

  sim::StoredTrace trace;
  trace.used = true;
  for (int i = 0; i < 1000; ++i) trace.samples.push_back(i % 7 == 0 ? -i : i);
  Instrument().withFirmware([&](sim::Firmware& f) { f.memory().setTrace(3, trace); });
  notes.Clear();
  Post(WM_ORU_RECALL_TRACE, 3);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_TRACE_RECALL_DONE, kHangMs));
  const Texts sent = CommandsSince(before);
  ASSERT_GE(sent.size(), 6u);
  EXPECT_EQ(Texts(sent.begin(), sent.begin() + 5), (Texts{"TH:1", "TH:2", "TH:3", "GC:18:19", "RT:3"}));
  // 84 lines of at most 12 samples and the end: one RT after each line taken.
  EXPECT_EQ(sent.size(), 5u + 84u);
  std::lock_guard guard(fields.dataMutex);
  ASSERT_EQ(fields.traceSamples.GetSize(), 1000);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(fields.traceSamples[i], trace.samples[static_cast<std::size_t>(i)]) << i;
  EXPECT_TRUE(document.traceModified);

  EXPECT_EQ(ParseTraceHeader(store, "th:2:01/02/10:08:15:00:123:0001:0003:-25:0002:0004:0001"), 1);
  EXPECT_EQ(fields.traceDirectory[1].ringbackCount, 3);
  EXPECT_EQ(fields.traceDirectory[1].voltageLevel, -25);
  EXPECT_EQ(ParseTraceHeader(store, "th:1:0"), 0);
  EXPECT_EQ(fields.traceDirectory[0], CORUTraceHeader());
}

}  // namespace
}  // namespace e2e
