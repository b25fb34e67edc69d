#pragma once

// Turns every reply of the capture commands (CA:0, CA:1, CA:2) into records of captureBuffer,
// headers of captureHeaders and the run flags, under dataMutex. What a finished call needs on the
// wire (the closing text, the re-arm) is left to the capture session, told by `callEnd`.

#include <string_view>

#include "link/protocol/CaptureTimeStamps.h"
#include "link/protocol/CommTransport.h"
#include "link/protocol/WorkerClock.h"

// Why the capture ended, as the control panel shows it (string 800 + code).
constexpr int CAPTURE_END_NONE = 0;
constexpr int CAPTURE_END_ABORTED = 1;
constexpr int CAPTURE_END_COMPLETE = 9;
constexpr int CAPTURE_END_ERROR_BASE = 10;  // "ce:" n gives 10 + n

// The control panel's text of an end code, or null for a code outside 0..15.
const char* CaptureEndText(int code);

// Announces the end of a capture with WM_ORU_ABORT_CAPTURE, wParam the capture's number (its
// RunState::captureNumber). Only the worker starts captures, so when the worker announces an end
// the number in the run state is the one of the capture that ended.
void NotifyCaptureEnded(CommTransport& transport);

enum class CallEnd {
  None,      // no call ended with this reply
  Single,    // the call ended: closing text, then the capture ends
  Multiple,  // the call ended in multiple-session mode with data flowing: re-arm for the next
};

struct CaptureDecode {
  int result = 0;  // 1 = go on polling, 0 = this polling step (or the capture) has ended
  CallEnd callEnd = CallEnd::None;
};

class CaptureDecoder {
 public:
  CaptureDecoder(CommTransport& transport, WorkerClock clock);

  // One reply; `reason` non-zero (the usual case) lets the end of a capture be announced with
  // WM_ORU_ABORT_CAPTURE, 0 (the line went on-hook, or the worker resets) keeps quiet.
  CaptureDecode Decode(std::string_view reply, int reason);

  // The header last made (its endText is what TN set).
  const CORUCaptureHeader& captureHeader() const { return captureHeader_; }
  const CaptureTimeStamps& timeStamps() const { return timeStamps_; }

 private:
  CaptureDecode DecodeState(std::string_view reply, int reason);
  CaptureDecode DecodeCallData(std::string_view reply);
  CaptureDecode DecodeError(std::string_view reply, int reason);
  CaptureDecode DecodeBinary(std::string_view reply);
  // Appends a new event and ends the wait for the trigger; `running` also marks the capture running.
  void MakeHeader(const std::string& name, const std::string& date, const std::string& time, bool running);
  void AppendTextItems(std::string_view reply);
  void MarkModified();
  bool DocumentOpen() const;

  CommTransport& transport_;
  CORUData& store_;
  WorkerClock clock_;
  CaptureTimeStamps timeStamps_;
  CORUCaptureHeader captureHeader_;
};
