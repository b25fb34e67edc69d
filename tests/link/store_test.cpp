#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "StoreBytes.h"
#include "link/store/LinkAccess.h"

TEST(Store, StartsIdleWithTheLayoutToBeDone) {
  CORUData store;
  EXPECT_EQ(store.statusText.Get(), "ANS/ORG Onhook");
  auto& fields = LinkFields(store);
  EXPECT_EQ(fields.layoutDirty, 1);
  EXPECT_EQ(fields.hdlcState, 1);
  EXPECT_EQ(fields.currentRecordIndex, -1);
  EXPECT_EQ(fields.cursorRecordIndex, -1);
  EXPECT_EQ(fields.traceMarker1, -1);
  EXPECT_EQ(store.selectedLine, 0);
  EXPECT_EQ(store.resyncPending, 0);
  EXPECT_EQ(fields.traceBlocks.size(), 1000u);
  for (const CORUTraceHeader& header : fields.traceDirectory) EXPECT_TRUE(header.IsEmpty());
  EXPECT_TRUE(fields.currentTrace.IsEmpty());
  EXPECT_EQ(fields.hdlcProcessor1.outMask, 1);
  EXPECT_EQ(fields.calFactor2.dcCalibrated, 1);
}

TEST(Store, ResetChangesExactlyTheIdleStateFields) {
  CORUData store;
  auto& fields = LinkFields(store);
  // Everything non-default first.
  for (std::atomic<int>* field :
       {&fields.cursorRecordIndex, &fields.currentRecordIndex, &fields.traceCursor1, &fields.traceCursor2,
        &fields.traceMarker1, &fields.traceMarker2, &fields.highlightParityBit, &fields.highlightParityErrors,
        &fields.showModemEvents, &fields.traceBlockCount, &store.acUnit, &store.endOfCaptureCode, &fields.hdlcState,
        &store.resyncPending, &fields.layoutDirty, &store.selectedLine, &store.firmwareNewA, &store.firmwareNewB,
        &fields.cursorEventIndex})
    *field = 7;
  for (SharedText* text : {&store.lineStatusText, &store.acValueText, &store.dcValueText, &store.dtmfDigits,
                           &store.modeText, &store.statusText, &store.downloadFilePath})
    text->Set("text");
  store.replyLines.Add("ca:2");
  fields.traceSamples.Add(1);
  fields.captureBuffer.Add(CCaptBuf(1, 0, 0, 0));
  fields.captureHeaders.Add(MakeEvent(0, 1));
  fields.sessionDirectory[4].eventName = "stored";
  fields.traceDirectory[1].line = 2;
  fields.currentTrace.scaleIndex = 3;
  fields.calFactor1.dcGain = 1024;
  fields.sysCfg.standard = 5;
  fields.traceBlocks[10][5] = 0xAB;
  fields.hdlcProcessor2.Feed(0x7E);
  store.ExchangeRun([](RunState& run) {
    run = RunState{CaptureRun::Running, TraceRun::TriggerArmed, true, true, true};
  });

  store.Reset();

  EXPECT_EQ(store.Run(), RunState{});

  for (std::atomic<int>* field : {&fields.cursorRecordIndex, &fields.currentRecordIndex, &fields.traceCursor1,
                                  &fields.traceCursor2, &fields.traceMarker1, &fields.traceMarker2})
    EXPECT_EQ(*field, -1);
  for (std::atomic<int>* field : {&fields.highlightParityBit, &fields.highlightParityErrors, &fields.showModemEvents,
                                  &fields.traceBlockCount, &store.acUnit, &store.endOfCaptureCode})
    EXPECT_EQ(*field, 0);
  for (SharedText* text :
       {&store.lineStatusText, &store.acValueText, &store.dcValueText, &store.dtmfDigits, &store.modeText})
    EXPECT_TRUE(text->IsEmpty());
  EXPECT_EQ(store.statusText.Get(), "ANS/ORG Onhook");
  EXPECT_EQ(fields.traceSamples.GetSize(), 0);
  EXPECT_EQ(fields.hdlcState, 1);

  // Left alone.
  EXPECT_EQ(fields.captureBuffer.GetSize(), 1);
  EXPECT_EQ(fields.captureHeaders.GetSize(), 1);
  EXPECT_EQ(fields.sessionDirectory[4].eventName, "stored");
  EXPECT_EQ(fields.traceDirectory[1].line, 2);
  EXPECT_EQ(fields.currentTrace.scaleIndex, 3);
  EXPECT_EQ(fields.calFactor1.dcGain, 1024);
  EXPECT_EQ(fields.sysCfg.standard, 5);
  EXPECT_EQ(fields.traceBlocks[10][5], 0xAB);
  EXPECT_EQ(store.resyncPending, 7);
  EXPECT_EQ(fields.layoutDirty, 7);
  EXPECT_EQ(store.selectedLine, 7);
  EXPECT_EQ(store.firmwareNewA, 7);
  EXPECT_EQ(store.firmwareNewB, 7);
  EXPECT_EQ(fields.cursorEventIndex, 7);
  EXPECT_EQ(store.downloadFilePath.Get(), "text");
  EXPECT_EQ(store.replyLines.Size(), 1u);
  EXPECT_EQ(fields.hdlcProcessor2.inFrame, 1);
}

