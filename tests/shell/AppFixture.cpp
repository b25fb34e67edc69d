#include "tests/shell/AppFixture.h"

#include <QFile>

#include <mutex>

#include "sim/ScenarioParser.h"
#include "link/store/LinkAccess.h"

namespace apptest {

void FillCapture(CORUData& store, int records, int seed) {
  auto& fields = LinkFields(store);
  std::lock_guard lock(fields.dataMutex);
  CORUCaptureHeader header;
  header.eventName = "CONNECT 2400";
  header.startDate = "03/05/24";
  header.startTime = "07:08:09";
  header.firstIndex = fields.captureBuffer.GetSize();
  header.byteCount = records;
  fields.captureHeaders.Add(header);
  for (int i = 0; i < records; ++i) {
    const auto data = static_cast<UCHAR>(seed + i * 7);
    const auto flags = static_cast<UCHAR>(i % 2 ? CAPT_ANSWER : 0);
    fields.captureBuffer.Add(CCaptBuf(data, flags, static_cast<ULONG>(100 * i + seed), static_cast<ULONG>(30 + i)));
  }
}

void FillTrace(CORUData& store, int samples, int base) {
  auto& fields = LinkFields(store);
  std::lock_guard lock(fields.dataMutex);
  fields.traceSamples.RemoveAll();
  for (int i = 0; i < samples; ++i) fields.traceSamples.Add(base + (i * 37) % 200 - 100);
}

std::vector<RecordFields> CaptureFields(CORUData& store) {
  auto& fields = LinkFields(store);
  std::lock_guard lock(fields.dataMutex);
  std::vector<RecordFields> out;
  for (int i = 0; i < fields.captureBuffer.GetSize(); ++i) {
    const CCaptBuf& r = fields.captureBuffer[i];
    out.push_back({r.data, r.flags, r.timeFraction, r.timeSeconds});
  }
  return out;
}

std::vector<int> TraceSamples(CORUData& store) {
  auto& fields = LinkFields(store);
  std::lock_guard lock(fields.dataMutex);
  std::vector<int> out;
  for (int i = 0; i < fields.traceSamples.GetSize(); ++i) out.push_back(fields.traceSamples[i]);
  return out;
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void AppFixture::SetUp() {
  ASSERT_TRUE(Ready());
  OnFailure([](const std::string& message) { ADD_FAILURE() << message; });
  localClock = [] { return CivilTime{2026, 12, 9, 10, 11, 12}; };
}

void AppFixture::TearDown() {
  Exit();
  answers.CheckAllUsed();
  const std::vector<nt::VerifierRecord> records = ShutDown();
  EXPECT_TRUE(records.empty()) << machine().verifier().report();
}

void PlayShortCall(sim::Instrument& instrument) {
  const sim::ParsedScenario call = sim::parseScenario(R"(
scenario short-call
at 0.0 dc 1 -8.0
call 0.5 "CONNECT 2400"
  text +0.1 answer "HELLO" every 0.3 count 3
  end +1.2 code 9 text "NO CARRIER"
endcall
length 60
)");
  ASSERT_TRUE(call.ok()) << call.error;
  instrument.loadScenario(call.scenario);
}

}  // namespace apptest
