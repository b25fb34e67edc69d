#pragma once

// The firmware-download progress field: the percentage of the file sent and where the field is
// split between the done part and the rest.

#include <cstdint>
#include <string>

// The integer part of done x 100 / total; done x 100 is formed as an unsigned 32-bit number, as
// the instrument's progress words are. Total 0 gives 0.
int ProgressPercent(std::uint32_t done, std::uint32_t total);
// "25% complete".
std::string ProgressText(int percent);
// The x where the highlighted part ends in a field from `left` of `width` pixels (at most the
// right edge); the whole field is plain at 100 or more.
int ProgressSplitX(int left, int width, int percent);
