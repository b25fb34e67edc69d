#pragma once

// A small function driver for root-enumerated test nodes (not shipped): an FDO over each PDO, the
// device interface kRootTestInterface enabled while started, creates and closes that always
// succeed, PnP and power passed down. Switches refuse a query-remove or fail the next start;
// the log records what it saw.

#include <mutex>
#include <vector>

#include "platform/nt/Wdm.h"

namespace roottest {

inline constexpr const char* kServiceName = "RootTest";
inline constexpr const char* kHardwareId = "ROOT\\ROOTTEST";
constexpr GUID kRootTestInterface = {0x5b0c3e21, 0x44d2, 0x4a7e, {0x8f, 0x10, 0x2c, 0x61, 0x9e, 0x03, 0xa7, 0x5d}};

struct RootTestLog {
  std::mutex mutex;
  int entries = 0;
  int addDevices = 0;
  std::vector<UCHAR> pnpMinors;
  bool refuseQueryRemove = false;
  bool failStart = false;
  void reset();
  std::vector<UCHAR> minors();
};

RootTestLog& rootTestLog();

DRIVER_INITIALIZE RootTestDriverEntry;

}  // namespace roottest
