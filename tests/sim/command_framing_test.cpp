// Where a command ends in the 64-byte packets the driver cuts a write into: at a short packet,
// or where the bytes so far end in a CR LF or LF CR pair. A firmware record whose CR is the last
// byte of a full packet still waits for its LF.

#include <gtest/gtest.h>

#include "SimTestSupport.h"

using namespace simtest;

namespace {

using Bytes = std::span<const uint8_t>;

Bytes span(const std::string& text, size_t from, size_t length) {
  return Bytes(reinterpret_cast<const uint8_t*>(text.data()) + from, std::min(length, text.size() - from));
}

// Writes `text` as the driver does and returns the commands the port made of it.
std::vector<sim::CommandPort::Command> frame(sim::CommandPort& port, const std::string& text) {
  std::vector<sim::CommandPort::Command> commands;
  for (size_t at = 0; at < text.size(); at += sim::kBulkPacket) {
    if (auto c = port.receive(span(text, at, sim::kBulkPacket))) commands.push_back(std::move(*c));
  }
  return commands;
}

// A "DA:0:" command of `total` bytes whose line end is `end`: an S2 record of the right size
// where one exists, otherwise filler (the framing does not read the record).
std::string daCommand(size_t total, const std::string& end) {
  std::string command = "DA:0:S2";
  command.resize(total - end.size(), '0');
  return command + end;
}

struct Cut {
  size_t total;     // bytes of the whole command
  std::string end;  // its line end
};

class RecordFraming : public ::testing::TestWithParam<Cut> {};

TEST_P(RecordFraming, OneCommandWhereverItsLineEndFalls) {
  const Cut cut = GetParam();
  const std::string text = daCommand(cut.total, cut.end);
  sim::CommandPort port(0x01, 0x81);
  const auto commands = frame(port, text);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].bytes, text);
  EXPECT_FALSE(commands[0].tooLong);
  EXPECT_FALSE(port.endHeldCommand().has_value());  // nothing left behind
}

// The CR on byte 64, 128, 192 or 256 (lines of 60, 124, 188, 252 bytes), the LF there instead,
// the pair ending a packet exactly, and short commands.
INSTANTIATE_TEST_SUITE_P(Cuts, RecordFraming,
                         ::testing::Values(Cut{65, "\r\n"}, Cut{129, "\r\n"}, Cut{193, "\r\n"}, Cut{257, "\r\n"},
                                           Cut{65, "\n\r"}, Cut{257, "\n\r"}, Cut{64, "\r\n"}, Cut{128, "\n\r"},
                                           Cut{51, "\r\n"}, Cut{94, "\r\n"}, Cut{259, "\r\n"}));

TEST(CommandFraming, ALoneLineEndByteAtAPacketsEndDoesNotEndTheCommand) {
  sim::CommandPort port(0x01, 0x81);
  std::string text(63, 'A');
  text += '\r';
  EXPECT_FALSE(port.receive(span(text, 0, 64)).has_value());
  text.back() = '\n';
  EXPECT_FALSE(port.receive(span(text, 0, 64)).has_value());
  // The next read's announcement ends what is held, whole.
  auto held = port.endHeldCommand();
  ASSERT_TRUE(held.has_value());
  EXPECT_EQ(held->bytes.size(), 128u);
}

TEST(CommandFraming, ALineEndPairInsideTheTextDoesNotEndIt) {
  // CR closes the first full packet, the LF opens a full second one: the text so far does not
  // end in the pair, so the command goes on to the short third packet.
  sim::CommandPort port(0x01, 0x81);
  std::string text = std::string(63, 'B') + "\r" + "\n" + std::string(63, 'C') + "DE";
  const auto commands = frame(port, text);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].bytes, text);
}

TEST(CommandFraming, ATooLongCommandStillEndsAtItsLineEnd) {
  sim::CommandPort port(0x01, 0x81);
  const std::string text = daCommand(64 * 11, "\r\n");
  const auto commands = frame(port, text);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_TRUE(commands[0].tooLong);
  EXPECT_EQ(commands[0].bytes, "DA");
  const auto next = frame(port, "VN");
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].bytes, "VN");
}

class InstrumentFraming : public ::testing::TestWithParam<size_t> {
 protected:
  void SetUp() override { configure(inst); }
  sim::Instrument inst{[] {
    sim::InstrumentOptions o;
    o.clock.mode = sim::TimeMode::Stepped;
    return o;
  }()};
};

// S2 records of 23, 55, 87 and 119 data bytes: "DA:0:" and the record put its CR on a packet's
// last byte. Each is one command, loaded and answered once.
TEST_P(InstrumentFraming, ARecordWhoseCrEndsAPacketIsLoaded) {
  const size_t dataBytes = GetParam();
  const std::vector<uint8_t> data(dataBytes, 0x5A);
  const std::string command = "DA:0:" + sRecord('2', 0x001000, 3, data);
  ASSERT_EQ(command[command.size() - 2], '\r');
  ASSERT_EQ((command.size() - 1) % 64, 0u);
  ASSERT_TRUE(write(inst, command));
  EXPECT_EQ(read(inst), "da:2:1");
  EXPECT_EQ(inst.transcript().commands(), (std::vector<std::string>{command}));
  EXPECT_EQ(inst.withFirmware([](sim::Firmware& f) { return f.loader().image().size(); }), dataBytes);
}

INSTANTIATE_TEST_SUITE_P(DataBytes, InstrumentFraming, ::testing::Values(23u, 55u, 87u, 119u));

}  // namespace
