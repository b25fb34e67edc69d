// The capability flags and wake state the driver derives from the device-state table.

#include <gtest/gtest.h>

#include "driver/PowerCapabilities.h"

namespace {

DEVICE_CAPABILITIES
Caps(DEVICE_POWER_STATE s1, DEVICE_POWER_STATE s2, DEVICE_POWER_STATE s3, DEVICE_POWER_STATE wake,
     SYSTEM_POWER_STATE systemWake = PowerSystemUnspecified) {
  DEVICE_CAPABILITIES caps{};
  caps.Size = sizeof caps;
  caps.Version = 1;
  caps.DeviceState[PowerSystemWorking] = PowerDeviceD0;
  caps.DeviceState[PowerSystemSleeping1] = s1;
  caps.DeviceState[PowerSystemSleeping2] = s2;
  caps.DeviceState[PowerSystemSleeping3] = s3;
  caps.DeviceState[PowerSystemHibernate] = PowerDeviceD3;
  caps.DeviceState[PowerSystemShutdown] = PowerDeviceD3;
  caps.DeviceWake = wake;
  caps.SystemWake = systemWake;
  return caps;
}

TEST(PowerCapabilities, WakeFromD2MarksD2AndPicksTheDeepestSleepThatKeepsIt) {
  DEVICE_CAPABILITIES caps = Caps(PowerDeviceD3, PowerDeviceD3, PowerDeviceD2, PowerDeviceD2);
  oru::AdjustPowerCapabilities(&caps);
  EXPECT_TRUE(caps.WakeFromD2);
  EXPECT_TRUE(caps.DeviceD2);
  EXPECT_FALSE(caps.WakeFromD1);
  EXPECT_FALSE(caps.WakeFromD3);
  EXPECT_FALSE(caps.DeviceD1);
  EXPECT_EQ(caps.SystemWake, PowerSystemSleeping3);
}

TEST(PowerCapabilities, SleepStatesInD1OrD2SetTheirFlags) {
  DEVICE_CAPABILITIES caps = Caps(PowerDeviceD1, PowerDeviceD2, PowerDeviceD3, PowerDeviceUnspecified);
  oru::AdjustPowerCapabilities(&caps);
  EXPECT_TRUE(caps.DeviceD1);
  EXPECT_TRUE(caps.DeviceD2);
  EXPECT_FALSE(caps.WakeFromD0 || caps.WakeFromD1 || caps.WakeFromD2 || caps.WakeFromD3);
  // No wake state deeper than D0: the system wake state is left alone.
  EXPECT_EQ(caps.SystemWake, PowerSystemUnspecified);
}

TEST(PowerCapabilities, TheSystemWakeSearchSkipsStatesDeeperThanTheWakeState) {
  DEVICE_CAPABILITIES caps = Caps(PowerDeviceD1, PowerDeviceD3, PowerDeviceD3, PowerDeviceD1);
  oru::AdjustPowerCapabilities(&caps);
  EXPECT_TRUE(caps.WakeFromD1);
  EXPECT_TRUE(caps.DeviceD1);
  EXPECT_EQ(caps.SystemWake, PowerSystemSleeping1);
}

TEST(PowerCapabilities, AGivenSystemWakeAddsTheFlagsOfItsDeviceStateAndStays) {
  DEVICE_CAPABILITIES caps = Caps(PowerDeviceD2, PowerDeviceD3, PowerDeviceD3, PowerDeviceD0, PowerSystemSleeping1);
  oru::AdjustPowerCapabilities(&caps);
  EXPECT_TRUE(caps.WakeFromD0);
  EXPECT_TRUE(caps.WakeFromD2);
  EXPECT_TRUE(caps.DeviceD2);
  EXPECT_EQ(caps.SystemWake, PowerSystemSleeping1);
}

TEST(PowerCapabilities, WakeFromD3WithNoTableEntryLeavesTheSystemWakeUnset) {
  DEVICE_CAPABILITIES caps =
      Caps(PowerDeviceUnspecified, PowerDeviceUnspecified, PowerDeviceUnspecified, PowerDeviceD3);
  caps.DeviceState[PowerSystemWorking] = PowerDeviceUnspecified;
  oru::AdjustPowerCapabilities(&caps);
  EXPECT_TRUE(caps.WakeFromD3);
  EXPECT_EQ(caps.SystemWake, PowerSystemUnspecified);
}

TEST(PowerCapabilities, ASystemWakeOutsideTheTableIsNotLookedUp) {
  DEVICE_CAPABILITIES caps =
      Caps(PowerDeviceD3, PowerDeviceD3, PowerDeviceD3, PowerDeviceUnspecified, PowerSystemMaximum);
  oru::AdjustPowerCapabilities(&caps);
  EXPECT_FALSE(caps.WakeFromD0 || caps.WakeFromD1 || caps.WakeFromD2 || caps.WakeFromD3);
  EXPECT_EQ(caps.SystemWake, PowerSystemMaximum);
}

}  // namespace
