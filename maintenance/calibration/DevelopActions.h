#pragma once

// The development dialog's device buttons without their widgets: Send (once or "1000 times"),
// Receive and the digital meter's frame dump. What they show goes to a DevelopOutput: lines for
// the top of the receive list and the two byte counters.

#include <string>

#include "maintenance/calibration/DevelopDeviceIo.h"

class DevelopOutput {
 public:
  virtual ~DevelopOutput() = default;
  virtual void ListLine(const std::string& text) = 0;
  virtual void BytesWritten(DWORD count) = 0;
  virtual void BytesRead(DWORD count) = 0;
};

class DevelopActions {
 public:
  DevelopActions(DevelopDeviceIo& io, DevelopOutput& output) : io_(io), output_(output) {}

  // Writes `text` once, or kDevelopRepeatCount times, stopping at the first write that fails.
  // True when every write succeeded.
  bool Send(const std::string& text, bool repeat);
  // One read of up to 64 bytes; after its bound "Bytes read: 0".
  void Receive();
  // "DM:1" (line 1) or "DM:2" (line 2, which goes on reading while frames come), the frames
  // dumped, then "DM:0". Each "dm" answer is read and dropped, so the worker's next command reads
  // its own reply.
  void DigitalMeter(int line);

  static constexpr int kMoreFrameReads = 20;

 private:
  // One frame read and its dump; true when it returned data.
  bool DumpFrames();
  void DropAnswer();

  DevelopDeviceIo& io_;
  DevelopOutput& output_;
};
