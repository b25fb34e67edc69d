#pragma once

// The configuration commands the worker's start-up and settings requests use: SC for the items of
// a mask, GC for items read back. Each sends one command and reads one reply (500 ms).

#include <initializer_list>
#include <span>
#include <string_view>

#include "link/protocol/CommTransport.h"

// A "gc:" reply: each ':'-separated value is stored by the item asked for at its position. 1 when
// the reply starts "gc:" and holds more than the prefix.
int StoreConfigReply(CSysCfg& config, std::span<const int> items, std::string_view reply);

class ConfigCommands {
 public:
  explicit ConfigCommands(CommTransport& transport) : transport_(transport) {}

  // "SC" with the items of `mask` from the configuration record; 1 when the reply is "sc".
  int ApplySettings(ULONG mask);

  // Items 4, 5 and 6, sent whenever the worker (re)initialises the instrument.
  int SendInitialSettings();

  // "GC" with `items`; the returned values are stored by the item asked for at their position.
  // 1 when the reply starts "gc:" and holds more than the prefix.
  int ReadItems(std::initializer_list<int> items);

  // GC:7:8:9, then WM_ORU_GET_CONFIG after a good read.
  int ReadConfiguration();

  // GC:18:19: the trace ranges' factors.
  int ReadMeasuredValues();

 private:
  CommTransport& transport_;
};
