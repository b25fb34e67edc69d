#include "maintenance/calibration/DevelopActions.h"

#include <chrono>
#include <cstdio>

#include "maintenance/calibration/MeterFrameFormat.h"
#include "maintenance/calibration/ReceiveLog.h"

bool DevelopActions::Send(const std::string& text, bool repeat) {
  const int times = repeat ? kDevelopRepeatCount : 1;
  for (int i = 0; i < times; ++i) {
    const DevelopIoResult result = io_.Write(text);
    output_.BytesWritten(result.succeeded ? result.bytes : 0);
    if (!result.succeeded) return false;
  }
  return true;
}

void DevelopActions::Receive() {
  const DevelopIoResult result = io_.Read(kDevelopReadSize, kDevelopReadWaitMs);
  output_.BytesRead(result.succeeded ? result.bytes : 0);
  if (result.succeeded && result.bytes > 0) output_.ListLine(ReceivedText(result.data.data(), result.data.size()));
}

void DevelopActions::DropAnswer() { (void)io_.Read(kDevelopReadSize, kDevelopReadWaitMs); }

bool DevelopActions::DumpFrames() {
  char line[96];
  const auto started = std::chrono::steady_clock::now();
  const DevelopIoResult result = io_.ReadFrames(static_cast<DWORD>(kMeterReadSize), kDevelopFrameWaitMs);
  const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - started;
  std::snprintf(line, sizeof line, "read wait: %1.6f seconds\n", waited.count());
  output_.ListLine(line);
  if (!result.succeeded) {
    std::snprintf(line, sizeof line, "Error %u from ReadFile\n", static_cast<unsigned>(result.error));
    output_.ListLine(line);
    return false;
  }
  std::snprintf(line, sizeof line, "Read %u bytes successfully:\n", static_cast<unsigned>(result.bytes));
  output_.ListLine(line);
  output_.BytesRead(result.bytes);
  for (const std::string& text : FormatMeterFrames(result.data.data(), result.data.size())) output_.ListLine(text);
  return result.bytes > 0;
}

void DevelopActions::DigitalMeter(int line) {
  if (line != 1 && line != 2) return;
  if (Send("DM:" + std::to_string(line), false)) {
    DropAnswer();
    bool more = DumpFrames();
    for (int read = 0; line == 2 && more && read < kMoreFrameReads; ++read) more = DumpFrames();
  }
  if (Send("DM:0", false)) DropAnswer();
}
