// Commands a host should never send still get one error reply each (inputs the fuzzer found),
// and reply faults can be aimed at a later reply.

#include <gtest/gtest.h>

#include "SimTestSupport.h"

using namespace simtest;

namespace {

class HostileCommand : public ::testing::TestWithParam<const char*> {};

TEST_P(HostileCommand, GetsAnErrorReplyAndChangesNothing) {
  sim::Firmware fw;
  const std::string reply = fw.execute(GetParam(), 0);
  EXPECT_TRUE(reply.starts_with("er:")) << reply;
  EXPECT_LE(reply.size(), 64u);
  EXPECT_EQ(fw.execute("VN", 0), "vn:V 1.0.8");
}

INSTANTIATE_TEST_SUITE_P(Commands, HostileCommand, ::testing::Values("DA", "DA\r\n", "DA:", "ST", "ZZ:1", "C", ""));

TEST(ReplyFaults, SkippedRepliesPassAndTheFaultHitsTheNextOne) {
  sim::Instrument inst([] {
    sim::InstrumentOptions o;
    o.clock.mode = sim::TimeMode::Stepped;
    return o;
  }());
  configure(inst);
  inst.withFaults([](sim::FaultPlan& f) {
    f.skipReplies(2);
    f.garbleNextReply(sim::Garble::Prefix);
  });
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
  EXPECT_EQ(command(inst, "GT"), "gt:");
  EXPECT_EQ(command(inst, "VN"), "#n:V 1.0.8");
  EXPECT_EQ(command(inst, "VN"), "vn:V 1.0.8");
}

}  // namespace
