#pragma once

// The record of one instrument command, made for each write and dropped after it. Only the command
// text is used on the wire; the reply slots are cleared and never filled.

#include <string>

#include "platform/nt/BaseTypes.h"

class CORUCommStruct {
 public:
  CORUCommStruct() = default;
  virtual ~CORUCommStruct() = default;

  // commandText = name, or name + ":" + params when params is not empty; the reply slots are
  // cleared.
  void SetCommand(const std::string& name, const std::string& params);

  std::string commandText;
  std::string commandName;
  std::string commandParams;
  std::string replyName;
  std::string replyText;
  std::string replyParam1;
  std::string replyParam2;
  USHORT checksum = 0;
  ULONG tag = 0;
};
