// Fuzz target for the simulated instrument's command side: the input is what a host writes to
// the command pipe. It is cut into 64-byte packets as the bus carries them and framed into
// commands, each of which the firmware interpreter runs, time moving on between commands.
// Nothing may crash or allocate without bound; the commands must give back the written bytes
// in order, and every command must get one reply of at most 64 bytes.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "FuzzWorker.h"
#include "sim/CommandPort.h"
#include "sim/Firmware.h"

namespace {

void Run(sim::Firmware& firmware, const sim::CommandPort::Command& command, sim::Micros& now, std::string& framed) {
  if (!command.tooLong) framed += command.bytes;
  Require(command.bytes.size() <= sim::kMaxCommand);
  const std::string reply = command.tooLong ? std::string("er:too long") : firmware.execute(command.bytes, now);
  Require(!reply.empty() && reply.size() <= sim::kBulkPacket);
  now += sim::millis(250);
  firmware.advance(now);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sim::Firmware firmware;
  sim::CommandPort port(0x01, 0x81);
  sim::Micros now = 0;
  std::string framed;
  bool anyTooLong = false;
  // Each '\x1f' in the input ends a host write: the rest of that write goes out as its last,
  // short or zero-length, packet.
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t from = 0;
  while (from <= input.size()) {
    const std::size_t end = std::min(input.find('\x1f', from), input.size());
    const std::string_view write = input.substr(from, end - from);
    for (std::size_t at = 0; at < write.size(); at += sim::kBulkPacket) {
      const std::string_view packet = write.substr(at, sim::kBulkPacket);
      const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(packet.data()), packet.size());
      if (auto command = port.receive(bytes)) {
        anyTooLong |= command->tooLong;
        Run(firmware, *command, now, framed);
      }
    }
    if (write.size() % sim::kBulkPacket == 0) {
      if (auto command = port.receive({})) {
        anyTooLong |= command->tooLong;
        Run(firmware, *command, now, framed);
      }
    }
    from = end + 1;
  }
  if (!anyTooLong) {
    std::string written(input);
    std::erase(written, '\x1f');
    Require(framed == written);
  }
  return 0;
}
