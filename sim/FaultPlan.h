#pragma once

// Faults a test arms on the instrument. Each fires once, on the next reply (or binary line,
// command, isochronous frame) it applies to:
//   drop      the next reply is never sent (the host's read times out)
//   delay     the next reply (or the next one that starts with a given text) is made ready only
//             after the given instrument time
//   late      the next reply is held until the following command arrives, then sent just ahead
//             of that command's own reply (the host reads a stale answer)
//   garble    the next reply is damaged: its first byte replaced, every third byte flipped, or
//             cut to half its length
//   binary    the next binary line ("ca#", "rd#") is damaged: records missing behind its count,
//             a count of 16, or its last record cut short
//   unplug    the instrument goes dead on the n-th command starting with a prefix, or after n
//             isochronous packets, and calls the unplug handler
//   blank     after n more streamed isochronous packets, the next `count` packets arrive empty
//             (a host read of several frames then ends short)
// skipReplies(n) lets the next n replies pass untouched first, so the reply faults armed with it
// fire on the (n+1)-th reply from now; skipBinaryLines(n) does the same for the binary fault,
// counting binary lines.
// Stalling an endpoint is immediate (Instrument::stallEndpoint).

#include <optional>
#include <string>
#include <string_view>

#include "sim/SimTime.h"

namespace sim {

enum class Garble { Prefix, Noise, Truncate };
enum class BinaryFault { MissingRecords, BadCount, CutRecord };

class FaultPlan {
 public:
  void dropNextReply() { drop_ = true; }
  void delayNextReply(Micros delay, std::string startingWith = {}) {
    delay_ = delay;
    delayPrefix_ = std::move(startingWith);
  }
  void sendNextReplyLate() { late_ = true; }
  void garbleNextReply(Garble how) { garble_ = how; }
  void breakNextBinaryLine(BinaryFault how) { binary_ = how; }
  void unplugOnCommand(std::string prefix, int nth = 1);
  void unplugAfterIsoPackets(int count) { isoCountdown_ = count; }
  void blankIsoPackets(int after, int count) {
    blankAfter_ = after;
    blankCount_ = count;
  }
  void skipReplies(int count) { skipReplies_ = count; }
  void skipBinaryLines(int count) { skipBinary_ = count; }
  void clear() { *this = FaultPlan(); }

  enum class Fate { Send, Drop, Delay, Late };
  struct Outcome {
    Fate fate = Fate::Send;
    Micros delay = 0;
    std::string reply;
    std::string note;  // which fault fired, for the transcript
  };
  // The fate of one reply, consuming the faults that fire on it.
  Outcome apply(std::string reply);
  bool unplugOn(std::string_view command);
  bool unplugOnIsoPacket();
  // For a streamed (non-empty) packet: true when it is to go out empty.
  bool blankIsoPacket();

 private:
  bool drop_ = false;
  std::optional<Micros> delay_;
  std::string delayPrefix_;
  bool late_ = false;
  std::optional<Garble> garble_;
  std::optional<BinaryFault> binary_;
  std::string unplugPrefix_;
  int unplugCountdown_ = 0;
  int isoCountdown_ = 0;
  int blankAfter_ = 0;
  int blankCount_ = 0;
  int skipReplies_ = 0;
  int skipBinary_ = 0;
};

}  // namespace sim
