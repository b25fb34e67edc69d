#include "link/protocol/CommStruct.h"

void CORUCommStruct::SetCommand(const std::string& name, const std::string& params) {
  commandName = name;
  commandParams = params;
  commandText = params.empty() ? name : name + ":" + params;
  replyName.clear();
  replyText.clear();
  replyParam1.clear();
  replyParam2.clear();
}
