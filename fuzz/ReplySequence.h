#pragma once

// Fuzz inputs that stand for a run of instrument replies: each reply is one length byte (taken
// modulo 65, for a read returns at most 64 bytes) followed by that many bytes, or what is left.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fuzzing {

class ReplySequence {
 public:
  static constexpr std::size_t kMaxReply = 64;

  ReplySequence(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next reply's bytes; false at the end of the input.
  bool Next(std::string_view& reply) {
    if (rest_.empty()) return false;
    const std::size_t length = static_cast<std::uint8_t>(rest_.front()) % (kMaxReply + 1);
    rest_.remove_prefix(1);
    reply = rest_.substr(0, length);
    rest_.remove_prefix(reply.size());
    return true;
  }

  // One option byte taken off the front (0 when the input is empty).
  std::uint8_t TakeByte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }

 private:
  std::string_view rest_;
};

// The reply text the worker's text parsers see: the bytes up to the first zero byte.
inline std::string_view ReplyText(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

}  // namespace fuzzing