namespace {

// A capture of `records` bytes in one event, with both indexes set and the layout done.
void FillCapture(CORUData& store, int records) {
  auto& fields = LinkFields(store);
  fields.captureHeaders.Add(MakeEvent(0, records));
  for (int i = 0; i < records; ++i) fields.captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(i), 0, 0, 0));
  fields.currentRecordIndex = 1;
  fields.cursorRecordIndex = 2;
  fields.layoutDirty = 0;
}

}  // namespace

TEST(Store, ClearCaptureEmptiesBothArraysResetsTheIndexesAndMovesTheGenerationOn) {
  CORUData store;
  FillCapture(store, 3000);
  auto& fields = LinkFields(store);
  fields.traceSamples.Add(5);
  fields.traceMarker1 = 0;
  const unsigned before = fields.captureGeneration;

  store.ClearCapture();
  EXPECT_EQ(fields.captureBuffer.GetSize(), 0);
  EXPECT_EQ(fields.captureHeaders.GetSize(), 0);
  EXPECT_EQ(fields.captureBuffer.GetAllocatedSize(), 0u);  // a real emptying gives the memory back
  EXPECT_EQ(fields.currentRecordIndex, -1);
  EXPECT_EQ(fields.cursorRecordIndex, -1);
  EXPECT_EQ(fields.layoutDirty, 1);
  EXPECT_EQ(fields.captureGeneration, before + 1);
  // Nothing of the trace.
  EXPECT_EQ(fields.traceSamples.GetSize(), 1);
  EXPECT_EQ(fields.traceMarker1, 0);

  // Emptied for a refill, the memory stays.
  FillCapture(store, 3000);
  const std::size_t held = fields.captureBuffer.GetAllocatedSize();
  store.ClearCapture(true);
  EXPECT_EQ(fields.captureBuffer.GetSize(), 0);
  EXPECT_EQ(fields.captureHeaders.GetSize(), 0);
  EXPECT_EQ(fields.captureBuffer.GetAllocatedSize(), held);
  EXPECT_EQ(fields.currentRecordIndex, -1);
  EXPECT_EQ(fields.layoutDirty, 1);
  EXPECT_EQ(fields.captureGeneration, before + 2);
}

TEST(Store, ClearTraceEmptiesOnlyItsKind) {
  CORUData store;
  FillCapture(store, 3);
  auto& fields = LinkFields(store);
  fields.traceSamples.Add(5);
  fields.traceBlockCount = 4;
  const unsigned captureBefore = fields.captureGeneration;

  store.ClearTrace(TraceKind::Triggered);
  EXPECT_EQ(fields.traceSamples.GetSize(), 0);
  EXPECT_EQ(fields.traceBlockCount, 4);

  fields.traceSamples.Add(6);
  store.ClearTrace(TraceKind::Streamed);
  EXPECT_EQ(fields.traceBlockCount, 0);
  EXPECT_EQ(fields.traceSamples.GetSize(), 1);
  // Nothing of the capture.
  EXPECT_EQ(fields.captureBuffer.GetSize(), 3);
  EXPECT_EQ(fields.captureGeneration, captureBefore);
}

TEST(Store, EveryCaptureLoadMovesTheGenerationOnAndATraceLoadDoesNot) {
  CORUData source;
  FillCapture(source, 5);
  const auto capture = SaveToBytes(source, DocumentType::Capture);
  LinkFields(source).traceSamples.Add(7);
  const auto trace = SaveToBytes(source, DocumentType::Trace);

  CORUData store;
  FillCapture(store, 40);
  auto& fields = LinkFields(store);
  unsigned generation = fields.captureGeneration;
  ASSERT_EQ(LoadFromBytes(capture, store, DocumentType::Capture), FileStatus::Ok);
  EXPECT_GT(fields.captureGeneration, generation);
  EXPECT_EQ(fields.captureBuffer.GetSize(), 5);
  EXPECT_EQ(fields.layoutDirty, 1);
  EXPECT_EQ(fields.cursorRecordIndex, -1);

  // A load that fails early still replaces what was held: nothing of it stays.
  fields.layoutDirty = 0;
  generation = fields.captureGeneration;
  ASSERT_EQ(LoadFromBytes({2}, store, DocumentType::Capture), FileStatus::CaptureReadError);
  EXPECT_GT(fields.captureGeneration, generation);
  EXPECT_EQ(fields.captureBuffer.GetSize(), 0);
  EXPECT_EQ(fields.captureHeaders.GetSize(), 0);
  EXPECT_EQ(fields.layoutDirty, 1);

  generation = fields.captureGeneration;
  ASSERT_EQ(LoadFromBytes(trace, store, DocumentType::Trace), FileStatus::Ok);
  EXPECT_EQ(fields.captureGeneration, generation);
}

