#pragma once

// The development dialog's receive list without its widget: new entries go on top, and Save
// writes them oldest first with nothing between them. Also how received bytes read as text.

#include <cstddef>
#include <deque>
#include <string>

#include "platform/nt/BaseTypes.h"

class ReceiveLog {
 public:
  void Insert(std::string entry) { entries_.push_front(std::move(entry)); }
  void Clear() { entries_.clear(); }
  // Top (newest) first.
  const std::deque<std::string>& Entries() const { return entries_; }
  // From the last entry to the first, with no separator added.
  std::string SaveString() const;

 private:
  std::deque<std::string> entries_;
};

// `count` received bytes as text: printable ASCII as it is, every other byte (a zero too) as
// "\xNN", so that a reply shows whole whatever it holds.
std::string ReceivedText(const UCHAR* bytes, std::size_t count);
