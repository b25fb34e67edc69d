#include <algorithm>

#include "WorkerRig.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

// The instrument keeps three traces; a recall request for a higher slot reads the measured
// values as every recall does, and must never reach the instrument as "RT:n".
class TraceRecallBound : public WorkerRig, public ::testing::WithParamInterface<int> {};

TEST_P(TraceRecallBound, SlotBeyondTheThreeTracesSendsNoRecall) {
  sim::InstrumentOptions options = PerCommandOptions(100);
  options.prefillMemory = true;
  StartConnected(options);
  const std::size_t before = CommandCount();
  Post(WM_ORU_RECALL_TRACE, static_cast<WPARAM>(GetParam()));
  // The last valid slot afterwards: its end notification marks that the first request is done.
  Post(WM_ORU_RECALL_TRACE, 3);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_TRACE_RECALL_DONE, kHangMs));
  const Texts sent = CommandsSince(before);
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(Texts(sent.begin(), sent.begin() + 3), (Texts{"GC:18:19", "GC:18:19", "RT:3"}));
  const std::string refused = "RT:" + std::to_string(GetParam());
  EXPECT_EQ(std::count(sent.begin(), sent.end(), refused), 0);
  EXPECT_EQ(notes.Count(WM_ORU_TRACE_RECALL_DONE), 1u);
  std::lock_guard guard(LinkFields(store).dataMutex);
  EXPECT_GT(LinkFields(store).traceSamples.GetSize(), 0);  // slot 3 downloaded
}

INSTANTIATE_TEST_SUITE_P(Slots, TraceRecallBound, ::testing::Values(0, 4, 5, 9, 10));

}  // namespace
}  // namespace e2e
