#pragma once

// The About box's program version line from the program's version entry ("2, 0, 3, 7").

#include <string>

// "Quorlan View PC " and the entry with each ',' as '.'; the short form ends before the last
// '.'. An empty entry (none could be read) gives "Quorlan View PC Version UNKNOWN".
std::string ProgramVersionText(const std::string& entry, bool full);
