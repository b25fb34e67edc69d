// Out of memory on every path that allocates: each request fails with STATUS_INSUFFICIENT_RESOURCES
// (ERROR_NO_SYSTEM_RESOURCES), what was built is freed, and the driver goes on working once memory is back. Tear-down's
// pool check catches any block left.

#include "DriverFixture.h"
#include "platform/nt/KernelPool.h"

namespace drivertest {
namespace {

class ResourceFailure : public DriverTest {
 protected:
  void StartDevice() { StartAndOpen(); }
  nt::Pool& Pool() { return M().kernel().pool(); }
  // The device still answers a command after the failure.
  void ExpectWorking() { ExpectCommandAnswered(h_, *device_); }
};

TEST_P(ResourceFailure, TheDriverDoesNotLoadWithoutItsRegistryPathCopy) {
  Pool().failTag(oru::kTagRegistryPath);
  ScriptedDevice& device = NewDevice();
  int port = M().plug(device);
  Pool().clearFailures();
  EXPECT_EQ(M().device(port).state, nt::DevNodeState::NoDriver);
  EXPECT_EQ(M().driver(oru::kServiceName), nullptr);
}

TEST_P(ResourceFailure, StartFailsWithoutMemoryForTheConfigurationDescriptor) {
  Pool().failTag(oru::kTagConfiguration);
  ScriptedDevice& device = NewDevice();
  int port = M().plug(device);
  Pool().clearFailures();
  EXPECT_EQ(M().device(port).state, nt::DevNodeState::StartFailed);
  EXPECT_EQ(M().device(port).problem, STATUS_INSUFFICIENT_RESOURCES);
}

TEST_P(ResourceFailure, ABulkRequestWithoutItsContextFailsAndTheQueueMovesOn) {
  StartDevice();
  Pool().failTag(oru::kTagBulkContext);
  auto first = StartRead(h_, 64);
  auto second = StartWrite(h_, "VN");
  EXPECT_EQ(Finish(h_, *first), DWORD(ERROR_NO_SYSTEM_RESOURCES));
  EXPECT_EQ(Finish(h_, *second), DWORD(ERROR_NO_SYSTEM_RESOURCES));
  Pool().clearFailures();
  ExpectWorking();
}

TEST_P(ResourceFailure, APieceThatCannotBeMappedFailsItsRequest) {
  StartDevice();
  M().kernel().failMappings(1);
  EXPECT_EQ(Write(h_, "CA:1"), DWORD(ERROR_NO_SYSTEM_RESOURCES));
  EXPECT_TRUE(device_->bulkOutBytes(0x01).empty());
  ExpectWorking();
}

TEST_P(ResourceFailure, AnIsochronousReadFreesWhatItBuiltWhenASubRequestCannotBeMade) {
  StartDevice();
  SetMode(h_, oru::PIPE_MODE_ISO_IN);
  M().bus().clearRequests(port_);
  // The context is the first block with this tag; the second sub-request's request block is the third.
  Pool().failNth(3, oru::kTagIsoContext);
  std::string data;
  EXPECT_EQ(Read(h_, 40000, &data), DWORD(ERROR_NO_SYSTEM_RESOURCES));
  Pool().clearFailures();
  EXPECT_TRUE(Select(Urbs(port_), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_ISOCH_TRANSFER).empty());
  EXPECT_EQ(Pool().usage(oru::kTagIsoContext).liveBlocks, 0u);

  Pool().failTag(oru::kTagIsoContext);
  EXPECT_EQ(Read(h_, 2560, &data), DWORD(ERROR_NO_SYSTEM_RESOURCES));
  Pool().clearFailures();
  ASSERT_EQ(Read(h_, 2560, &data), 0u);
  EXPECT_EQ(data.size(), 2560u);
  ExpectWorking();
}

TEST_P(ResourceFailure, APowerRequestWithoutItsContextIsRefused) {
  StartDevice();
  Pool().failTag(oru::kTagPowerContext);
  EXPECT_FALSE(M().sleep());
  Pool().clearFailures();
  EXPECT_EQ(Ext()->systemPower, PowerSystemWorking);
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD0);
  ASSERT_TRUE(M().sleep());
  M().wake();
  ExpectWorking();
}

INSTANTIATE_TEST_SUITE_P(Bus, ResourceFailure, ::testing::Values(Completion::Inline, Completion::Deferred),
                         CompletionName);

}  // namespace
}  // namespace drivertest
