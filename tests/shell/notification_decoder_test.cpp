#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "shell/model/NotificationDecoder.h"

namespace {

using namespace notify;

constexpr std::uint32_t kMaxBytes = std::numeric_limits<std::uint32_t>::max();
constexpr WPARAM kPast32Bits = (WPARAM{1} << 32) + 1;  // would wrap onto 1

const unsigned char kBlock[4] = {};

struct DecodeRow {
  UINT id;
  WPARAM w;
  LPARAM l;
  Notification expected;
};

class DecodeRows : public testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeRows, GiveTheirTypedValue) {
  const DecodeRow& row = GetParam();
  const Notification decoded = DecodeNotification(row.id, row.w, row.l);
  EXPECT_EQ(decoded.index(), row.expected.index()) << "notification " << row.id;
  EXPECT_TRUE(decoded == row.expected) << "notification " << row.id;
}

const WPARAM kBlockAddress = reinterpret_cast<WPARAM>(kBlock);

std::string RowName(const testing::TestParamInfo<DecodeRow>& info) {
  return "Id" + std::to_string(info.param.id) + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(
    EveryNotificationTheFrameHandles, DecodeRows,
    testing::Values(DecodeRow{2026, 0, 0, ConfigRead{}}, DecodeRow{2032, 4, 0, SessionHeader{4}},
                    DecodeRow{2033, 2, 0, CaptureStarted{2}}, DecodeRow{2034, 0, 0, CaptureDataArrived{0}},
                    DecodeRow{2038, 7, 0, CaptureEnded{7}}, DecodeRow{2042, 3, 0x102, CalibrationStepResult{3, 0x102}},
                    DecodeRow{2045, 1, 24, CalibrationFactorsRead{1, 24}}, DecodeRow{2048, 1, 0, ClockSetResult{true}},
                    DecodeRow{2048, 0, 0, ClockSetResult{false}}, DecodeRow{2049, 0, 0, SignalTraceEnded{}},
                    DecodeRow{2051, kBlockAddress, 1, TraceBlock{kBlock, 1}}, DecodeRow{2053, 0, 0, MeterStopped{}},
                    DecodeRow{2054, 0, 0, LineTestReading{}}, DecodeRow{2055, 3, 0, DtmfDecoderStarted{3}},
                    DecodeRow{2056, 0, 0, MeterStopped{}}, DecodeRow{2057, 0, 0, DtmfDigits{}},
                    DecodeRow{2058, 0, 0, DownloadFinished{}},
                    DecodeRow{2058, 2, 7, DownloadFinished{DownloadOutcome::NotSRecords, 7}},
                    DecodeRow{2058, 99, 7, DownloadFinished{}}, DecodeRow{2060, 512, 4096, DownloadProgress{512, 4096}},
                    DecodeRow{2061, 0, 0, AboutRequested{}}, DecodeRow{2065, 1, 0, TraceHeader{1}},
                    DecodeRow{2067, 0, 0, TraceFinished{}}, DecodeRow{2069, 0, 0, TraceFinished{}},
                    DecodeRow{2070, 0, 0, TraceTriggered{}}, DecodeRow{2071, 0, 0, DeviceReady{}},
                    DecodeRow{2078, 0, 0, V21Offered{true}}, DecodeRow{2079, 0, 0, V21Offered{false}},
                    DecodeRow{2080, 0, 0, SixtySecondSpanOffered{true}},
                    DecodeRow{2081, 0, 0, SixtySecondSpanOffered{false}},
                    // Ids the windows do not act on: the settings echo, the disconnect answer, requests only.
                    DecodeRow{2025, 0, 0, std::monostate{}}, DecodeRow{2072, 0, 0, std::monostate{}},
                    DecodeRow{2050, 0, 0, std::monostate{}}, DecodeRow{2082, 0, 0, std::monostate{}}),
    RowName);

// Values the worker never sends: each stays out of range instead of wrapping onto a valid one.
INSTANTIATE_TEST_SUITE_P(
    OutOfRange, DecodeRows,
    testing::Values(DecodeRow{2032, 9, 0, SessionHeader{9}},
                    DecodeRow{2032, static_cast<WPARAM>(-1), 0, SessionHeader{-1}},
                    DecodeRow{2032, kPast32Bits, 0, SessionHeader{-1}},
                    DecodeRow{2065, kPast32Bits, 0, TraceHeader{-1}},
                    DecodeRow{2033, kPast32Bits, 0, CaptureStarted{-1}}, DecodeRow{2038, 0x10000, 0, CaptureEnded{-1}},
                    DecodeRow{2051, kBlockAddress, 2, TraceBlock{kBlock, 2}},
                    DecodeRow{2051, 0, static_cast<LPARAM>(kPast32Bits), TraceBlock{nullptr, -1}},
                    DecodeRow{2055, kPast32Bits, 0, DtmfDecoderStarted{-1}},
                    DecodeRow{2042, kPast32Bits, 1, CalibrationStepResult{-1, 1}},
                    DecodeRow{2045, 2, -static_cast<LPARAM>(kPast32Bits), CalibrationFactorsRead{2, -1}},
                    DecodeRow{2048, WPARAM{1} << 32, 0, ClockSetResult{true}},
                    DecodeRow{2060, kPast32Bits, 0, DownloadProgress{kMaxBytes, 0}},
                    DecodeRow{2060, 7, -1, DownloadProgress{7, kMaxBytes}}),
    RowName);

}  // namespace
