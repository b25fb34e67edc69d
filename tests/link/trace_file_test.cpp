#include <gtest/gtest.h>

#include "StoreBytes.h"
#include "link/store/LinkAccess.h"

namespace {

void Put32(std::vector<UCHAR>& bytes, ULONG value) {
  for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<UCHAR>(value >> (8 * k)));
}

void FillTrace(CORUData& store, int samples) {
  auto& fields = LinkFields(store);
  fields.currentTrace.scaleIndex = 2;
  fields.currentTrace.spanIndex = 4;
  fields.currentTrace.voltageLevel = -35;
  fields.sysCfg.value1 = 0.0125;
  fields.sysCfg.value2 = -3.75;
  fields.traceCursor1 = 120;
  fields.traceCursor2 = 80;
  fields.traceMarker1 = 63;
  for (int i = 0; i < samples; ++i) fields.traceSamples.Add(i * 3 - 500);
}

FileSettings TraceSettings() {
  FileSettings settings;
  settings.traceLine = 2;
  settings.traceTrigger = 3;
  return settings;
}

}  // namespace

TEST(TraceFile, WritesTheSixSettingsTheTwoValuesAndThePlainBody) {
  CORUData store;
  FillTrace(store, 2);
  std::vector<UCHAR> expected;
  for (ULONG v : {2u, 4u, static_cast<ULONG>(-35), 2u, 3u, 2u}) Put32(expected, v);
  for (UCHAR b : {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0x89, 0x3F}) expected.push_back(b);  // 0.0125
  for (UCHAR b : {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0E, 0xC0}) expected.push_back(b);  // -3.75
  for (ULONG v : {120u, 80u, 63u, static_cast<ULONG>(-500), static_cast<ULONG>(-497)}) Put32(expected, v);
  EXPECT_EQ(SaveToBytes(store, DocumentType::Trace, TraceSettings()), expected);
}

TEST(TraceFile, TwoHundredSamplesLoadAsAThousandRepeatingTheLast) {
  CORUData store;
  FillTrace(store, 200);
  const auto bytes = SaveToBytes(store, DocumentType::Trace, TraceSettings());
  CORUData loaded;
  FileSettings settings;
  TraceFileHead head;
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Trace, &settings, &head), FileStatus::Ok);
  auto& loadedFields = LinkFields(loaded);
  ASSERT_EQ(loadedFields.traceSamples.GetSize(), 1000);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(loadedFields.traceSamples[i], i * 3 - 500) << i;
  for (int i = 200; i < 1000; ++i) ASSERT_EQ(loadedFields.traceSamples[i], 199 * 3 - 500) << i;
  EXPECT_EQ(settings.traceScale, 2);
  EXPECT_EQ(settings.traceSpan, 4);
  EXPECT_EQ(settings.deltaV, -35);
  EXPECT_EQ(settings.traceTrigger, 3);
  EXPECT_EQ(settings.traceLine, 2);
  EXPECT_EQ(loadedFields.currentTrace.scaleIndex, 2);
  EXPECT_EQ(loadedFields.currentTrace.spanIndex, 4);
  EXPECT_EQ(loadedFields.currentTrace.voltageLevel, -35);
  EXPECT_EQ(loadedFields.sysCfg.value1, 0.0125);
  EXPECT_EQ(loadedFields.sysCfg.value2, -3.75);
  EXPECT_EQ(loadedFields.traceCursor1, 120);
  EXPECT_EQ(loadedFields.traceCursor2, 80);
  EXPECT_EQ(loadedFields.traceMarker1, 63);
}

TEST(TraceFile, OnlyTheFirstThousandSamplesAreWritten) {
  CORUData store;
  FillTrace(store, 1500);
  const auto bytes = SaveToBytes(store, DocumentType::Trace, TraceSettings());
  EXPECT_EQ(bytes.size(), 6 * 4 + 2 * 8 + 3 * 4 + 1000 * 4u);
  CORUData loaded;
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Trace), FileStatus::Ok);
  EXPECT_EQ(LinkFields(loaded).traceSamples[999], 999 * 3 - 500);
}

