#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "StoreBytes.h"

TEST(Store, StartsIdleWithTheLayoutToBeDone) {
  CORUData store;
  EXPECT_EQ(store.statusText.Get(), "ANS/ORG Onhook");
  EXPECT_EQ(store.layoutDirty, 1);
  EXPECT_EQ(store.hdlcState, 1);
  EXPECT_EQ(store.currentRecordIndex, -1);
  EXPECT_EQ(store.cursorRecordIndex, -1);
  EXPECT_EQ(store.traceMarker1, -1);
  EXPECT_EQ(store.selectedLine, 0);
  EXPECT_EQ(store.resyncPending, 0);
  EXPECT_EQ(store.traceBlocks.size(), 1000u);
  for (const CORUTraceHeader& header : store.traceDirectory) EXPECT_TRUE(header.IsEmpty());
  EXPECT_TRUE(store.currentTrace.IsEmpty());
  EXPECT_EQ(store.hdlcProcessor1.outMask, 1);
  EXPECT_EQ(store.calFactor2.dcCalibrated, 1);
}

TEST(Store, ResetChangesExactlyTheIdleStateFields) {
  CORUData store;
  // Everything non-default first.
  for (std::atomic<int>* field :
       {&store.cursorRecordIndex, &store.currentRecordIndex, &store.traceCursor1,       &store.traceCursor2,
        &store.traceMarker1,      &store.traceMarker2,       &store.highlightParityBit, &store.highlightParityErrors,
        &store.showModemEvents,   &store.traceBlockCount,    &store.word1096,           &store.acUnit,
        &store.endOfCaptureCode,  &store.hdlcState,          &store.resyncPending,      &store.layoutDirty,
        &store.selectedLine,      &store.firmwareNewA,       &store.firmwareNewB,       &store.cursorEventIndex})
    *field = 7;
  for (SharedText* text : {&store.lineStatusText, &store.acValueText, &store.dcValueText, &store.dtmfDigits,
                           &store.modeText, &store.statusText, &store.downloadFilePath})
    text->Set("text");
  store.replyLines.Add("ca:2");
  store.traceSamples.Add(1);
  store.captureBuffer.Add(CCaptBuf(1, 0, 0, 0));
  store.captureHeaders.Add(MakeEvent(0, 1));
  store.sessionDirectory[4].eventName = "stored";
  store.traceDirectory[1].line = 2;
  store.currentTrace.scaleIndex = 3;
  store.calFactor1.dcGain = 1024;
  store.sysCfg.standard = 5;
  store.traceBlocks[10][5] = 0xAB;
  store.hdlcProcessor2.Feed(0x7E);
  store.ExchangeRun([](RunState& run) {
    run = RunState{CaptureRun::Running, TraceRun::TriggerArmed, true, true, true};
  });

  store.Reset();

  EXPECT_EQ(store.Run(), RunState{});

  for (std::atomic<int>* field : {&store.cursorRecordIndex, &store.currentRecordIndex, &store.traceCursor1,
                                  &store.traceCursor2, &store.traceMarker1, &store.traceMarker2})
    EXPECT_EQ(*field, -1);
  for (std::atomic<int>* field : {&store.highlightParityBit, &store.highlightParityErrors, &store.showModemEvents,
                                  &store.traceBlockCount, &store.word1096, &store.acUnit, &store.endOfCaptureCode})
    EXPECT_EQ(*field, 0);
  for (SharedText* text :
       {&store.lineStatusText, &store.acValueText, &store.dcValueText, &store.dtmfDigits, &store.modeText})
    EXPECT_TRUE(text->IsEmpty());
  EXPECT_EQ(store.statusText.Get(), "ANS/ORG Onhook");
  EXPECT_EQ(store.traceSamples.GetSize(), 0);
  EXPECT_EQ(store.hdlcState, 1);

  // Left alone.
  EXPECT_EQ(store.captureBuffer.GetSize(), 1);
  EXPECT_EQ(store.captureHeaders.GetSize(), 1);
  EXPECT_EQ(store.sessionDirectory[4].eventName, "stored");
  EXPECT_EQ(store.traceDirectory[1].line, 2);
  EXPECT_EQ(store.currentTrace.scaleIndex, 3);
  EXPECT_EQ(store.calFactor1.dcGain, 1024);
  EXPECT_EQ(store.sysCfg.standard, 5);
  EXPECT_EQ(store.traceBlocks[10][5], 0xAB);
  EXPECT_EQ(store.resyncPending, 7);
  EXPECT_EQ(store.layoutDirty, 7);
  EXPECT_EQ(store.selectedLine, 7);
  EXPECT_EQ(store.firmwareNewA, 7);
  EXPECT_EQ(store.firmwareNewB, 7);
  EXPECT_EQ(store.cursorEventIndex, 7);
  EXPECT_EQ(store.downloadFilePath.Get(), "text");
  EXPECT_EQ(store.replyLines.Size(), 1u);
  EXPECT_EQ(store.hdlcProcessor2.inFrame, 1);
}

