#include "sim/CommandPort.h"

#include <algorithm>

namespace sim {

std::optional<CommandPort::Command> CommandPort::receive(std::span<const uint8_t> packet) {
  if (packet.empty()) return endHeldCommand();
  if (!tooLong_) {
    pending_.append(packet.begin(), packet.end());
    if (pending_.size() > kMaxCommand) {
      tooLong_ = true;
      pending_.resize(2);  // keep the name for the error reply
    }
  }
  // The last two bytes of the whole command, also once a too-long one is cut.
  for (uint8_t byte : packet.last(std::min<size_t>(2, packet.size()))) {
    lastTwo_[0] = lastTwo_[1];
    lastTwo_[1] = static_cast<char>(byte);
  }
  const bool lineEnd = (lastTwo_[0] == '\r' && lastTwo_[1] == '\n') || (lastTwo_[0] == '\n' && lastTwo_[1] == '\r');
  if (packet.size() < kBulkPacket || lineEnd) return take();
  return std::nullopt;
}

CommandPort::Command CommandPort::take() {
  Command c{std::move(pending_), tooLong_};
  pending_.clear();
  tooLong_ = false;
  lastTwo_[0] = lastTwo_[1] = '\0';
  return c;
}

std::optional<CommandPort::Command> CommandPort::endHeldCommand() {
  if (pending_.empty()) return std::nullopt;
  return take();
}

std::vector<std::string> CommandPort::takeUnread() {
  std::vector<std::string> out(replies_.begin(), replies_.end());
  replies_.clear();
  offset_ = 0;
  zeroLengthDue_ = false;
  return out;
}

std::optional<std::vector<uint8_t>> CommandPort::nextPacket(size_t maxPacket, bool zeroLengthAfterFull) {
  if (zeroLengthDue_) {
    zeroLengthDue_ = false;
    return std::vector<uint8_t>{};
  }
  if (replies_.empty() || maxPacket == 0) return std::nullopt;
  const std::string& head = replies_.front();
  size_t n = std::min(maxPacket, head.size() - offset_);
  std::vector<uint8_t> packet(head.begin() + static_cast<std::ptrdiff_t>(offset_),
                              head.begin() + static_cast<std::ptrdiff_t>(offset_ + n));
  offset_ += n;
  if (offset_ >= head.size()) {
    zeroLengthDue_ = zeroLengthAfterFull && n == maxPacket;
    replies_.pop_front();
    offset_ = 0;
  }
  return packet;
}

void CommandPort::clear() {
  pending_.clear();
  tooLong_ = false;
  lastTwo_[0] = lastTwo_[1] = '\0';
  replies_.clear();
  offset_ = 0;
  zeroLengthDue_ = false;
}

}  // namespace sim
