#pragma once

// The program's string table: message texts, command prompts, status-pane texts, capture-end
// messages and the texts Qt-free code shows. Each group of entries lives in its own file named
// Strings<Name>.cpp, defining `std::span<const StringEntry> Strings<Name>()`; the build indexes
// every such file.

#include <span>
#include <vector>

struct StringEntry {
  int id;
  const char* text;
};

// The text of string `id`, or nullptr when the table has no such entry.
const char* LoadResourceString(int id);

// The text of string `id`, or "" when absent (for callers that show an empty text then).
const char* LoadResourceStringOrEmpty(int id);

// Every entry of every group, ordered by id (duplicates left in, so a test can find them).
std::vector<StringEntry> AllResourceStrings();

