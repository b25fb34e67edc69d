#pragma once

// What an HKEY of the setup layer holds: the values of a class's installer key or a node's
// driver key as they were when it was opened.

#include <string>
#include <vector>

#include "platform/setup/SetupQueries.h"

namespace setup {

struct RegistryValue {
  std::string name;
  DWORD type = REG_SZ;
  std::string bytes;  // with the terminator(s)
};

struct RegistryKey {
  std::vector<RegistryValue> values;

  void putString(const std::string& name, const std::string& text);
  // Left out when `strings` is empty, as a missing value.
  void putMultiString(const std::string& name, const std::vector<std::string>& strings);
};

HKEY NewRegistryKey(RegistryKey key);

}  // namespace setup
