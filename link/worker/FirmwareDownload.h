#pragma once

// Loads new firmware into the instrument from the Motorola S-record file named in the store's
// downloadFilePath, one record per "DA:0:" command, with progress notifications. Only
// WM_ORU_ABORT_DOWNLOAD is taken while it runs; the exit request ends it as an abort does.

#include "link/protocol/CommTransport.h"
#include "link/protocol/DownloadOutcome.h"
#include "link/worker/RequestQueue.h"
#include "link/protocol/SRecordFile.h"

class FirmwareDownload {
 public:
  FirmwareDownload(CommTransport& transport, RequestQueue& queue) : transport_(transport), queue_(queue) {}

  // 1 when the whole file was sent and every answered record was accepted; 0 when there is no
  // file, nothing was sent, the instrument went away, a record was refused, a line is no
  // S-record or longer than the buffer, or the download was aborted. Every failure after the
  // start tells the instrument to drop what it loaded ("DA:0:SX"). Blank lines are not sent.
  int DownloadFirmware();
  // The request 2058 as the worker takes it: the download, the resynchronisation after a
  // success, and notification 2058 with the outcome and the line it names.
  void RunAndReport();
  DownloadOutcome Outcome() const { return outcome_; }
  // The file's line (from 1) the outcome names; 0 for none.
  int OutcomeLine() const { return outcomeLine_; }

 private:
  enum class LineResult { Sent, Skipped, Failed };
  // `fileBytes`: what the line took in the file (its line end may have been made CR LF).
  LineResult SendLine(const std::string& line, std::size_t fileBytes);
  // Ends the download with `outcome`, telling the instrument to drop what it loaded.
  void Fail(DownloadOutcome outcome, int line);
  void AbortOnInstrument();
  // True when the download must stop (an abort request or the exit request).
  bool StopRequested();

  CommTransport& transport_;
  RequestQueue& queue_;
  SRecordFile file_;
  bool recordNeedsReply_ = false;
  long bytesSent_ = 0;
  int recordsSent_ = 0;
  int lineNumber_ = 0;
  DownloadOutcome outcome_ = DownloadOutcome::Done;
  int outcomeLine_ = 0;
};

// "da:" answers that accept a record.
bool FirmwareRecordAccepted(std::string_view reply);
