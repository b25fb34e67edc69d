#include <gtest/gtest.h>

#include <atomic>
#include <exception>
#include <string>
#include <thread>

#include "WorkerTestSupport.h"
#include "link/store/LinkAccess.h"

using linktest::BinaryLine;
using linktest::BinaryRecord;
using linktest::DevicelessWorker;

namespace {

// The last event counts exactly the records held from its first index on.
void ExpectLastEventCountsItsRecords(CORUData& store) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  if (fields.captureHeaders.IsEmpty()) return;
  const CORUCaptureHeader& last = fields.captureHeaders[fields.captureHeaders.GetSize() - 1];
  ASSERT_EQ(last.byteCount, fields.captureBuffer.GetSize() - last.firstIndex);
}

void AddEvent(CORUData& store) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  CORUCaptureHeader header;
  header.eventName = "CONNECT 2400";
  header.firstIndex = fields.captureBuffer.GetSize();
  fields.captureHeaders.Add(header);
}

// The worker decodes binary lines while the windows empty the capture and a new event begins:
// the decoder builds each line's records with the lock released, and must not index an event
// array that was emptied meanwhile nor count its records into an event of a capture that followed.
TEST(CaptureClearRace, BinaryLinesDecodedWhileTheCaptureIsEmptiedNeverThrowAndKeepCountsExact) {
  DevicelessWorker w;
  w.document.open = false;  // no live-view notifications to pile up
  AddEvent(w.store);
  const std::string line = BinaryLine(std::vector<BinaryRecord>(15, BinaryRecord{0x41, 0x05, 0x0102}));

  constexpr int kLines = 200000;
  std::atomic<bool> decoding{true};
  std::atomic<int> clears{0};
  std::exception_ptr thrown;
  std::thread decoder([&] {
    try {
      for (int i = 0; i < kLines; ++i) w.capture.Decoder().Decode(line, 1);
    } catch (...) {
      thrown = std::current_exception();
    }
    decoding = false;
  });
  // At least a few clears even when the decoder finishes before this thread gets going.
  while ((decoding || clears < 3) && !::testing::Test::HasFatalFailure()) {
    ExpectLastEventCountsItsRecords(w.store);
    w.store.ClearCapture();
    AddEvent(w.store);
    ++clears;
    std::this_thread::yield();
  }
  decoder.join();

  ASSERT_FALSE(thrown) << "the decoder threw on the worker thread";
  ExpectLastEventCountsItsRecords(w.store);
  auto& fields = LinkFields(w.store);
  std::lock_guard guard(fields.dataMutex);
  ASSERT_EQ(fields.captureHeaders.GetSize(), 1);
  EXPECT_EQ(fields.captureHeaders[0].firstIndex, 0);
  EXPECT_EQ(fields.captureBuffer.GetSize() % 15, 0);  // whole lines or none
  EXPECT_GE(fields.captureGeneration, static_cast<unsigned>(clears));
}

// A line whose records were built for a capture that has gone is dropped whole, even though a
// new event exists again when the lock comes back.
TEST(CaptureClearRace, ALineBuiltAcrossAClearIsDropped) {
  DevicelessWorker w;
  WorkerClock clock;
  CORUData& store = w.store;
  // The clock is read once per line, between the two locked steps: the clear happens there.
  clock.seconds = [&store] {
    store.ClearCapture();
    AddEvent(store);
    return LONGLONG{100000};
  };
  clock.localTime = [] { return SYSTEMTIME{2024, 3, 2, 5, 7, 8, 9, 0}; };
  CaptureDecoder decoder(w.transport, clock);
  AddEvent(store);
  auto& fields = LinkFields(store);
  {
    std::lock_guard guard(fields.dataMutex);
    fields.captureBuffer.Add(CCaptBuf(1, 0, 0, 0));
  }
  const unsigned before = fields.captureGeneration;

  EXPECT_EQ(decoder.Decode(BinaryLine({{0x41, 0x01, 1}, {0x42, 0x02, 2}}), 1).result, 1);
  EXPECT_EQ(fields.captureGeneration, before + 1);
  std::lock_guard guard(fields.dataMutex);
  EXPECT_EQ(fields.captureBuffer.GetSize(), 0);
  ASSERT_EQ(fields.captureHeaders.GetSize(), 1);
  EXPECT_EQ(fields.captureHeaders[0].byteCount, 0);
}

}  // namespace
