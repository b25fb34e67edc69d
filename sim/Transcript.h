#pragma once

// What passed between the host and the instrument, for tests: every command received, every
// reply queued (or dropped, held back, discarded), vendor and standard requests, halts, resets,
// injected faults. Thread-safe; keeps the latest 50 000 entries.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sim/SimTime.h"

namespace sim {

enum class TranscriptKind {
  Command,         // a whole command from an OUT endpoint
  Reply,           // a reply made ready on an IN endpoint
  ReplyDropped,    // fault: the reply was never sent
  ReplyHeld,       // fault: the reply waits (delayed or late)
  ReplyDiscarded,  // an unread reply thrown away by a new command or vendor request 1
  Vendor,          // vendor request (bRequest in `endpoint`)
  Standard,        // standard request (bRequest in `endpoint`)
  Stall,           // an endpoint answered STALL
  ClearHalt,
  Reset,
  Configuration,
  Stream,  // isochronous stream started or stopped
  Fault,   // a fault hook fired
  Unplug,
};

struct TranscriptEntry {
  Micros at = 0;
  TranscriptKind kind = TranscriptKind::Command;
  uint8_t endpoint = 0;
  std::string bytes;
  std::string note;
};

class Transcript {
 public:
  void add(Micros at, TranscriptKind kind, uint8_t endpoint, std::string bytes, std::string note = {});
  std::vector<TranscriptEntry> entries() const;
  std::vector<std::string> commands() const;  // texts of the commands, in order
  std::vector<std::string> replies() const;   // texts of the replies made ready, in order
  size_t count(TranscriptKind kind) const;
  void clear();
  std::string text() const;  // one line per entry, for failure messages

 private:
  static constexpr size_t kCapacity = 50'000;
  mutable std::mutex mutex_;
  std::deque<TranscriptEntry> entries_;
};

}  // namespace sim
