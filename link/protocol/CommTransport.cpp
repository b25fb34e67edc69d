#include "link/protocol/CommTransport.h"

#include <algorithm>
#include <cstring>

#include "link/protocol/CommStruct.h"
#include "link/protocol/InstrumentDevice.h"
#include "platform/win32/DeviceIo.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/WindowTarget.h"

namespace {

// Reads ask for 64 bytes into a larger slot, so a completion that reports too much cannot run
// past the buffer before it is rejected.
constexpr std::size_t kReadSlotSize = 2 * CommTransport::kReplySize;

}  // namespace

CommTransport::CommTransport(LinkContext& context, WorkerSignals& signals, WorkerLoad* load)
    : context_(context),
      signals_(signals),
      load_(load),
      writes_(signals, 0),
      reads_(signals, kReadSlotSize),
      blocks_(signals, kBlockSize) {}

int CommTransport::SendCommand(const std::string& command) {
  if (load_ != nullptr) ++load_->requestsTried;
  HANDLE device = context_.deviceHandle;
  if (device == INVALID_HANDLE_VALUE) return 0;
  CORUCommStruct record;
  record.SetCommand(command, std::string());
  commandText = record.commandText;

  IoSlot& slot = writes_.Prepare();
  slot.buffer.assign(commandText.begin(), commandText.end());
  const DWORD length = static_cast<DWORD>(slot.buffer.size());
  DWORD written = 0;
  IoOutcome outcome = WriteFile(device, slot.buffer.data(), length, &written, &slot.overlapped)
                          ? writes_.Completed(device)
                          : writes_.Finish(device, kWriteTimeoutMs);
  return outcome.inTime && outcome.succeeded && outcome.bytes == length ? 1 : 0;
}

int CommTransport::ReadReply(DWORD timeoutMs) {
  replyText.clear();
  replyLength = 0;
  HANDLE device = context_.deviceHandle;
  if (device == INVALID_HANDLE_VALUE) return 1;

  IoSlot& slot = reads_.Prepare();
  DWORD got = 0;
  IoOutcome outcome = ReadFile(device, slot.buffer.data(), kReplySize, &got, &slot.overlapped)
                          ? reads_.Completed(device)
                          : reads_.Finish(device, timeoutMs);
  if (!outcome.succeeded || outcome.bytes == 0 || outcome.bytes > kReplySize) return 0;
  replyLength = static_cast<UCHAR>(outcome.bytes);
  std::memcpy(replyBuffer.data(), slot.buffer.data(), replyLength);
  const auto bytes = ReplyBytes();
  replyText.assign(bytes.substr(0, bytes.find('\0')));
  return 1;
}

int CommTransport::ReadBlock(UCHAR* buffer) {
  if (load_ != nullptr) ++load_->requestsTried;
  if (buffer == nullptr) {
    buffer = Store().StreamBuffer(0);
    std::memset(buffer, 0, kBlockSize);
  }
  HANDLE device = context_.deviceHandle;
  if (device == INVALID_HANDLE_VALUE) return 0;
  SetPipeMode(device, oru::PIPE_MODE_ISO_IN);
  IoSlot& slot = blocks_.Prepare();
  DWORD got = 0;
  IoOutcome outcome = ReadFile(device, slot.buffer.data(), kBlockSize, &got, &slot.overlapped)
                          ? blocks_.Completed(device)
                          : blocks_.Finish(device, kBlockTimeoutMs);
  SetPipeMode(device, oru::PIPE_MODE_BULK1);
  if (outcome.succeeded) std::memcpy(buffer, slot.buffer.data(), std::min<std::size_t>(outcome.bytes, kBlockSize));
  return outcome.inTime && outcome.succeeded ? 1 : 0;
}

void CommTransport::Notify(UINT id, WPARAM wParam, LPARAM lParam) {
  if (notifyWindow != nullptr) PostMessage(notifyWindow, id, wParam, lParam);
}

void CommTransport::CloseDevice() {
  HANDLE device = context_.deviceHandle.exchange(INVALID_HANDLE_VALUE);
  if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
}