namespace {

// A capture of `records` bytes in one event, with both indexes set and the layout done.
void FillCapture(CORUData& store, int records) {
  store.captureHeaders.Add(MakeEvent(0, records));
  for (int i = 0; i < records; ++i) store.captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(i), 0, 0, 0));
  store.currentRecordIndex = 1;
  store.cursorRecordIndex = 2;
  store.layoutDirty = 0;
}

}  // namespace

TEST(Store, ClearCaptureEmptiesBothArraysResetsTheIndexesAndMovesTheGenerationOn) {
  CORUData store;
  FillCapture(store, 3000);
  store.traceSamples.Add(5);
  store.traceMarker1 = 0;
  const unsigned before = store.captureGeneration;

  store.ClearCapture();
  EXPECT_EQ(store.captureBuffer.GetSize(), 0);
  EXPECT_EQ(store.captureHeaders.GetSize(), 0);
  EXPECT_EQ(store.captureBuffer.GetAllocatedSize(), 0u);  // a real emptying gives the memory back
  EXPECT_EQ(store.currentRecordIndex, -1);
  EXPECT_EQ(store.cursorRecordIndex, -1);
  EXPECT_EQ(store.layoutDirty, 1);
  EXPECT_EQ(store.captureGeneration, before + 1);
  // Nothing of the trace.
  EXPECT_EQ(store.traceSamples.GetSize(), 1);
  EXPECT_EQ(store.traceMarker1, 0);

  // Emptied for a refill, the memory stays.
  FillCapture(store, 3000);
  const std::size_t held = store.captureBuffer.GetAllocatedSize();
  store.ClearCapture(true);
  EXPECT_EQ(store.captureBuffer.GetSize(), 0);
  EXPECT_EQ(store.captureHeaders.GetSize(), 0);
  EXPECT_EQ(store.captureBuffer.GetAllocatedSize(), held);
  EXPECT_EQ(store.currentRecordIndex, -1);
  EXPECT_EQ(store.layoutDirty, 1);
  EXPECT_EQ(store.captureGeneration, before + 2);
}

TEST(Store, ClearTraceEmptiesOnlyItsKindAndMovesTheTraceGenerationOn) {
  CORUData store;
  FillCapture(store, 3);
  store.traceSamples.Add(5);
  store.traceBlockCount = 4;
  const unsigned before = store.traceGeneration;
  const unsigned captureBefore = store.captureGeneration;

  store.ClearTrace(TraceKind::Triggered);
  EXPECT_EQ(store.traceSamples.GetSize(), 0);
  EXPECT_EQ(store.traceBlockCount, 4);
  EXPECT_EQ(store.traceGeneration, before + 1);

  store.traceSamples.Add(6);
  store.ClearTrace(TraceKind::Streamed);
  EXPECT_EQ(store.traceBlockCount, 0);
  EXPECT_EQ(store.traceSamples.GetSize(), 1);
  EXPECT_EQ(store.traceGeneration, before + 2);
  // Nothing of the capture.
  EXPECT_EQ(store.captureBuffer.GetSize(), 3);
  EXPECT_EQ(store.captureGeneration, captureBefore);
}