TEST(Store, StreamBuffersAreFixedAndNamedByIndexOnly) {
  CORUData store;
  UCHAR* first = store.StreamBuffer(0);
  UCHAR* second = store.StreamBuffer(1);
  EXPECT_NE(first, second);
  first[CORUData::kStreamBufferSize - 1] = 1;
  second[CORUData::kStreamBufferSize - 1] = 2;
  EXPECT_EQ(store.StreamBuffer(0), first);
  EXPECT_EQ(&store.TraceBufferMutex(0), &store.traceBufferMutex1);
  EXPECT_EQ(&store.TraceBufferMutex(1), &store.traceBufferMutex2);
  EXPECT_THROW(store.StreamBuffer(2), CInvalidArgException);
  EXPECT_THROW(store.TraceBufferMutex(-1), CInvalidArgException);
}

TEST(Store, AStreamBufferLockHoldsTheBufferLockAndDataMutexUntilItEnds) {
  CORUData store;
  std::mutex gate;
  std::condition_variable changed;
  int stage = 0;
  std::thread holder([&] {
    StreamBufferLock lock(store, 1);
    std::unique_lock g(gate);
    stage = 1;
    changed.notify_all();
    changed.wait(g, [&] { return stage == 2; });
  });
  {
    std::unique_lock g(gate);
    changed.wait(g, [&] { return stage == 1; });
  }
  // Another thread sees both taken.
  EXPECT_FALSE(store.traceBufferMutex2.try_lock());
  auto& fields = LinkFields(store);
  EXPECT_FALSE(fields.dataMutex.try_lock());
  EXPECT_TRUE(store.traceBufferMutex1.try_lock());
  store.traceBufferMutex1.unlock();
  {
    std::lock_guard g(gate);
    stage = 2;
  }
  changed.notify_all();
  holder.join();
  EXPECT_TRUE(store.traceBufferMutex2.try_lock());
  EXPECT_TRUE(fields.dataMutex.try_lock());
  fields.dataMutex.unlock();
  store.traceBufferMutex2.unlock();
}

TEST(Store, DataMutexIsRecursiveSoASaveMayRunUnderTheCallersLock) {
  CORUData store;
  LinkFields(store).captureBuffer.Add(CCaptBuf(1, 0, 0, 0));
  std::lock_guard outer(LinkFields(store).dataMutex);
  const auto bytes = SaveToBytes(store, DocumentType::Capture);
  CORUData loaded;
  std::lock_guard other(LinkFields(loaded).dataMutex);
  EXPECT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
  EXPECT_EQ(LinkFields(loaded).captureBuffer.GetSize(), 1);
}

TEST(Store, SavesTakenWhileAnotherThreadAppendsAreAlwaysConsistentSnapshots) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.captureHeaders.Add(MakeEvent(0, 0));
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    for (int i = 0; !stop && i < 200000; ++i) {
      std::lock_guard guard(fields.dataMutex);
      fields.captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(i), 0, static_cast<ULONG>(i), 0));
      fields.captureHeaders[0].byteCount = fields.captureBuffer.GetSize();
      store.statusText.Set("Capture in process");
    }
  });
  for (int save = 0; save < 20; ++save) {
    const auto bytes = SaveToBytes(store, DocumentType::Capture);
    CORUData loaded;
    ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
    auto& loadedFields = LinkFields(loaded);
    const int count = loadedFields.captureBuffer.GetSize();
    ASSERT_EQ(loadedFields.captureHeaders[0].byteCount, count);
    for (int i = 0; i < count; ++i) ASSERT_EQ(loadedFields.captureBuffer[i].timeFraction, static_cast<ULONG>(i));
    const std::string status = store.statusText.Get();
    EXPECT_TRUE(status == "ANS/ORG Onhook" || status == "Capture in process") << status;
  }
  stop = true;
  worker.join();
}

TEST(SharedText, CopiesOutAndAppends) {
  SharedText digits;
  digits.Append("12");
  digits.Append("#");
  std::string copy = digits.Get();
  digits.Clear();
  EXPECT_EQ(copy, "12#");
  EXPECT_TRUE(digits.IsEmpty());
  SharedTextList lines;
  lines.Add("a");
  lines.Add("b");
  EXPECT_EQ(lines.Get(), (std::vector<std::string>{"a", "b"}));
  lines.Clear();
  EXPECT_EQ(lines.Size(), 0u);
}
