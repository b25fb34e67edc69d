#include "link/protocol/ClockCommands.h"
#include "link/store/LinkAccess.h"

#include <cstdio>
#include <mutex>

std::string BuildClockCommand(const SYSTEMTIME& time) {
  char text[48];
  std::snprintf(text, sizeof text, "SR:%02i:%02i:%02i:%02i:%02i:%02i", time.wMonth, time.wDay, time.wYear - 2000,
                time.wHour, time.wMinute, time.wSecond);
  return text;
}

int SetInstrumentClock(CommTransport& transport, const SYSTEMTIME& time) {
  if (!transport.SendCommand(BuildClockCommand(time))) return 0;
  if (!transport.ReadReply(kReplyTimeoutMs)) return 0;
  return transport.replyText == "sr" ? 1 : 0;
}

int SetTriggerText(CommTransport& transport) {
  CORUData& store = transport.Store();
  std::string command = "ST:";
  {
    auto& fields = LinkFields(store);
    std::lock_guard guard(fields.dataMutex);
    command += fields.sysCfg.triggerText;
  }
  if (!transport.SendCommand(command)) return 0;
  if (!transport.ReadReply(kReplyTimeoutMs)) return 0;
  return transport.replyText == "st" ? 1 : 0;
}
