#include "link/worker/FirmwareDownload.h"

#include "link/protocol/SRecordLine.h"
#include "link/protocol/WorkerMessages.h"

bool FirmwareRecordAccepted(std::string_view reply) {
  return reply == "da:0:0" || reply == "da:2:1" || reply == "da:8:3";
}

void FirmwareDownload::RunAndReport() {
  if (DownloadFirmware()) transport_.Store().resyncPending = 1;
  transport_.Notify(WM_ORU_DOWNLOAD_FIRMWARE, static_cast<WPARAM>(outcome_), static_cast<LPARAM>(outcomeLine_));
}

int FirmwareDownload::DownloadFirmware() {
  outcome_ = DownloadOutcome::NoFile;
  outcomeLine_ = 0;
  const std::string path = transport_.Store().downloadFilePath.Get();
  if (path.empty() || !file_.Open(path)) return 0;
  outcome_ = DownloadOutcome::Done;
  recordNeedsReply_ = false;
  bytesSent_ = 0;
  recordsSent_ = 0;
  lineNumber_ = 0;

  int result = 0;
  for (;;) {
    const SRecordFile::Step step = file_.Next();
    if (step == SRecordFile::Step::TooLong) {
      Fail(DownloadOutcome::NotSRecords, lineNumber_ + 1);
      break;
    }
    if (step == SRecordFile::Step::Line || (step == SRecordFile::Step::End && !file_.Line().empty())) {
      ++lineNumber_;
      if (SendLine(file_.Line(), file_.LineFileBytes()) == LineResult::Failed) break;
    }
    if (step == SRecordFile::Step::End) {
      if (recordsSent_ > 0)
        result = 1;
      else
        outcome_ = DownloadOutcome::NothingToSend;
      break;
    }
    if (StopRequested()) {
      Fail(DownloadOutcome::Aborted, 0);
      break;
    }
  }
  file_.Close();
  return result;
}

FirmwareDownload::LineResult FirmwareDownload::SendLine(const std::string& line, std::size_t fileBytes) {
  if (!transport_.Context().DeviceOpen()) {
    Fail(DownloadOutcome::InstrumentLost, lineNumber_);
    return LineResult::Failed;
  }
  // Text that is no record never goes to the instrument's loader: a wrong file stops there, and
  // what went before it is dropped.
  const bool blank = IsBlankLine(line);
  if (!blank && !IsSRecordText(line)) {
    Fail(DownloadOutcome::NotSRecords, lineNumber_);
    return LineResult::Failed;
  }
  const ULONG address = SRecordAddress(line, recordNeedsReply_);
  // Progress counts the file's bytes, so that it ends at the file's length whatever its line ends.
  bytesSent_ += static_cast<long>(fileBytes);
  if (address >= kFirmwareAddressLimit || blank) {
    transport_.Notify(WM_ORU_DOWNLOAD_PROGRESS, static_cast<WPARAM>(bytesSent_), file_.Length());
    return LineResult::Skipped;
  }
  const int sent = transport_.SendCommand("DA:0:" + line);
  transport_.Notify(WM_ORU_DOWNLOAD_PROGRESS, static_cast<WPARAM>(bytesSent_), file_.Length());
  if (!sent) {
    // A record that did not reach the instrument leaves a hole in the image.
    Fail(DownloadOutcome::InstrumentLost, lineNumber_);
    return LineResult::Failed;
  }
  ++recordsSent_;
  if (recordNeedsReply_) {
    transport_.ReadReply(kReplyTimeoutMs);
    if (!FirmwareRecordAccepted(transport_.replyText)) {
      Fail(DownloadOutcome::Refused, lineNumber_);
      return LineResult::Failed;
    }
  }
  return LineResult::Sent;
}

void FirmwareDownload::Fail(DownloadOutcome outcome, int line) {
  outcome_ = outcome;
  outcomeLine_ = line;
  AbortOnInstrument();
}

void FirmwareDownload::AbortOnInstrument() {
  if (transport_.SendCommand("DA:0:SX")) transport_.ReadReply(kReplyTimeoutMs);
}

bool FirmwareDownload::StopRequested() {
  MSG message{};
  if (queue_.Take(message)) {
    if (message.message == WM_ORU_ABORT_DOWNLOAD) return true;
    queue_.Drop(message);
    return false;
  }
  return transport_.Signals().ExitRequested();
}
