#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "WorkerTestSupport.h"
#include "link/worker/CommThread.h"
#include "link/store/LinkAccess.h"
#include "platform/win32/Event.h"
#include "platform/win32/ThreadMessages.h"
#include "platform/win32/Wait.h"

using linktest::DevicelessWorker;

namespace {

constexpr DWORD kHangMs = 10000;  // only a hang comes near this

void PostToSelf(UINT id, WPARAM wParam = 0) { ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), id, wParam, 0)); }

TEST(DevicelessTransport, EveryCommandFailsAtOnceAndAReadGivesAnEmptyReply) {
  DevicelessWorker w;
  EXPECT_EQ(w.transport.SendCommand("CA:1"), 0);
  w.transport.replyText = "stale";
  w.transport.replyLength = 3;
  EXPECT_EQ(w.transport.ReadReply(5000), 1);
  EXPECT_TRUE(w.transport.replyText.empty());
  EXPECT_EQ(w.transport.replyLength, 0);
  UCHAR* intake = w.store.StreamBuffer(0);
  intake[17] = 0x5A;
  EXPECT_EQ(w.transport.ReadBlock(nullptr), 0);
  EXPECT_EQ(intake[17], 0);
  EXPECT_EQ(w.config.ApplySettings(0x1C0), 0);
  EXPECT_EQ(w.config.ReadConfiguration(), 0);
  EXPECT_EQ(w.target.Count(), 0u);
}

TEST(DevicelessTransport, NotificationsWaitForTheWindow) {
  DevicelessWorker w;
  w.transport.notifyWindow = nullptr;
  w.transport.Notify(WM_ORU_START_CAPTURE);
  EXPECT_EQ(w.target.Count(), 0u);
  w.transport.notifyWindow = w.target.Handle();
  w.transport.Notify(WM_ORU_DOWNLOAD_PROGRESS, 10, 20);
  ASSERT_EQ(w.target.Count(), 1u);
  EXPECT_EQ(w.target.Messages()[0].wParam, 10u);
  EXPECT_EQ(w.target.Messages()[0].lParam, 20);
}

TEST(DevicelessCapture, StartAndStopWithoutAnInstrument) {
  DevicelessWorker w;
  w.context.captureOptions = CAPTURE_OPTION_OVERWRITE;
  auto& fields = LinkFields(w.store);
  {
    std::lock_guard guard(fields.dataMutex);
    fields.captureBuffer.Add(CCaptBuf(1, 2, 3, 4));
  }
  w.store.endOfCaptureCode = 5;
  EXPECT_EQ(w.capture.StartCapture(), 0);
  EXPECT_TRUE(w.store.Run().captureArmed());
  EXPECT_EQ(w.store.endOfCaptureCode, 0);
  EXPECT_EQ(w.store.statusText.Get(), "Waiting for modem trigger");
  EXPECT_EQ(fields.captureBuffer.GetSize(), 1);  // nothing was armed, nothing dropped

  // An abort without an instrument still tells the windows that the capture has ended.
  EXPECT_EQ(w.capture.AbortCapture(), 1);
  EXPECT_EQ(w.target.Count(WM_ORU_ABORT_CAPTURE), 1u);
  EXPECT_EQ(w.store.endOfCaptureCode, 1);
}

// The capture polling loop takes WM_ORU_ABORT_CAPTURE and WM_ORU_SET_CONFIG; anything else it
// removes and drops, answering only a download request.
TEST(DevicelessCapture, ThePollingLoopDropsWhatItDoesNotTake) {
  DevicelessWorker w;
  w.DrainQueue();
  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });

  PostToSelf(WM_ORU_DEVICE_DISCONNECTED);
  EXPECT_EQ(w.capture.PollCapture(), 0);
  MSG left{};
  EXPECT_FALSE(w.queue.Take(left));
  EXPECT_EQ(w.target.Count(), 0u);

  PostToSelf(WM_ORU_DOWNLOAD_FIRMWARE);
  w.capture.PollCapture();
  EXPECT_EQ(w.target.Count(WM_ORU_DOWNLOAD_FIRMWARE), 1u);
  EXPECT_FALSE(w.queue.Take(left));

  PostToSelf(WM_ORU_SET_CONFIG, 0x1C0);  // carried out (it fails quietly without an instrument)
  w.capture.PollCapture();
  EXPECT_FALSE(w.queue.Take(left));
  EXPECT_EQ(w.target.Count(), 1u);

  PostToSelf(WM_ORU_ABORT_CAPTURE);
  EXPECT_EQ(w.capture.PollCapture(), 0);
  EXPECT_EQ(w.target.Count(WM_ORU_ABORT_CAPTURE), 1u);
  EXPECT_EQ(w.store.endOfCaptureCode, 1);
}

// A rig's settle request is answered, with its token, even by a loop that takes nothing else.
TEST(DevicelessCapture, TheEchoIsAnsweredInsideALoop) {
  DevicelessWorker w;
  w.DrainQueue();
  w.store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; });
  PostToSelf(WM_ORU_ECHO, 77);
  w.capture.PollCapture();
  ASSERT_EQ(w.target.Count(WM_ORU_ECHO), 1u);
  EXPECT_EQ(w.target.Messages().back().wParam, 77u);
  MSG left{};
  EXPECT_FALSE(w.queue.Take(left));
}

