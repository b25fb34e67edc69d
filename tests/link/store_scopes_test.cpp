#include <gtest/gtest.h>

#include <future>
#include <type_traits>
#include <utility>

#include "link/store/LinkAccess.h"

// What a caller may do through a scope: the compiler answers. A reader that takes a const scope
// cannot change what it reads, the configuration changes only through the data scope, and no
// scope can be made or copied outside the store.
template <typename Scope>
concept WritesRecords = requires(Scope& capture) {
  capture.captureBuffer().Add(CCaptBuf());
};
template <typename Scope>
concept MovesTheMarker = requires(Scope& capture) {
  capture.currentRecordIndex() = 1;
};
template <typename Scope>
concept WritesSamples = requires(Scope& trace) {
  trace.traceSamples().Add(1);
};
template <typename Scope>
concept ChangesTheConfiguration = requires(Scope& scope) {
  scope.sysCfg().standard = 1;
};

static_assert(WritesRecords<CaptureScope> && !WritesRecords<const CaptureScope>);
static_assert(MovesTheMarker<CaptureScope> && !MovesTheMarker<const CaptureScope>);
static_assert(WritesSamples<TraceScope> && !WritesSamples<const TraceScope>);
static_assert(ChangesTheConfiguration<DataScope> && !ChangesTheConfiguration<const DataScope>);
static_assert(!ChangesTheConfiguration<CaptureScope> && !ChangesTheConfiguration<TraceScope>);
static_assert(!std::is_copy_constructible_v<CaptureScope> && !std::is_move_constructible_v<TraceScope> &&
              !std::is_constructible_v<DataScope, StoreFields&>);
// A const store hands out const scopes only.
static_assert(std::is_same_v<decltype(*std::declval<const CORUData&>().HoldCapture()), const CaptureScope&>);
static_assert(std::is_same_v<decltype(*std::declval<const CORUData&>().HoldTrace()), const TraceScope&>);

namespace {

// Whether another thread finds dataMutex free; it lets go at once if it got it.
bool FreeForAnotherThread(CORUData& store) {
  return std::async(std::launch::async,
                    [&store] {
                      std::recursive_mutex& lock = LinkFields(store).dataMutex;
                      if (!lock.try_lock()) return false;
                      lock.unlock();
                      return true;
                    })
      .get();
}

}  // namespace

TEST(StoreScopes, AHeldScopeKeepsTheLockUntilItEndsOrLetsGo) {
  CORUData store;
  ASSERT_TRUE(FreeForAnotherThread(store));
  {
    auto capture = store.HoldCapture();
    EXPECT_FALSE(FreeForAnotherThread(store));
    capture->captureBuffer().Add(CCaptBuf(1, 0, 0, 0));
    // The decoder's step: let go while records are built, take it again to append them.
    capture.unlock();
    EXPECT_TRUE(FreeForAnotherThread(store));
    capture.lock();
    EXPECT_FALSE(FreeForAnotherThread(store));
    // The scopes share the one lock: the trace is reachable on the same thread meanwhile.
    EXPECT_EQ(store.WithTrace([](const TraceScope& trace) { return trace.traceSamples().GetSize(); }), 0);
  }
  EXPECT_TRUE(FreeForAnotherThread(store));
  {
    const auto data = std::as_const(store).HoldData();
    EXPECT_FALSE(FreeForAnotherThread(store));
  }
  EXPECT_TRUE(FreeForAnotherThread(store));
  EXPECT_EQ(store.WithCapture([](const CaptureScope& capture) { return capture.captureBuffer().GetSize(); }), 1);
}
