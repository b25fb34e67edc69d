#pragma once

// A machine with the ORUpc driver installed for the instrument's hardware id, device I/O attached to its kernel, and
// helpers for the program's side of the conversation (CreateFile, overlapped ReadFile and WriteFile, DeviceIoControl).
// Tests run once with the bus completing transfers inline (inside IoCallDriver) and once on its own thread. Tear-down
// closes what is still open, shuts the machine down and expects its checks to be clean: every IRP completed once, no
// pool left, no verifier record.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ScriptedDevice.h"
#include "driver/DeviceExtension.h"
#include "driver/OruInterface.h"
#include "platform/machine/Machine.h"
#include "platform/win32/RecordingWindowTarget.h"
#include "platform/win32/Win32.h"
#include "sim/Instrument.h"

namespace drivertest {

enum class Completion { Inline, Deferred };
std::string CompletionName(const ::testing::TestParamInfo<Completion>& info);

// One overlapped request of the program's kind: its own event, record and buffer.
struct AsyncIo {
  OVERLAPPED overlapped{};
  std::vector<uint8_t> buffer;
  BOOL issued = FALSE;  // what ReadFile/WriteFile returned
  DWORD issueError = 0;
};

class DriverTest : public ::testing::TestWithParam<Completion> {
 protected:
  void SetUp() override;
  void TearDown() override;

  virtual platform::MachineOptions Options() const;
  platform::Machine& M() { return *machine_; }

  ScriptedDevice& NewDevice(std::vector<EndpointDesc> endpoints = InstrumentEndpoints());
  // The simulated instrument on a stepped clock (replies wait for no time unless a fault delays them).
  sim::Instrument& NewInstrument();
  // Plugs the device in and expects the driver's device to start.
  int PlugStarted(usb::UsbDeviceModel& model);
  PDEVICE_OBJECT Fdo() const;
  oru::DeviceExtension* Ext() const;
  std::vector<usb::UrbRecord> Urbs(int port) const { return machine_->bus().requests(port); }

  // A scripted device plugged in and started, opened, in pipe mode `mode`, with the bus records cleared: device_,
  // port_ and h_.
  void StartAndOpen(UCHAR mode = oru::PIPE_MODE_BULK1);
  // Registers `window` for the driver's interface class.
  HDEVNOTIFY WatchInterface(win32::RecordingWindowTarget& window);

  HANDLE Open(bool overlapped = true);
  void Close(HANDLE handle);
  // Synchronous device control; returns the error (0 on success) and the bytes returned.
  DWORD Control(HANDLE handle, DWORD code, const void* input, DWORD inputLength, void* output = nullptr,
                DWORD outputLength = 0, DWORD* returned = nullptr);
  void SetMode(HANDLE handle, UCHAR mode);

  std::unique_ptr<AsyncIo> StartRead(HANDLE handle, DWORD length);
  std::unique_ptr<AsyncIo> StartWrite(HANDLE handle, std::string_view bytes);
  // GetOverlappedResult with waiting: the error (0 on success) and the bytes moved.
  DWORD Finish(HANDLE handle, AsyncIo& io, DWORD* bytes = nullptr);
  // Non-waiting poll: true while the request is still in progress (ERROR_IO_INCOMPLETE).
  bool StillPending(HANDLE handle, AsyncIo& io);
  // Synchronous read or write on an overlapped handle (issue and wait).
  DWORD Read(HANDLE handle, DWORD length, std::string* data);
  DWORD Write(HANDLE handle, std::string_view bytes, DWORD* written = nullptr);
  // A command in mode 1 and its reply from `device` go through.
  void ExpectCommandAnswered(HANDLE handle, ScriptedDevice& device);
  // Requested lengths of the bulk pieces sent to `endpoint`, in order.
  std::vector<ULONG> BulkPieces(int port, UCHAR endpoint) const;

  // Devices outlive the machine that may still call them.
  std::deque<std::unique_ptr<ScriptedDevice>> devices_;
  std::deque<std::unique_ptr<sim::Instrument>> instruments_;
  std::unique_ptr<platform::Machine> machine_;
  std::unique_ptr<win32::DeviceSystemAttachment> attached_;
  ScriptedDevice* device_ = nullptr;
  int port_ = 0;
  HANDLE h_ = nullptr;

  std::mutex mutex_;  // open_ and events_: tests issue requests from several threads
  std::vector<HANDLE> open_;
  std::vector<HANDLE> events_;
};

// Requests of one kind in a bus record list.
std::vector<usb::UrbRecord> Select(const std::vector<usb::UrbRecord>& urbs, ULONG ioControlCode, int function = -1);

}  // namespace drivertest
