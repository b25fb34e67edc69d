#include "sim/Transcript.h"

#include <cstdio>

namespace sim {
namespace {

const char* kindName(TranscriptKind k) {
  switch (k) {
    case TranscriptKind::Command:
      return "command";
    case TranscriptKind::Reply:
      return "reply";
    case TranscriptKind::ReplyDropped:
      return "reply-dropped";
    case TranscriptKind::ReplyHeld:
      return "reply-held";
    case TranscriptKind::ReplyDiscarded:
      return "reply-discarded";
    case TranscriptKind::Vendor:
      return "vendor";
    case TranscriptKind::Standard:
      return "standard";
    case TranscriptKind::Stall:
      return "stall";
    case TranscriptKind::ClearHalt:
      return "clear-halt";
    case TranscriptKind::Reset:
      return "reset";
    case TranscriptKind::Configuration:
      return "configuration";
    case TranscriptKind::Stream:
      return "stream";
    case TranscriptKind::Fault:
      return "fault";
    case TranscriptKind::Unplug:
      return "unplug";
  }
  return "?";
}

std::string printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace

void Transcript::add(Micros at, TranscriptKind kind, uint8_t endpoint, std::string bytes, std::string note) {
  std::lock_guard lock(mutex_);
  entries_.push_back({at, kind, endpoint, std::move(bytes), std::move(note)});
  if (entries_.size() > kCapacity) entries_.pop_front();
}

std::vector<TranscriptEntry> Transcript::entries() const {
  std::lock_guard lock(mutex_);
  return {entries_.begin(), entries_.end()};
}

std::vector<std::string> Transcript::commands() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& e : entries_) {
    if (e.kind == TranscriptKind::Command) out.push_back(e.bytes);
  }
  return out;
}

std::vector<std::string> Transcript::replies() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& e : entries_) {
    if (e.kind == TranscriptKind::Reply) out.push_back(e.bytes);
  }
  return out;
}

size_t Transcript::count(TranscriptKind kind) const {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const auto& e : entries_) n += e.kind == kind;
  return n;
}

void Transcript::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

std::string Transcript::text() const {
  std::lock_guard lock(mutex_);
  std::string out;
  for (const auto& e : entries_) {
    char head[64];
    std::snprintf(head, sizeof head, "%10.6f %-15s 0x%02X ", toSeconds(e.at), kindName(e.kind), e.endpoint);
    out += head + printable(e.bytes);
    if (!e.note.empty()) out += "  (" + e.note + ")";
    out += "\n";
  }
  return out;
}

}  // namespace sim
