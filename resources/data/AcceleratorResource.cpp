#include "resources/data/AcceleratorResource.h"

#include "resources/data/ResourceIndex.h"

const AcceleratorTable* FindAcceleratorTable(int id) {
  for (const AcceleratorTable* table : IndexedAcceleratorTables()) {
    if (table->id == id) return table;
  }
  return nullptr;
}

std::string AcceleratorText(const Accelerator& accelerator) {
  std::string text;
  if (accelerator.modifiers & AccelControl) text += "Ctrl+";
  if (accelerator.modifiers & AccelShift) text += "Shift+";
  if (accelerator.modifiers & AccelAlt) text += "Alt+";
  const int key = accelerator.virtualKey;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
    text += static_cast<char>(key);
  } else if (key >= 0x70 && key <= 0x87) {  // VK_F1 .. VK_F24
    text += "F" + std::to_string(key - 0x70 + 1);
  } else {
    switch (key) {
      case 0x2D: text += "Ins"; break;   // VK_INSERT
      case 0x2E: text += "Del"; break;   // VK_DELETE
      case 0x21: text += "PgUp"; break;  // VK_PRIOR
      case 0x22: text += "PgDn"; break;  // VK_NEXT
      default: text += "?"; break;
    }
  }
  return text;
}
