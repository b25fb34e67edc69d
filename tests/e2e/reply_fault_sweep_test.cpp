// Each reply of the worker's sequences in turn is dropped, sent late, garbled (its prefix, noise,
// cut in half) or, for binary lines, broken (records missing, a count of 16, the last record cut).
// Whatever the fault, the worker must end the operation and keep answering, must not take one
// command's reply as another's, and may lose data only by whole lines: the records it stored are
// the instrument's own, in the order sent, none invented. A clean initialisation afterwards
// must find everything in step again.

#include "SweepSupport.h"
#include "sim/FaultPlan.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

enum class Flow { CaptureBinary, CaptureText, DownloadBinary, DownloadText, Initialise };
enum class Fault { Drop, Late, GarblePrefix, GarbleNoise, GarbleTruncate, MissingRecords, BadCount, CutRecord };

struct FaultCase {
  Flow flow;
  int reply;  // which reply of the flow (binary faults: which binary line)
  Fault fault;
};

bool IsBinaryFault(Fault f) { return f == Fault::MissingRecords || f == Fault::BadCount || f == Fault::CutRecord; }
bool IsGarble(Fault f) { return f == Fault::GarblePrefix || f == Fault::GarbleNoise || f == Fault::GarbleTruncate; }

const char* FlowName(Flow f) {
  switch (f) {
    case Flow::CaptureBinary:
      return "CaptureBinary";
    case Flow::CaptureText:
      return "CaptureText";
    case Flow::DownloadBinary:
      return "DownloadBinary";
    case Flow::DownloadText:
      return "DownloadText";
    case Flow::Initialise:
      return "Initialise";
  }
  return "";
}

const char* FaultName(Fault f) {
  switch (f) {
    case Fault::Drop:
      return "Drop";
    case Fault::Late:
      return "Late";
    case Fault::GarblePrefix:
      return "GarblePrefix";
    case Fault::GarbleNoise:
      return "GarbleNoise";
    case Fault::GarbleTruncate:
      return "GarbleTruncate";
    case Fault::MissingRecords:
      return "MissingRecords";
    case Fault::BadCount:
      return "BadCount";
    case Fault::CutRecord:
      return "CutRecord";
  }
  return "";
}

sim::Garble GarbleOf(Fault f) {
  return f == Fault::GarblePrefix  ? sim::Garble::Prefix
         : f == Fault::GarbleNoise ? sim::Garble::Noise
                                   : sim::Garble::Truncate;
}

void Arm(sim::FaultPlan& plan, const FaultCase& c) {
  switch (c.fault) {
    case Fault::Drop:
      plan.dropNextReply();
      break;
    case Fault::Late:
      plan.sendNextReplyLate();
      break;
    case Fault::GarblePrefix:
    case Fault::GarbleNoise:
    case Fault::GarbleTruncate:
      plan.garbleNextReply(GarbleOf(c.fault));
      break;
    case Fault::MissingRecords:
      plan.breakNextBinaryLine(sim::BinaryFault::MissingRecords);
      break;
    case Fault::BadCount:
      plan.breakNextBinaryLine(sim::BinaryFault::BadCount);
      break;
    case Fault::CutRecord:
      plan.breakNextBinaryLine(sim::BinaryFault::CutRecord);
      break;
  }
  if (IsBinaryFault(c.fault)) {
    plan.skipBinaryLines(c.reply);
  } else {
    plan.skipReplies(c.reply);
  }
}

// The text a "<prefix>:" reply leaves in its field once the garble of `fault` hit it.
std::string GarbledField(const std::string& reply, Fault fault) {
  sim::FaultPlan plan;
  plan.garbleNextReply(GarbleOf(fault));
  std::string damaged = plan.apply(reply).reply;
  damaged = damaged.substr(0, damaged.find('\0'));
  return damaged.size() > 3 ? damaged.substr(3) : std::string();
}