TEST(Store, EveryCaptureLoadMovesTheGenerationOnAndATraceLoadDoesNot) {
  CORUData source;
  FillCapture(source, 5);
  const auto capture = SaveToBytes(source, DocumentType::Capture);
  source.traceSamples.Add(7);
  const auto trace = SaveToBytes(source, DocumentType::Trace);

  CORUData store;
  FillCapture(store, 40);
  unsigned generation = store.captureGeneration;
  ASSERT_EQ(LoadFromBytes(capture, store, DocumentType::Capture), FileStatus::Ok);
  EXPECT_GT(store.captureGeneration, generation);
  EXPECT_EQ(store.captureBuffer.GetSize(), 5);
  EXPECT_EQ(store.layoutDirty, 1);
  EXPECT_EQ(store.cursorRecordIndex, -1);

  // A load that fails early still replaces what was held: nothing of it stays.
  store.layoutDirty = 0;
  generation = store.captureGeneration;
  ASSERT_EQ(LoadFromBytes({2}, store, DocumentType::Capture), FileStatus::CaptureReadError);
  EXPECT_GT(store.captureGeneration, generation);
  EXPECT_EQ(store.captureBuffer.GetSize(), 0);
  EXPECT_EQ(store.captureHeaders.GetSize(), 0);
  EXPECT_EQ(store.layoutDirty, 1);

  generation = store.captureGeneration;
  ASSERT_EQ(LoadFromBytes(trace, store, DocumentType::Trace), FileStatus::Ok);
  EXPECT_EQ(store.captureGeneration, generation);
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
  EXPECT_FALSE(store.dataMutex.try_lock());
  EXPECT_TRUE(store.traceBufferMutex1.try_lock());
  store.traceBufferMutex1.unlock();
  {
    std::lock_guard g(gate);
    stage = 2;
  }
  changed.notify_all();
  holder.join();
  EXPECT_TRUE(store.traceBufferMutex2.try_lock());
  EXPECT_TRUE(store.dataMutex.try_lock());
  store.dataMutex.unlock();
  store.traceBufferMutex2.unlock();
}

TEST(Store, DataMutexIsRecursiveSoASaveMayRunUnderTheCallersLock) {
  CORUData store;
  store.captureBuffer.Add(CCaptBuf(1, 0, 0, 0));
  std::lock_guard outer(store.dataMutex);
  const auto bytes = SaveToBytes(store, DocumentType::Capture);
  CORUData loaded;
  std::lock_guard other(loaded.dataMutex);
  EXPECT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
  EXPECT_EQ(loaded.captureBuffer.GetSize(), 1);
}

TEST(Store, SavesTakenWhileAnotherThreadAppendsAreAlwaysConsistentSnapshots) {
  CORUData store;
  store.captureHeaders.Add(MakeEvent(0, 0));
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    for (int i = 0; !stop && i < 200000; ++i) {
      std::lock_guard guard(store.dataMutex);
      store.captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(i), 0, static_cast<ULONG>(i), 0));
      store.captureHeaders[0].byteCount = store.captureBuffer.GetSize();
      store.statusText.Set("Capture in process");
    }
  });
  for (int save = 0; save < 20; ++save) {
    const auto bytes = SaveToBytes(store, DocumentType::Capture);
    CORUData loaded;
    ASSERT_EQ(LoadFromBytes(bytes, loaded, DocumentType::Capture), FileStatus::Ok);
    const int count = loaded.captureBuffer.GetSize();
    ASSERT_EQ(loaded.captureHeaders[0].byteCount, count);
    for (int i = 0; i < count; ++i) ASSERT_EQ(loaded.captureBuffer[i].timeFraction, static_cast<ULONG>(i));
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
