#include "link/worker/FirmwareDownload.h"

#include "link/protocol/SRecordLine.h"
#include "link/protocol/WorkerMessages.h"

bool FirmwareRecordAccepted(std::string_view reply) {
  return reply == "da:0:0" || reply == "da:2:1" || reply == "da:8:3";
}

int FirmwareDownload::DownloadFirmware() {
  const std::string path = transport_.Store().downloadFilePath.Get();
  if (path.empty() || !file_.Open(path)) return 0;
  recordNeedsReply_ = false;
  bytesSent_ = 0;
  recordsSent_ = 0;

  int result = 0;
  for (;;) {
    const SRecordFile::Step step = file_.Next();
    if (step == SRecordFile::Step::TooLong) {
      AbortOnInstrument();
      break;
    }
    if (step == SRecordFile::Step::Line || (step == SRecordFile::Step::End && !file_.Line().empty())) {
      if (SendLine(file_.Line(), file_.LineFileBytes()) == LineResult::Failed) break;
    }
    if (step == SRecordFile::Step::End) {
      result = recordsSent_ > 0 ? 1 : 0;
      break;
    }
    if (StopRequested()) {
      AbortOnInstrument();
      break;
    }
  }
  file_.Close();
  return result;
}

FirmwareDownload::LineResult FirmwareDownload::SendLine(const std::string& line, std::size_t fileBytes) {
  if (!transport_.Context().DeviceOpen()) {
    AbortOnInstrument();
    return LineResult::Failed;
  }
  const ULONG address = SRecordAddress(line, recordNeedsReply_);
  // Progress counts the file's bytes, so that it ends at the file's length whatever its line ends.
  bytesSent_ += static_cast<long>(fileBytes);
  if (address >= kFirmwareAddressLimit) {
    transport_.Notify(WM_ORU_DOWNLOAD_PROGRESS, static_cast<WPARAM>(bytesSent_), file_.Length());
    return LineResult::Skipped;
  }
  const int sent = transport_.SendCommand("DA:0:" + line);
  transport_.Notify(WM_ORU_DOWNLOAD_PROGRESS, static_cast<WPARAM>(bytesSent_), file_.Length());
  if (!sent) {
    // A record that did not reach the instrument leaves a hole in the image.
    AbortOnInstrument();
    return LineResult::Failed;
  }
  ++recordsSent_;
  if (recordNeedsReply_) {
    transport_.ReadReply(kReplyTimeoutMs);
    if (!FirmwareRecordAccepted(transport_.replyText)) {
      AbortOnInstrument();
      return LineResult::Failed;
    }
  }
  return LineResult::Sent;
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