class ReplyFaultSweep : public WorkerRig, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void SetUp() override {
    WorkerRig::SetUp();
    StartConnected(SweepOptions());
    const FaultCase c = GetParam();
    session_ = SweepSession(c.flow == Flow::DownloadText ? 2400 : 14400, 40);
    Instrument().withFirmware([&](sim::Firmware& f) { f.memory().setSession(1, session_); });
    auto& fields = LinkFields(store);
    version_ = fields.sysCfg.firmwareVersion;
    value1_ = fields.sysCfg.value1;
    value2_ = fields.sysCfg.value2;
    ASSERT_EQ(version_, "V 1.0.8");
    Instrument().withFaults([&](sim::FaultPlan& plan) { Arm(plan, c); });
  }

  // The worker takes requests again: a 2072 comes back. A capture's polling drops the requests
  // it does not take, so the probe is posted again until one is answered.
  void ExpectAnswering() {
    const std::size_t before = notes.Count(WM_ORU_DEVICE_DISCONNECTED);
    const bool answered = Eventually([&] {
      Post(WM_ORU_DEVICE_DISCONNECTED);
      return notes.WaitForCount(WM_ORU_DEVICE_DISCONNECTED, before + 1, 200);
    });
    ASSERT_TRUE(answered) << "the worker hangs after: " << Exchange();
  }

  // The last commands and replies, for a failure's message.
  std::string Exchange() {
    std::string text;
    const auto entries = Instrument().transcript().entries();
    for (std::size_t i = entries.size() > 40 ? entries.size() - 40 : 0; i < entries.size(); ++i) {
      const sim::TranscriptEntry& e = entries[i];
      if (e.kind == sim::TranscriptKind::Command) text += "\n  > " + e.bytes.substr(0, 24);
      if (e.kind == sim::TranscriptKind::Reply) text += "\n  < " + e.bytes.substr(0, 24) + " " + e.note;
      if (e.kind == sim::TranscriptKind::ReplyDropped) text += "\n  x " + e.bytes.substr(0, 24);
      if (e.kind == sim::TranscriptKind::ReplyHeld) text += "\n  ~ " + e.bytes.substr(0, 24);
    }
    return text;
  }

  void CheckEvents() {
    auto& fields = LinkFields(store);
    std::lock_guard guard(fields.dataMutex);
    const int records = fields.captureBuffer.GetSize();
    const int headers = fields.captureHeaders.GetSize();
    EXPECT_LE(headers, 1);
    for (int i = 0; i < headers; ++i) {
      const CORUCaptureHeader& h = fields.captureHeaders[i];
      const LONG end = i + 1 < headers ? fields.captureHeaders[i + 1].firstIndex : records;
      EXPECT_EQ(h.byteCount, end - h.firstIndex);
    }
  }

  sim::StoredSession session_;
  std::string version_;
  double value1_ = 0;
  double value2_ = 0;
};

