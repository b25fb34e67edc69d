#pragma once

// The lowest layer of the worker: writes one command, reads one reply, reads one stream block and
// posts notifications. Commands are bare ASCII; a reply is whatever one read of at most 64 bytes
// returns, kept as bytes and a length (binary lines hold zero bytes) and, for the text parsers, as
// text up to its first zero byte.

#include <array>
#include <string>
#include <string_view>

#include "link/protocol/LinkContext.h"
#include "link/protocol/OverlappedIo.h"
#include "link/protocol/WorkerLoad.h"
#include "link/protocol/WorkerSignals.h"

// Reply time-outs in milliseconds.
constexpr DWORD kReplyTimeoutMs = 500;     // every command not named below
constexpr DWORD kArmTimeoutMs = 5000;      // CA:0, TC:0
constexpr DWORD kAbortTimeoutMs = 2000;    // CA:2, TC:2 after an abort
constexpr DWORD kTracePollTimeoutMs = 20;  // TC:1
constexpr DWORD kTraceEndTimeoutMs = 200;  // TC:2 at the end of scope polling
constexpr DWORD kDrainTimeoutMs = 100;     // drain reads of a calibration step

class CommTransport {
 public:
  static constexpr std::size_t kReplySize = 64;
  static constexpr std::size_t kBlockSize = CORUData::kStreamBufferSize;
  // How long a command write may take, and a stream block read.
  static constexpr DWORD kWriteTimeoutMs = 500;
  static constexpr DWORD kBlockTimeoutMs = 1000;

  // `load`, when given, counts every command and block read tried.
  CommTransport(LinkContext& context, WorkerSignals& signals, WorkerLoad* load = nullptr);

  // Writes `command` (no terminator). 1 when every byte was written, 0 without a device, on a
  // failed or short write, or when the write does not finish in time (it is cancelled).
  int SendCommand(const std::string& command);

  // Reads one reply into replyBuffer/replyLength and replyText. Without a device: 1 with an empty
  // reply. 0 when nothing arrives within the time-out (the read is cancelled; a reply that arrives
  // during the cancel is still taken) or the read fails.
  int ReadReply(DWORD timeoutMs);

  // Reads one 2560-byte stream block into `buffer` (null: the first intake buffer, zeroed first),
  // switching to the stream pipe and back whatever happens. 1 when the read finished without error
  // within its time.
  int ReadBlock(UCHAR* buffer);

  // Posts to the notification window once it is known; otherwise nothing.
  void Notify(UINT id, WPARAM wParam = 0, LPARAM lParam = 0);

  void CloseDevice();

  std::string_view ReplyBytes() const {
    return std::string_view(reinterpret_cast<const char*>(replyBuffer.data()), replyLength);
  }
  bool ReplyStartsWith(std::string_view prefix) const { return ReplyBytes().starts_with(prefix); }

  LinkContext& Context() { return context_; }
  CORUData& Store() { return context_.dataStore; }
  WorkerSignals& Signals() { return signals_; }

  std::string commandText;
  std::string replyText;
  std::array<UCHAR, kReplySize> replyBuffer{};
  UCHAR replyLength = 0;
  HWND notifyWindow = nullptr;

 private:
  LinkContext& context_;
  WorkerSignals& signals_;
  WorkerLoad* load_;
  OverlappedIo writes_;
  OverlappedIo reads_;
  OverlappedIo blocks_;
};
