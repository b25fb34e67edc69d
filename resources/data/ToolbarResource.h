#pragma once

// Tool bars as plain data: button command ids in order, 0 for a separator. Each tool bar lives in
// its own file named Toolbar<id>.cpp defining `const ToolbarResource& Toolbar<id>()`.

#include <vector>

constexpr int kToolbarSeparator = 0;

struct ToolbarResource {
  int id = 0;
  int buttonWidth = 16;   // image size in pixels
  int buttonHeight = 15;
  std::vector<int> buttons{};
};

// The tool bar with `id`, or nullptr.
const ToolbarResource* FindToolbarResource(int id);
