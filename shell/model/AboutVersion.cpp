#include "shell/model/AboutVersion.h"

#include <algorithm>

std::string ProgramVersionText(const std::string& entry, bool full) {
  if (entry.empty()) return "Quorlan View PC Version UNKNOWN";
  std::string version = entry;
  std::replace(version.begin(), version.end(), ',', '.');
  if (!full) {
    const std::size_t last = version.rfind('.');
    if (last != std::string::npos) version.erase(last);
  }
  return "Quorlan View PC " + version;
}