class DevicelessThread : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateCommExitEvents(context);
    context.document = &document;
    worker = CORUCommThread::Start(context);
    ASSERT_TRUE(worker->WaitForPublishedId(kHangMs));
    ASSERT_NE(context.commThreadId, 0u);
  }
  void TearDown() override {
    if (worker) {
      EXPECT_TRUE(StopCommThread(context));
      worker.reset();
    }
    EXPECT_EQ(context.commThreadId, 0u);
    CloseCommExitEvents(context);
  }
  void Post(UINT id, WPARAM wParam = 0) { ASSERT_TRUE(PostThreadMessage(context.commThreadId, id, wParam, 0)); }
  void SetNotifyWindow() { Post(WM_ORU_SET_NOTIFY_WINDOW, reinterpret_cast<WPARAM>(target.Handle())); }

  CORUData store;
  LinkContext context{store};
  linktest::CountingDocument document;
  win32::RecordingWindowTarget target;
  std::unique_ptr<CORUCommThread> worker;
};

TEST_F(DevicelessThread, NothingReachesTheFrameBeforeItsHandleThenTheFeatureFlags) {
  Post(WM_ORU_DEVICE_DISCONNECTED);  // answered into the void
  Post(WM_ORU_ABORT_CAPTURE);
  SetNotifyWindow();
  ASSERT_TRUE(target.WaitForCount(2, kHangMs));
  Post(WM_ORU_DEVICE_DISCONNECTED);
  ASSERT_TRUE(target.WaitForMessage(WM_ORU_DEVICE_DISCONNECTED, kHangMs));
  const std::vector<UINT> expected = {WM_ORU_DISABLE_V21, WM_ORU_DISABLE_60S_SPAN, WM_ORU_DEVICE_DISCONNECTED};
  EXPECT_EQ(target.Ids(), expected);
  EXPECT_EQ(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
}

TEST_F(DevicelessThread, StoredFeatureFlagsAreRepeatedForTheFrame) {
  store.firmwareNewA = 1;
  store.firmwareNewB = 1;
  SetNotifyWindow();
  ASSERT_TRUE(target.WaitForCount(2, kHangMs));
  const std::vector<UINT> expected = {WM_ORU_ENABLE_V21, WM_ORU_ENABLE_60S_SPAN};
  EXPECT_EQ(target.Ids(), expected);
}

TEST_F(DevicelessThread, ADownloadWithoutFileOrInstrumentIsAnsweredAsFailed) {
  SetNotifyWindow();
  Post(WM_ORU_DOWNLOAD_FIRMWARE);
  ASSERT_TRUE(target.WaitForMessage(WM_ORU_DOWNLOAD_FIRMWARE, kHangMs));
  store.downloadFilePath.Set("/nonexistent/firmware.mot");
  Post(WM_ORU_DOWNLOAD_FIRMWARE);
  ASSERT_TRUE(target.WaitForCount(WM_ORU_DOWNLOAD_FIRMWARE, 2, kHangMs));
  EXPECT_EQ(store.resyncPending, 0);
  EXPECT_EQ(target.Count(WM_ORU_DOWNLOAD_PROGRESS), 0u);
}

TEST_F(DevicelessThread, RequestsOutsideTheTableAndLoopOnlyRequestsDoNothing) {
  SetNotifyWindow();
  for (UINT id : {WM_ORU_STOP_SIGNAL_TRACE, WM_ORU_STOP_LINE_TEST, WM_ORU_STOP_DTMF_DECODER, WM_ORU_ABORT_DOWNLOAD,
                  WM_ORU_TRACE_DATA_READY, UINT{2100}, UINT{WM_USER}})
    Post(id);
  Post(WM_ORU_DEVICE_DISCONNECTED);
  ASSERT_TRUE(target.WaitForMessage(WM_ORU_DEVICE_DISCONNECTED, kHangMs));
  EXPECT_EQ(target.Count(), 3u);  // the two feature notifications and the answer
}

TEST_F(DevicelessThread, TheExitHandshakeEndsTheThreadAndClearsItsId) {
  HANDLE exitEvent = context.commExitEvent;
  EXPECT_EQ(WaitForSingleObject(exitEvent, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(StopCommThread(context));
  EXPECT_EQ(WaitForSingleObject(exitEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(context.commThreadId, 0u);
  worker.reset();
  // A second stop finds the worker gone at once.
  EXPECT_TRUE(StopCommThread(context));
}

TEST(DevicelessStart, AWorkerStartedBeforeTheEventsExistRunsAndStopsOnceTheyDo) {
  CORUData store;
  LinkContext context(store);
  auto worker = CORUCommThread::Start(context);
  ASSERT_TRUE(worker->WaitForPublishedId(kHangMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  CreateCommExitEvents(context);
  EXPECT_TRUE(StopCommThread(context));
  worker.reset();
  EXPECT_EQ(context.commThreadId, 0u);
  CloseCommExitEvents(context);
}

}  // namespace
