#pragma once

// A line capture on the instrument: CA:0 arms it, CA:1 polls it from the worker's idle step, CA:2
// stops it; TN reads the closing text of a finished call. In multiple-session mode a finished call
// re-arms the capture for the next one; the capture reads as armed from the call's end on.

#include "link/protocol/CaptureDecoder.h"
#include "link/protocol/CommTransport.h"
#include "link/protocol/ConfigCommands.h"
#include "link/worker/RequestQueue.h"

class CaptureSession {
 public:
  CaptureSession(CommTransport& transport, RequestQueue& queue, ConfigCommands& config, WorkerClock clock);

  // WM_ORU_START_CAPTURE: arms the capture. The result of the reply read.
  int StartCapture();

  // WM_ORU_ABORT_CAPTURE, and the worker's exit during a capture: the user ends the capture.
  int AbortCapture();

  // Stops the capture on the instrument; reason 1 = the user aborts, 0 = on-hook or reset.
  int StopCapture(int reason);

  // One idle step while the capture is armed or running: polls until nothing new comes, then
  // rests. Takes WM_ORU_ABORT_CAPTURE and WM_ORU_SET_CONFIG meanwhile; drops everything else.
  int PollCapture();

  // TN: the closing text of the call into `header.endText`; 1 when the reply starts "tn:".
  int ReadHeaderName(CORUCaptureHeader& header);

  CaptureDecoder& Decoder() { return decoder_; }

 private:
  static constexpr DWORD kPollRestMs = 500;
  static constexpr DWORD kCallEndPauseMs = 200;

  int Arm(bool rearm);
  // Decodes the reply in the transport and carries out a call's end. Only an answer to a poll may
  // re-arm, so the re-arm never nests inside a stop or a start.
  int DecodeReply(int reason, bool mayRearm);
  int EndCall(int reason);
  int RearmAfterCall();
  // CA:2 between two calls of a multiple-session capture, which stays armed throughout.
  void StopBetweenCalls();
  void SetLastEndText();

  CommTransport& transport_;
  RequestQueue& queue_;
  ConfigCommands& config_;
  CORUData& store_;
  CaptureDecoder decoder_;
};