TEST_P(ReplyFaultSweep, NoCrashNoHangNoMixingAndOnlyTheInstrumentsRecords) {
  const FaultCase c = GetParam();
  std::string why;
  auto& fields = LinkFields(store);
  switch (c.flow) {
    case Flow::CaptureBinary:
    case Flow::CaptureText: {
      const char* call = c.flow == Flow::CaptureBinary ? kSweepBinaryCall : kSweepTextCall;
      Instrument().loadScenario(Scenario(call));
      Post(WM_ORU_START_CAPTURE);
      ASSERT_TRUE(Eventually([&] { return notes.Count(WM_ORU_ABORT_CAPTURE) > 0; }))
          << "the capture never ended: " << Exchange();
      ASSERT_NO_FATAL_FAILURE(ExpectAnswering());
      EXPECT_EQ(notes.Count(WM_ORU_ABORT_CAPTURE), 1u);
      EXPECT_FALSE(store.Run().captureArmed());
      EXPECT_FALSE(store.Run().captureRunning());
      CheckEvents();
      EXPECT_TRUE(RecordsAreInOrderSubsequence(store, RenderedBytes(call), &why)) << why;
      if (Headers() == 1) {
        const CORUCaptureHeader header = Header(0);
        const std::string connect = c.flow == Flow::CaptureBinary ? "CONNECT 14400" : "CONNECT 2400";
        EXPECT_TRUE(header.eventName == "CONNECT ????" ||
                    (!header.eventName.empty() && connect.starts_with(header.eventName)))
            << header.eventName;
        // The closing text is TN's own answer, whole, damaged or missing; never another reply.
        std::vector<std::string> closing = {"", "NO CARRIER"};
        if (IsGarble(c.fault)) closing.push_back(GarbledField("tn:NO CARRIER", c.fault));
        EXPECT_NE(std::find(closing.begin(), closing.end(), header.endText), closing.end()) << header.endText;
      }
      break;
    }
    case Flow::DownloadBinary:
    case Flow::DownloadText:
      Post(WM_ORU_GET_CAPTURE_DATA, 1);
      ASSERT_TRUE(notes.WaitForMessage(WM_ORU_GET_CAPTURE_DATA, kHangMs));
      ASSERT_NO_FATAL_FAILURE(ExpectAnswering());
      EXPECT_EQ(notes.Count(WM_ORU_GET_CAPTURE_DATA), 1u);
      CheckEvents();
      EXPECT_TRUE(RecordsAreInOrderSubsequence(store, session_.bytes, &why)) << why;
      break;
    case Flow::Initialise: {
      Post(WM_ORU_DEVICE_CONNECTED);
      ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DEVICE_CONNECTED, kHangMs));
      ASSERT_NO_FATAL_FAILURE(ExpectAnswering());
      EXPECT_FALSE(store.Run().captureArmed());
      EXPECT_FALSE(store.Run().captureRunning());
      EXPECT_FALSE(store.Run().traceRunning());
      // The version is VN's own answer or what it was: never another command's reply.
      std::vector<std::string> versions = {version_};
      if (IsGarble(c.fault)) versions.push_back(GarbledField("vn:" + version_, c.fault));
      const std::string version = fields.sysCfg.firmwareVersion;
      EXPECT_NE(std::find(versions.begin(), versions.end(), version), versions.end()) << version;
      const bool garbledGc = IsGarble(c.fault) && c.reply == 2;  // TC:2, CA:2, GC:18:19, SC, VN
      if (!garbledGc) {
        EXPECT_EQ(fields.sysCfg.value1, value1_);
        EXPECT_EQ(fields.sysCfg.value2, value2_);
      }
      break;
    }
  }

  // A clean initialisation afterwards: no stale reply is left to be taken for another's.
  const std::size_t connected = notes.Count(WM_ORU_DEVICE_CONNECTED);
  Post(WM_ORU_DEVICE_CONNECTED);
  ASSERT_TRUE(notes.WaitForCount(WM_ORU_DEVICE_CONNECTED, connected + 1, kHangMs));
  EXPECT_EQ(fields.sysCfg.firmwareVersion, version_);
  EXPECT_EQ(fields.sysCfg.value1, value1_);
  EXPECT_EQ(fields.sysCfg.value2, value2_);
}

// Replies from the start of each flow, as fault-free runs give them: the binary capture 11 (7 of
// them binary lines), the text capture 16, the binary download 5 (3 binary), the text download
// 10 and the initialisation 5.
struct FlowSize {
  Flow flow;
  int replies;
  int binaryLines;
};
constexpr FlowSize kFlows[] = {{Flow::CaptureBinary, 11, 7},
                               {Flow::CaptureText, 16, 0},
                               {Flow::DownloadBinary, 5, 3},
                               {Flow::DownloadText, 10, 0},
                               {Flow::Initialise, 5, 0}};

std::vector<FaultCase> AllCases() {
  std::vector<FaultCase> cases;
  for (const FlowSize& f : kFlows) {
    for (Fault fault : {Fault::Drop, Fault::Late, Fault::GarblePrefix, Fault::GarbleNoise, Fault::GarbleTruncate})
      for (int k = 0; k < f.replies; ++k) cases.push_back({f.flow, k, fault});
    for (Fault fault : {Fault::MissingRecords, Fault::BadCount, Fault::CutRecord})
      for (int k = 0; k < f.binaryLines; ++k) cases.push_back({f.flow, k, fault});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyFaultSweep, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           return std::string(FlowName(info.param.flow)) + "_" + FaultName(info.param.fault) + "_" +
                                  std::to_string(info.param.reply);
                         });

}  // namespace
}  // namespace e2e