TEST(TraceFile, NoSamplesLoadAsAThousandZerosAndAHalfSampleIsIgnored) {
  CORUData store;
  FillTrace(store, 0);
  auto bytes = SaveToBytes(store, DocumentType::Trace, TraceSettings());
  CORUData loaded;
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Trace), FileStatus::Ok);
  auto& loadedFields = LinkFields(loaded);
  ASSERT_EQ(loadedFields.traceSamples.GetSize(), 1000);
  EXPECT_EQ(loadedFields.traceSamples[0], 0);
  EXPECT_EQ(loadedFields.traceSamples[999], 0);

  Put32(bytes, 17);
  bytes.insert(bytes.end(), {0x01, 0x02, 0x03});  // three bytes of a second sample
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Trace), FileStatus::Ok);
  EXPECT_EQ(loadedFields.traceSamples[0], 17);
  EXPECT_EQ(loadedFields.traceSamples[1], 17);
  EXPECT_EQ(loadedFields.traceSamples[999], 17);
}

TEST(TraceFile, TheSecondLineFieldIsTheOneKept) {
  CORUData store;
  FillTrace(store, 3);
  auto bytes = SaveToBytes(store, DocumentType::Trace, TraceSettings());
  bytes[12] = 1;  // field 4
  CORUData loaded;
  FileSettings settings;
  TraceFileHead head;
  ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Trace, &settings, &head), FileStatus::Ok);
  EXPECT_EQ(head.line, 1);
  EXPECT_EQ(head.lineAgain, 2);
  EXPECT_EQ(settings.traceLine, 2);
}

TEST(TraceFile, TruncationAtEveryOffsetNeverCrashesAndLeavesIndexesValid) {
  CORUData store;
  FillTrace(store, 10);
  const auto full = SaveToBytes(store, DocumentType::Trace, TraceSettings());
  const std::size_t samplesStart = 6 * 4 + 2 * 8 + 3 * 4;
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    std::vector<UCHAR> bytes(full.begin(), full.begin() + static_cast<long>(cut));
    CORUData loaded;
    auto& loadedFields = LinkFields(loaded);
    loadedFields.traceSamples.Add(5);
    FileStatus status = LoadFromBytes(bytes, loaded, DocumentType::Trace);
    const int marker = loadedFields.traceMarker1;
    EXPECT_TRUE(marker == -1 || (marker >= 0 && marker < loadedFields.traceSamples.GetSize())) << cut;
    if (cut < samplesStart) {
      EXPECT_EQ(status, FileStatus::TraceFormatError) << cut;
      EXPECT_EQ(loadedFields.traceSamples.GetSize(), 0) << cut;
    } else {
      EXPECT_EQ(status, FileStatus::Ok) << cut;
      EXPECT_EQ(loadedFields.traceSamples.GetSize(), 1000) << cut;
      const int whole = static_cast<int>((cut - samplesStart) / 4);
      EXPECT_EQ(loadedFields.traceSamples[999], whole == 0 ? 0 : (whole - 1) * 3 - 500) << cut;
    }
  }
}

TEST(TraceFile, AMarkerBeyondTheSamplesIsDropped) {
  CORUData store;
  FillTrace(store, 10);
  LinkFields(store).traceMarker1 = 1000;
  CORUData loaded;
  ASSERT_EQ(LoadFromBytes(SaveToBytes(store, DocumentType::Trace), loaded, DocumentType::Trace), FileStatus::Ok);
  EXPECT_EQ(LinkFields(loaded).traceMarker1, -1);
}

TEST(TraceFile, ATraceLoadTouchesNoCaptureMember) {
  CORUData store;
  FillTrace(store, 10);
  CORUData loaded;
  auto& loadedFields = LinkFields(loaded);
  loadedFields.captureBuffer.Add(CCaptBuf(1, 2, 3, 4));
  loadedFields.captureHeaders.Add(MakeEvent(0, 1));
  loadedFields.currentRecordIndex = 0;
  loadedFields.sysCfg.bitStuffed = 0;
  loadedFields.sysCfg.triggerText = "keep";
  ASSERT_EQ(LoadFromBytes(SaveToBytes(store, DocumentType::Trace), loaded, DocumentType::Trace), FileStatus::Ok);
  EXPECT_EQ(loadedFields.captureBuffer.GetSize(), 1);
  EXPECT_EQ(loadedFields.captureHeaders.GetSize(), 1);
  EXPECT_EQ(loadedFields.currentRecordIndex, 0);
  EXPECT_EQ(loadedFields.sysCfg.bitStuffed, 0);
  EXPECT_EQ(loadedFields.sysCfg.triggerText, "keep");
}
