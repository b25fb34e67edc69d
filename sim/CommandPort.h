#pragma once

// One command pipe pair of the instrument (0x01 -> 0x81, or 0x02 -> 0x82).
//
// Commands: the host writes a command as one transfer, which arrives in packets of at most 64
// bytes. A command ends with a packet shorter than 64 bytes, or where its bytes so far end in a
// CR LF or LF CR pair (firmware records end with their line end). A lone CR or LF at the end of
// a full packet does not end it: a record whose CR falls on byte 64 still has its LF to come, in
// the next packet. A command that is a whole number of 64-byte packets without a line end is
// held until the host's next read announces itself (vendor request 4 or 5) or a zero-length
// packet comes. Commands over 600 bytes are dropped up to their end and answered with an error.
//
// Replies: one per command, each its own transfer of at most 64 bytes, never merged with the
// next: each reply goes out as a single packet. A reply of exactly 64 bytes fills the host's
// 64-byte read, which ends it; no zero-length packet follows (the host would take one as an empty
// reply), unless the instrument is built to send one. A new command throws away any reply the
// host left unread, so a late read never picks up an old answer.

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

constexpr size_t kBulkPacket = 64;
constexpr size_t kMaxCommand = 600;

class CommandPort {
 public:
  CommandPort(uint8_t outEndpoint, uint8_t inEndpoint) : out_(outEndpoint), in_(inEndpoint) {}

  struct Command {
    std::string bytes;
    bool tooLong = false;
  };
  // One OUT packet; returns the command it completes.
  std::optional<Command> receive(std::span<const uint8_t> packet);
  // The host is about to read: a held command counts as complete.
  std::optional<Command> endHeldCommand();

  void queueReply(std::string reply) { replies_.push_back(std::move(reply)); }
  // Unread replies, removed.
  std::vector<std::string> takeUnread();
  // One IN packet, or none (NAK).
  std::optional<std::vector<uint8_t>> nextPacket(size_t maxPacket, bool zeroLengthAfterFull);
  // Back to power-up: no partial command, no reply.
  void clear();

  uint8_t outEndpoint() const { return out_; }
  uint8_t inEndpoint() const { return in_; }
  size_t queuedReplies() const { return replies_.size(); }

 private:
  Command take();

  uint8_t out_;
  uint8_t in_;
  std::string pending_;
  bool tooLong_ = false;
  char lastTwo_[2] = {'\0', '\0'};
  std::deque<std::string> replies_;
  size_t offset_ = 0;
  bool zeroLengthDue_ = false;
};

}  // namespace sim
