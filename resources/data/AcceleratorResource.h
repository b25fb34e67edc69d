#pragma once

// Accelerator tables as plain data: a virtual-key code with modifiers and the command it sends.
// Each table lives in its own file named Accelerators<id>.cpp defining
// `const AcceleratorTable& Accelerators<id>()`.

#include <cstdint>
#include <string>
#include <vector>

enum AcceleratorModifier : uint32_t {
  AccelNone = 0,
  AccelShift = 1u << 0,
  AccelControl = 1u << 1,
  AccelAlt = 1u << 2,
};

struct Accelerator {
  int virtualKey;      // 'A'..'Z', '0'..'9' or a VK_ code
  uint32_t modifiers;  // AcceleratorModifier bits
  int commandId;
};

struct AcceleratorTable {
  int id = 0;
  std::vector<Accelerator> entries{};
};

// The table with `id`, or nullptr.
const AcceleratorTable* FindAcceleratorTable(int id);

// The key as a menu shows it: "Ctrl+N", "Ctrl+Shift+D", "F1".
std::string AcceleratorText(const Accelerator& accelerator);
