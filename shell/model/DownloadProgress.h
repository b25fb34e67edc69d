#pragma once

// The firmware-download progress field: the percentage of the file sent and where the field is
// split between the done part and the rest; and what a user is told when a download fails.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/protocol/DownloadOutcome.h"

// The integer part of done x 100 / total; done x 100 is formed as an unsigned 32-bit number, as
// the instrument's progress words are. Total 0 gives 0.
int ProgressPercent(std::uint32_t done, std::uint32_t total);
// "25% complete".
std::string ProgressText(int percent);
// The x where the highlighted part ends in a field from `left` of `width` pixels (at most the
// right edge); the whole field is plain at 100 or more.
int ProgressSplitX(int left, int width, int percent);

// The box's title and text for a download of `fileName` that ended with `outcome` at `line`;
// none for one that loaded or that the user stopped (a success shows the About box instead).
struct DownloadFailure {
  std::string title;
  std::string text;
};
std::optional<DownloadFailure> DownloadFailureText(DownloadOutcome outcome, int line, std::string_view fileName);
