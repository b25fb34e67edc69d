#pragma once

// A machine with the loop test driver installed for the loopback device's hardware id, user-mode
// device I/O attached to it, and the three ways the bus can run. The destructor closes what the
// test left open, shuts the machine down and expects its verifier log to be empty.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LoopDriver.h"
#include "LoopbackDevice.h"
#include "platform/machine/Machine.h"
#include "platform/win32/Win32.h"

namespace looptest {

enum class BusMode { Deterministic, Deferred, Inline };

inline std::string modeName(const testing::TestParamInfo<BusMode>& info) {
  switch (info.param) {
    case BusMode::Deterministic:
      return "Deterministic";
    case BusMode::Deferred:
      return "Deferred";
    case BusMode::Inline:
      return "Inline";
  }
  return "?";
}

inline platform::MachineOptions optionsFor(BusMode mode) {
  if (mode == BusMode::Deterministic) return platform::MachineOptions::deterministic();
  platform::MachineOptions options;
  options.bus.inlineCompletion = mode == BusMode::Inline;
  return options;
}

constexpr const char* kLoopHardwareId = "USB\\VID_1234&PID_5678";
constexpr DWORD kWaitMs = 10000;  // only a hang takes this long

class LoopRig {
 public:
  explicit LoopRig(BusMode mode, platform::MachineOptions options)
      : mode(mode), machine(std::make_unique<platform::Machine>(options)) {
    loopLog().reset();
    machine->installDriver(kLoopHardwareId, "LoopTest", LoopDriverEntry);
    attached = std::make_unique<win32::DeviceSystemAttachment>(machine->kernel());
  }
  explicit LoopRig(BusMode mode) : LoopRig(mode, optionsFor(mode)) {}

  ~LoopRig() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    if (event) CloseHandle(event);
    attached.reset();
    std::vector<nt::VerifierRecord> records = machine->shutdown();
    std::string text;
    std::vector<nt::Violation> kinds;
    for (const auto& r : records) {
      text += std::string(nt::violationName(r.kind)) + ": " + r.text + "\n";
      kinds.push_back(r.kind);
    }
    EXPECT_EQ(kinds, expectedViolations) << text;
  }

  bool deterministic() const { return mode == BusMode::Deterministic; }

  int plug() {
    port = machine->plug(device);
    return port;
  }

  HANDLE open() {
    handle = CreateFile("\\\\.\\LoopTest", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
    return handle;
  }

  OVERLAPPED overlapped() {
    if (!event) event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED o{};
    o.hEvent = event;
    return o;
  }

  // Lets the bus move (deterministic buses are pumped) and tells whether the request finished.
  bool finished(OVERLAPPED& o, DWORD waitMs = kWaitMs) {
    if (deterministic()) {
      machine->bus().pump();
      machine->kernel().runWorkItems();
      machine->pnp().runPending();
      return WaitForSingleObject(o.hEvent, 0) == WAIT_OBJECT_0;
    }
    return WaitForSingleObject(o.hEvent, waitMs) == WAIT_OBJECT_0;
  }

  // Advances the frame clock far enough for `frames` frames (deterministic) or waits.
  bool framesPassed(OVERLAPPED& o, unsigned frames) {
    if (deterministic()) {
      machine->bus().runFrames(frames);
      return WaitForSingleObject(o.hEvent, 0) == WAIT_OBJECT_0;
    }
    return WaitForSingleObject(o.hEvent, kWaitMs) == WAIT_OBJECT_0;
  }

  // Starts an isochronous read; false when it failed before reaching the driver.
  bool startIsoRead(const IsoReadRequest& request, IsoReadResult* result, OVERLAPPED& o) {
    return DeviceIoControl(handle, IOCTL_LOOP_ISO_READ, const_cast<IsoReadRequest*>(&request), sizeof request, result,
                           sizeof *result, nullptr, &o) ||
           GetLastError() == ERROR_IO_PENDING;
  }

  BOOL control(ULONG code, const void* in, DWORD inLength, void* out, DWORD outLength, DWORD* returned) {
    DWORD n = 0;
    BOOL ok = DeviceIoControl(handle, code, const_cast<void*>(in), inLength, out, outLength, &n, nullptr);
    if (returned) *returned = n;
    return ok;
  }

  BusMode mode;
  LoopbackDevice device;  // outlives the machine
  std::unique_ptr<platform::Machine> machine;
  std::unique_ptr<win32::DeviceSystemAttachment> attached;
  int port = 0;
  HANDLE handle = INVALID_HANDLE_VALUE;
  HANDLE event = nullptr;
  // What a deliberately wrong driver provokes, in order; tear-down expects exactly these.
  std::vector<nt::Violation> expectedViolations;
};

}  // namespace looptest
